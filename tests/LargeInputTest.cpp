// Conversions of very large inputs: a 200 MB roll and annotation files of one 50 MB line. They
// must convert completely, into well-formed MIDI files that carry every event and text, in
// time proportional to their size. These tests carry the ctest label "large".
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "midi/CMidiFile.h"
#include "roll/CRollscribeDoc.h"
#include "roll/MidiSummary.h"
#include "roll/RollLoader.h"
#include "roll/RollReport.h"
#include "support/FolderSnapshot.h"
#include "support/MidiInvariants.h"
#include "support/RollFixture.h"
#include "support/ShellRun.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

constexpr std::size_t kMB = 1 << 20;

// Memory-backed when the system has such a folder: the inputs and outputs here are hundreds of
// megabytes, and the disk is not what is being tested.
fs::path LargeFilesBase() {
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// Text of the given size made of letters, so that nothing in it ends a line or a text.
std::string Letters(std::size_t size) {
    std::string text(size, ' ');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(LargeInput, RollOf200Megabytes) {
    // 50 MB of note records, a 50 MB lyric, then one delta of 100 MB before a last note.
    const std::size_t total = 200 * kMB;
    const Bytes pattern = Hex("81 01 10 | 01 11 | 00 12");  // 130 steps: tracks 16, 17, 18
    const std::size_t reps = 50 * kMB / pattern.size();
    const std::string lyric = Letters(50 * kMB);

    Bytes roll = RollBytes("");
    roll.reserve(total);
    for (std::size_t i = 0; i < reps; ++i) roll.insert(roll.end(), pattern.begin(), pattern.end());
    roll.push_back(0x00);
    roll.push_back(0xF2);
    roll.insert(roll.end(), lyric.begin(), lyric.end());
    roll.push_back(0x00);
    roll.push_back(0x81);  // one step, then zero groups up to the full size
    roll.insert(roll.end(), total - roll.size() - 2, 0x80);
    roll.push_back(0x00);
    roll.push_back(0x13);
    ASSERT_EQ(roll.size(), total);

    TempDir dir(LargeFilesBase());
    WriteFile(dir / "big.bar", roll);
    WriteFile(dir / "big.ann", "/sample_rate: 8000\r\n");  // 4000 steps an inch: a step is 0.25
    roll.clear();
    roll.shrink_to_fit();
    FolderSnapshot inputs = SnapshotOf(dir.Path());

    auto start = std::chrono::steady_clock::now();
    CRollscribeDoc doc;
    ASSERT_EQ(LoadRollFile(doc, CString((dir / "big.bar").string())), LoadOutcome::converted);
    double seconds = SecondsSince(start);
    EXPECT_EQ(doc.m_events.GetSize(), static_cast<std::int32_t>(3 * reps + 2));

    // Every event of the MIDI file, in order, against what the roll says.
    const std::uint64_t lastPosition = reps * 325 / 10;  // 32.5 thousandths a repetition
    std::size_t index = 0;
    std::string mismatch;
    auto expect = [&](bool ok, const MidiEvent& e) {
        if (!ok && mismatch.empty())
            mismatch = "event " + std::to_string(index) + " at tick " + std::to_string(e.tick);
    };
    std::string problem = CheckMidiFile(Slurp(dir / "big_BAR_e.mid"), [&](const MidiEvent& e) {
        const std::size_t preamble = 8;  // signatures, tempo, three names, two texts
        if (index >= preamble && index < preamble + 3 * reps) {
            std::size_t i = (index - preamble) / 3, which = (index - preamble) % 3;
            // 32.5 i + 32.25 for the first record, 32.5 (i + 1) for the others, truncated.
            std::uint64_t time = which == 0 ? (3250 * i + 3225) / 100 : 325 * (i + 1) / 10;
            char velocity = i % 2 == 0 ? 80 : 0;
            expect(e.status == 0x90 &&
                       e.data == std::string{static_cast<char>(31 + which), velocity} &&
                       e.tick == time * 480 / 1200,
                   e);
        } else if (index == preamble + 3 * reps) {
            expect(e.status == 0xFF && e.metaType == 0x05 && e.data == lyric &&
                       e.tick == lastPosition * 480 / 1200,
                   e);
        } else if (index == preamble + 3 * reps + 1) {
            // One step (0.25) later: the same tick.
            expect(e.status == 0x90 && e.data == "\x22\x50" && e.tick == lastPosition * 480 / 1200,
                   e);
        }
        ++index;
    });
    EXPECT_EQ(problem, "");
    EXPECT_EQ(mismatch, "");
    EXPECT_EQ(index, 8 + 3 * reps + 2 + 1);
    FolderSnapshot after = SnapshotOf(dir.Path());
    after.erase("big_BAR_e.mid");
    EXPECT_EQ(after, inputs);
    EXPECT_LT(seconds, 60.0) << "converting took far longer than reading 200 MB should";
}

struct LongLineCase {
    const char* name;
    std::string ann;
    std::string key;
    std::string value;
};

TEST(LargeInput, AnnotationLineOf50Megabytes) {
    const std::string letters = Letters(50 * kMB);
    // LF alone ends no line: a file of short LF-ended lines is one line with the LFs dropped.
    std::string lfLines, lfValue;
    for (std::size_t i = 0; lfLines.size() < 50 * kMB; ++i) {
        // Appended piece by piece: GCC 12 warns (-Wrestrict, a false alarm) on a literal + a
        // temporary string at -O2 and above.
        std::string piece = "k";
        piece += static_cast<char>('0' + i % 10);
        piece += ": v";
        lfLines += piece + "\n";
        lfValue += piece;
    }
    const LongLineCase cases[] = {
        {"CR LF line", "/roll_tempo: 120\r\n/title: " + letters + "\r\n/pianist: P\r\n", "/title",
         letters},
        {"LF-only lines", lfLines, "k0", lfValue.substr(lfValue.find(':') + 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir(LargeFilesBase());
        WriteFile(dir / "long.bar", RollBytes("00 30 05 30"));
        WriteFile(dir / "long.ann", c.ann);
        FolderSnapshot inputs = SnapshotOf(dir.Path());
        auto start = std::chrono::steady_clock::now();
        CRollscribeDoc doc;
        ASSERT_EQ(LoadRollFile(doc, CString((dir / "long.bar").string())), LoadOutcome::converted);
        double seconds = SecondsSince(start);

        CString value;
        ASSERT_TRUE(doc.m_annotations.Lookup(c.key, value));
        EXPECT_TRUE(value.View() == c.value)
            << value.GetLength() << " bytes instead of " << c.value.size();
        std::size_t texts = 0;
        bool found = false;
        std::string problem = CheckMidiFile(Slurp(dir / "long_BAR_e.mid"), [&](const MidiEvent& e) {
            if (e.status != 0xFF || e.metaType != 0x01) return;
            ++texts;
            if (e.data.size() == c.key.size() + 2 + c.value.size() &&
                e.data.starts_with(c.key + ": ") && e.data.substr(c.key.size() + 2) == c.value)
                found = true;
        });
        EXPECT_EQ(problem, "");
        EXPECT_TRUE(found) << "no text event holds the whole line";
        EXPECT_EQ(texts, 1 + doc.m_annotations.GetCount());
        if (c.key == "/title") {
            EXPECT_TRUE(doc.m_strTitle.View() == c.value);
            EXPECT_NE(BuildRollReport(doc).Find("\n Title : " + letters.substr(0, 100)),
                      CString::npos);
        }
        FolderSnapshot after = SnapshotOf(dir.Path());
        after.erase("long_BAR_e.mid");
        EXPECT_EQ(after, inputs);
        EXPECT_LT(seconds, 30.0) << "reading one long line took far longer than its size should";
    }
}

// A text longer than a MIDI text can be is counted, so that the converter can say it was cut.
TEST(LargeInput, TextsTooLongForAMidiTextAreCounted) {
    CRollscribeDoc doc;
    CString longest;
    longest.Reserve(CMidiFile::kMaxTextLength + 1);
    const std::string block(1 << 20, 't');
    while (longest.GetLength() + block.size() <= CMidiFile::kMaxTextLength) longest += block;
    longest += std::string_view(block).substr(0, CMidiFile::kMaxTextLength - longest.GetLength());
    doc.m_strTitle = std::move(longest);
    EXPECT_EQ(SummarizeMidi(doc).cutTexts, 0u);
    doc.m_strTitle += "t";
    EXPECT_EQ(SummarizeMidi(doc).cutTexts, 1u);
    // As a lyric, its text also in the information text, as the parser puts it there.
    doc.m_strInfo += "\n";
    doc.m_strInfo += doc.m_strTitle;
    doc.m_events.Add(RollEvent{242, 0, 0, std::move(doc.m_strTitle)});
    doc.m_strTitle = "short";
    EXPECT_EQ(SummarizeMidi(doc).cutTexts, 1u);  // the lyric now
    EXPECT_EQ(CountCutTexts(doc), 1u);
}

// A signal in the middle of converting a 200 MB roll, while it is read or while its MIDI file is
// written: the converter ends by the signal, its temporary file removed, the MIDI file of an
// earlier conversion as it was.
TEST(LargeInput, SignalInTheMiddleOfA200MegabyteRoll) {
    TempDir dir(LargeFilesBase());
    // 40 MB of note records (20 million events) and a lyric of 160 MB.
    const Bytes pattern = Hex("01 10 | 02 11 | 00 12 | 03 13");
    Bytes roll = RollBytes("");
    roll.reserve(200 * kMB + 64);
    while (roll.size() < 40 * kMB) roll.insert(roll.end(), pattern.begin(), pattern.end());
    roll.insert(roll.end(), {0x00, 0xF2});
    std::string lyric = Letters(160 * kMB);
    roll.insert(roll.end(), lyric.begin(), lyric.end());
    roll.push_back(0);
    WriteFile(dir / "big.bar", roll);
    roll = Bytes();
    WriteFile(dir / "small.bar", RollBytes("00 30 05 30"));
    WriteFile(dir / "big_BAR_e.mid", "the MIDI file of an earlier conversion");
    fs::permissions(dir / "big_BAR_e.mid", fs::perms(0640));
    FolderSnapshot before = SnapshotOf(dir.Path());

    struct Case {
        int signal;
        bool whileWriting;  // else while reading, before the output is begun
    } cases[] = {{SIGINT, true}, {SIGTERM, false}, {SIGHUP, true}};
    for (const Case& c : cases) {
        pid_t pid = StartProgram(CONVERTER_PATH,
                                 {(dir / "small.bar").string(), (dir / "big.bar").string()});
        auto start = std::chrono::steady_clock::now();
        if (c.whileWriting) {
            while (!HasTemporaryFile(dir.Path()) && SecondsSince(start) < 500) ::usleep(1000);
            ASSERT_TRUE(HasTemporaryFile(dir.Path())) << "the output was never begun";
        } else {
            while (!fs::exists(dir / "small_BAR_e.mid") && SecondsSince(start) < 60) ::usleep(1000);
            ::usleep(100 * 1000);
            EXPECT_FALSE(HasTemporaryFile(dir.Path())) << "already writing";
        }
        ::kill(pid, c.signal);
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == c.signal) << c.signal << " " << raw;
        fs::remove(dir / "small_BAR_e.mid");  // written before the signal: complete
        EXPECT_EQ(SnapshotOf(dir.Path()), before) << "signal " << c.signal;
    }
}

}  // namespace
