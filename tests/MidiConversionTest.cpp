#include <gtest/gtest.h>

#include <algorithm>

#include "roll/CRollscribeDoc.h"
#include "roll/MidiConversion.h"
#include "support/RollFixture.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

struct RangeCase {
    const char* rollType;
    std::int32_t lowest, highest;
};

TEST(MidiConversion, PlayableRangeFollowsTheLastMatchingWord) {
    const RangeCase cases[] = {
        {"Generic", 21, 108},       {"", 21, 108},
        {"Duo-Art", 25, 104},       {"DUOART", 25, 104},
        {"Ampico B", 23, 105},      {"Welte-Mignon", 24, 103},
        {"duoart ampico", 23, 105}, {"ampico welte", 24, 103},
        {"welte ampico", 24, 103},  {"duo art", 21, 108},
    };
    for (const auto& c : cases) {
        PlayableRange r = PlayableRangeFor(c.rollType);
        EXPECT_EQ(r.lowest, c.lowest) << c.rollType;
        EXPECT_EQ(r.highest, c.highest) << c.rollType;
    }
}

TEST(MidiConversion, TickTimes) {
    const std::pair<std::int32_t, std::uint64_t> cases[] = {{0, 0},
                                                            {1, 0},
                                                            {2, 0},
                                                            {3, 1},
                                                            {5, 2},
                                                            {1200, 480},
                                                            {8947849, 3579139},
                                                            {2147483647, 858993458}};
    for (auto [time, tick] : cases) EXPECT_EQ(TickTimeOf(time), tick) << time;
}

// The body that WriteMidiFile writes for a document whose fields are set by the test, from the
// first byte after the file-type text (the annotation texts, then the events).
class Conversion : public ::testing::Test {
  protected:
    Bytes Convert() {
        doc.m_strDirectory = CString(dir.Path().string() + "/");
        doc.m_strFileTitle = "t";
        doc.WriteMidiFile();
        Bytes file = ReadFile(dir / "t_BAR_e.mid");
        static const std::string marker = "BAR/ANN source";
        auto at = std::search(file.begin(), file.end(), marker.begin(), marker.end());
        EXPECT_NE(at, file.end());
        return Bytes(at + static_cast<std::ptrdiff_t>(marker.size()), file.end() - 4);
    }
    void AddEvent(std::int32_t kind, std::int32_t note, std::int32_t time, const char* text = "") {
        doc.m_events.Add(RollEvent{kind, note, time, CString(text)});
    }
    TempDir dir;
    CRollscribeDoc doc;
};

TEST_F(Conversion, EventsBecomeNotesLyricsAndNoteOffs) {
    AddEvent(1, 21, 0);
    AddEvent(1, 20, 3);  // tick 1, outside the range: velocity 1
    AddEvent(0, 21, 5);  // tick 2
    AddEvent(242, 0, 5, "la");
    AddEvent(240, 0, 1200);  // tick 480
    AddEvent(1, 108, 1200);
    AddEvent(1, 109, 1200);
    EXPECT_EQ(HexOf(Convert()),
              "00 90 15 50 01 90 14 01 01 90 15 00 00 FF 05 02 6C 61 83 5E 90 00 00 "
              "00 90 6C 50 00 90 6D 01");
}

TEST_F(Conversion, SkippedNotesDoNotMoveTheLastTime) {
    AddEvent(1, 60, 1200);
    AddEvent(1, 128, 2400);
    AddEvent(1, 254, 3000);
    AddEvent(0, 60, 3600);
    EXPECT_EQ(HexOf(Convert()), "83 60 90 3C 50 87 40 90 3C 00");
}

// The parser delivers events in time order; a hand-built list that goes back in time still
// gives a file whose times never go back (no negative delta, no wait of 2^64 ticks): the earlier
// event is written at the time already reached, wherever the list goes back.
TEST_F(Conversion, AnEventEarlierThanTheOneBeforeIsWrittenAtTheTimeReached) {
    struct Case {
        std::int32_t times[3];  // a note on, its note off, another note on
        const char* hex;
    } cases[] = {
        {{1200, 600, 2400}, "83 60 90 3C 50 00 90 3C 00 83 60 90 3D 50"},
        {{2400, 1200, 3600}, "87 40 90 3C 50 00 90 3C 00 83 60 90 3D 50"},
    };
    for (const Case& c : cases) {
        doc.m_events.RemoveAll();
        AddEvent(1, 60, c.times[0]);
        AddEvent(0, 60, c.times[1]);
        AddEvent(1, 61, c.times[2]);
        EXPECT_EQ(HexOf(Convert()), c.hex) << c.times[0];
    }
}

TEST_F(Conversion, AnnotationTextsFollowInFirstAppearanceOrder) {
    doc.m_annotations[CString("/title")] = "X";
    doc.m_annotations[CString("/composer")] = "Y";
    doc.m_annotations[CString("")] = "remark";
    EXPECT_EQ(HexOf(Convert()),
              "00 FF 01 09 2F 74 69 74 6C 65 3A 20 58 "
              "00 FF 01 0C 2F 63 6F 6D 70 6F 73 65 72 3A 20 59 "
              "00 FF 01 08 3A 20 72 65 6D 61 72 6B");
}

TEST_F(Conversion, WaitsTooLongForOneDeltaAreCarriedByEmptyTexts) {
    AddEvent(1, 60, 0);
    AddEvent(0, 60, 2147483647);  // tick 858993458 = 3 * 0x0FFFFFFF + 53687093
    EXPECT_EQ(HexOf(Convert()),
              "00 90 3C 50 "
              "FF FF FF 7F FF 01 00 FF FF FF 7F FF 01 00 FF FF FF 7F FF 01 00 "
              "99 CC E6 35 90 3C 00");
}

TEST_F(Conversion, DelayOfExactlyTheLongestDeltaNeedsNoFillerText) {
    AddEvent(1, 60, 0);
    AddEvent(0, 60, 671088638);  // tick 268435455 = 0x0FFFFFFF
    EXPECT_EQ(HexOf(Convert()), "00 90 3C 50 FF FF FF 7F 90 3C 00");
}

TEST_F(Conversion, HeaderTempoAndTextsFromTheDocument) {
    doc.m_tempo = 500;
    doc.m_strTempo = "5";
    doc.m_strRollType = "Duo-Art";
    doc.m_strRollNumber = "7";
    doc.m_strTitle = "T";
    doc.m_strCopyright = "C";
    doc.m_strDirectory = CString(dir.Path().string() + "/");
    doc.m_strFileTitle = "t";
    doc.WriteMidiFile();
    Bytes file = ReadFile(dir / "t_BAR_e.mid");
    Bytes head(file.begin() + 36, file.begin() + 36 + 7 + 5 + 5);
    EXPECT_EQ(HexOf(head), "00 FF 51 03 01 D4 C0 00 FF 03 01 54 00 FF 02 01 43");
    std::string all(file.begin(), file.end());
    EXPECT_NE(all.find("Duo-Art Roll 7 - Tempo =5"), std::string::npos);
    std::string path = dir.Path().string() + "/t_BAR_e.mid";
    EXPECT_EQ(
        doc.m_strInfo,
        CString("Select BAR file to convert.\n ***** Vellum MIDI Output File Created ***** \n" +
                path + "\n ************************************** \n"));
}

}  // namespace
