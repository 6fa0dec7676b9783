// The rules the front ends share: how a failed load is told, what a MIDI file holds by the
// conversion's own counting, and conversions under an address-space limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <thread>

#include "midi/CMidiFile.h"
#include "platform/CException.h"
#include "platform/CReservedRegion.h"
#include "roll/CRollscribeDoc.h"
#include "roll/FailureDescription.h"
#include "roll/MidiSummary.h"
#include "roll/RollLoader.h"
#include "support/MidiInvariants.h"
#include "support/RollFixture.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

struct FailureCase {
    const char* name;
    std::function<void()> raise;
    const char* otherFile;
    const char* reason;
    const char* text;
};

TEST(FailureDescription, NamesTheFileConcernedUnlessItIsTheRollItself) {
    const std::string roll = "/rolls/x.bar";
    const FailureCase cases[] = {
        {"the roll, by its full path",
         [] { throw CFileException("/rolls/x.bar", "cannot open the file", ENOENT); }, "",
         "cannot open the file: No such file or directory",
         "cannot open the file: No such file or directory"},
        {"the roll's archive",
         [] {
             throw CArchiveException(CArchiveException::endOfFile, "/rolls/x.bar",
                                     "the file ends too early");
         },
         "", "the file ends too early", "the file ends too early"},
        {"the MIDI file",
         [] { throw CFileException("/rolls/x_BAR_e.mid", "cannot write the file", ENOSPC); },
         "/rolls/x_BAR_e.mid", "cannot write the file: No space left on device",
         "/rolls/x_BAR_e.mid: cannot write the file: No space left on device"},
        {"memory", [] { throw std::bad_alloc(); }, "", "not enough memory to convert the roll",
         "not enough memory to convert the roll"},
        {"anything else", [] { throw std::length_error("the track is too long"); }, "",
         "the track is too long", "the track is too long"},
        {"not even an exception", [] { throw 42; }, "", "an unknown error occurred",
         "an unknown error occurred"},
    };
    for (const FailureCase& c : cases) {
        try {
            c.raise();
        } catch (...) {
            FailureDescription failure = DescribeFailure(std::current_exception(), roll);
            EXPECT_EQ(failure.otherFile, c.otherFile) << c.name;
            EXPECT_EQ(failure.reason, c.reason) << c.name;
            EXPECT_EQ(failure.Text(), c.text) << c.name;
        }
    }
    // The roll named by a relative path is still the roll.
    fs::path cwd = fs::current_path();
    try {
        throw CFileException((cwd / "r.bar").string(), "cannot read the file", EIO);
    } catch (...) {
        EXPECT_EQ(DescribeFailure(std::current_exception(), "r.bar").otherFile, "");
    }
    EXPECT_EQ(DescribeFailure(nullptr, roll).reason, "an unknown error occurred");
}

// A document whose events are set by the test, tempo 100 (600,000 microseconds a quarter note).
class Summary : public ::testing::Test {
  protected:
    void Add(std::int32_t kind, std::int32_t note, std::int32_t time, const char* text = "") {
        doc.m_events.Add(RollEvent{kind, note, time, CString(text)});
    }
    CRollscribeDoc doc;
};

TEST_F(Summary, CountsAsTheConversionWrites) {
    Add(1, 60, 1200);   // tick 480
    Add(1, 200, 6000);  // left out: note above 127, its time too
    Add(0, 60, 2400);   // tick 960
    Add(242, 0, 2400, "la");
    Add(1, 127, 3600);   // tick 1440, the last written
    Add(1, 128, 99999);  // left out
    MidiSummary s = SummarizeMidi(doc);
    EXPECT_EQ(s.events, 6);
    EXPECT_EQ(s.notes, 2);
    EXPECT_EQ(s.lastTick, 1440u);
    EXPECT_EQ(s.midiTempo, 600000);
    EXPECT_DOUBLE_EQ(s.Seconds(), 1.8);  // three quarter notes of 0.6 s
    EXPECT_EQ(s.cutTexts, 0u);
}

TEST_F(Summary, TimeNeverGoesBackAndTheTempoIsTheFilesOwn) {
    Add(1, 60, 12000);  // tick 4800
    Add(0, 60, 1200);   // earlier position (a hand-built list): written at tick 4800
    doc.m_tempo = 5;    // not corrected by a parse: the file says tempo 100
    EXPECT_EQ(SummarizeMidi(doc).lastTick, 4800u);
    EXPECT_EQ(SummarizeMidi(doc).midiTempo, 600000);
    doc.m_tempo = 500;
    EXPECT_DOUBLE_EQ(SummarizeMidi(doc).Seconds(), 10 * 0.12);
}

TEST_F(Summary, AgreesWithTheFileTheConversionWrites) {
    TempDir dir;
    Bytes roll = RollBytes("00 30 90 03 30 00 F2 61 00 81 80 80 80 80 05 31 00 FF");
    WriteFile(dir / "s.bar", roll);
    WriteFile(dir / "s.ann", "/roll_tempo: 90\r\n");
    ASSERT_EQ(LoadRollFile(doc, CString((dir / "s.bar").string())), LoadOutcome::converted);
    MidiSummary s = SummarizeMidi(doc);
    Bytes file = ReadFile(dir / "s_BAR_e.mid");
    std::int64_t noteOns = 0;
    std::uint64_t lastTick = 0;
    std::int32_t tempo = 0;
    EXPECT_EQ(
        CheckMidiFile(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()),
                      [&](const MidiEvent& e) {
                          if (e.status == 0x90 && e.data[1] != 0) ++noteOns;
                          if (e.metaType == 0x51)
                              tempo = static_cast<std::uint8_t>(e.data[0]) << 16 |
                                      static_cast<std::uint8_t>(e.data[1]) << 8 |
                                      static_cast<std::uint8_t>(e.data[2]);
                          lastTick = e.tick;  // the end of track, at the last event's tick
                      }),
        "");
    EXPECT_EQ(s.notes, noteOns);
    EXPECT_EQ(s.notes, 2);
    EXPECT_EQ(s.lastTick, lastTick);
    EXPECT_GT(s.lastTick, 0u);
    EXPECT_EQ(s.midiTempo, tempo);
}

TEST(MidiTextLength, EndsAtTheFirstZeroByteOfItsParts) {
    const CString a("abc"), b("de"), zero(std::string_view("x\0yz", 4)), empty;
    struct Case {
        std::initializer_list<const CString*> parts;
        std::size_t length;
    } cases[] = {{{&a}, 3},    {{&a, &b}, 5},     {{&a, &zero, &b}, 4},
                 {{&zero}, 1}, {{&empty, &b}, 2}, {{}, 0}};
    for (const Case& c : cases) EXPECT_EQ(MidiTextLength(c.parts), c.length);
}

// Small rolls convert however little address space there is beyond what they use (the event
// list and the track plan their room from the roll, and grow as arrays when it is refused).
TEST(AddressSpace, RollsConvertUnderALimit) {
    TempDir dir;
    Bytes roll = RollBytes("");
    for (int i = 0; i < 1000; ++i) {
        roll.push_back(static_cast<std::uint8_t>(i % 3));
        roll.push_back(static_cast<std::uint8_t>(40 + i % 40));
    }
    WriteFile(dir / "r.bar", roll);
    // A roll of one long lyric: its event list's plan, bounded by its size (24 bytes an event
    // for every two bytes), is refused under the limit, and the list grows as an array instead.
    Bytes large = RollBytes("00 F2");
    large.resize(8 * 1024 * 1024, 'l');
    large.push_back(0);
    for (int i = 0; i < 100; ++i) large.insert(large.end(), {0x01, 0x30});
    WriteFile(dir / "large.bar", large);
    std::thread worker([&] {
        SetReservationLimitForTests(24 * 1024 * 1024);
        int converted = 0;
        for (int i = 0; i < 111; ++i) {
            CRollscribeDoc doc;
            if (LoadRollFile(doc, CString((dir / "r.bar").string())) == LoadOutcome::converted)
                ++converted;
        }
        CRollscribeDoc doc;
        bool largeConverted = false;
        try {
            largeConverted =
                LoadRollFile(doc, CString((dir / "large.bar").string())) == LoadOutcome::converted;
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
        SetReservationLimitForTests(0);
        EXPECT_EQ(converted, 111);
        EXPECT_TRUE(largeConverted);
        EXPECT_EQ(doc.m_events.GetSize(), 101);
    });
    worker.join();
}

}  // namespace
