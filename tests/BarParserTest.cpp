#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/CException.h"
#include "roll/BarParser.h"
#include "roll/CRollscribeDoc.h"
#include "support/RollFixture.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

struct Ev {
    std::int32_t kind, note, time;
    std::string text;
    bool operator==(const Ev&) const = default;
};

void PrintTo(const Ev& e, std::ostream* os) {
    *os << "(" << e.kind << ", " << e.note << ", " << e.time << ", \"" << e.text << "\")";
}

std::vector<Ev> EventsOf(const CRollscribeDoc& doc) {
    std::vector<Ev> out;
    for (const RollEvent& e : doc.m_events)
        out.push_back({e.kind, e.note, e.time, e.text.ToStdString()});
    return out;
}

std::vector<Ev> Parse(std::string_view recordsHex, CRollscribeDoc& doc) {
    ParseBytes(doc, RollBytes(recordsHex));
    return EventsOf(doc);
}

TEST(BarParser, WorkedExampleCarriesTheFractionOfThePosition) {
    CRollscribeDoc doc;
    auto events = Parse("90 03 05 | 00 F2 48 69 00 | C8 01 05 | 01 F5 | 01 05 | 83", doc);
    std::vector<Ev> expected = {{1, 20, 1000, ""},
                                {242, 0, 1000, "Hi"},
                                {0, 20, 1500, ""},
                                {245, 0, 1502, ""},
                                {1, 20, 1505, ""}};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(doc.m_strInfo, "Select BAR file to convert.\nHi");
    EXPECT_EQ(doc.m_stepsPerInch, 400);
}

TEST(BarParser, HeaderOnlyGivesNoEventsButCorrectsTempo) {
    CRollscribeDoc doc;
    doc.m_tempo = 9;
    EXPECT_TRUE(Parse("", doc).empty());
    EXPECT_EQ(doc.m_tempo, 100);
    EXPECT_EQ(doc.m_stepsPerInch, 400);
    EXPECT_EQ(doc.m_strInfo, "Select BAR file to convert.");
}

TEST(BarParser, ShorterThanHeaderThrowsEndOfFile) {
    for (const char* hex : {"", "01", "01 02"}) {
        CRollscribeDoc doc;
        try {
            ParseBytes(doc, Hex(hex));
            FAIL() << "no exception for " << hex;
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
            EXPECT_NE(e.Path().find("r.bar"), std::string::npos);
        }
    }
}

struct TempoCase {
    std::int32_t tempo, sampleRate, correctedTempo, stepsPerInch;
};

TEST(BarParser, TempoIsClampedAndStepsPerInchComputed) {
    const TempoCase cases[] = {
        {9, 800, 100, 400},
        {10, 800, 10, 4000},
        {500, 800, 500, 80},
        {501, 800, 100, 400},
        {-5, 800, 100, 400},
        {70, 800, 70, 571},
        {100, 1, 100, 100},
        {100, 0, 100, 100},
        {100, -800, 100, 100},
        {80, 300, 80, 187},
        {500, 10, 500, 1},  // exactly one step per inch stays
        {std::numeric_limits<std::int32_t>::min(), 800, 100, 400},
        {10, std::numeric_limits<std::int32_t>::max(), 10,
         std::numeric_limits<std::int32_t>::max()},
    };
    for (const auto& c : cases) {
        CRollscribeDoc doc;
        doc.m_tempo = c.tempo;
        doc.m_sampleRate = c.sampleRate;
        Parse("", doc);
        EXPECT_EQ(doc.m_tempo, c.correctedTempo) << c.tempo << "/" << c.sampleRate;
        EXPECT_EQ(doc.m_stepsPerInch, c.stepsPerInch) << c.tempo << "/" << c.sampleRate;
    }
}

TEST(BarParser, TracksMapToNotesAndToggleIndependently) {
    CRollscribeDoc doc;
    auto events = Parse("00 00 | 00 EF | 00 00 | 00 01 | 00 00 | 00 70", doc);
    std::vector<Ev> expected = {{1, 15, 0, ""}, {1, 254, 0, ""}, {0, 15, 0, ""},
                                {1, 16, 0, ""}, {1, 15, 0, ""},  {1, 127, 0, ""}};
    EXPECT_EQ(events, expected);
}

struct DeltaCase {
    const char* name;
    const char* recordsHex;
    std::int32_t time;  // of the one event, at 400 steps per inch (2.5 thousandths a step)
};

TEST(BarParser, DeltaBytesWeighUpToTheFifthAndNothingAfter) {
    const DeltaCase cases[] = {
        {"one byte", "04 10", 10},
        {"two bytes", "90 03 10", 1000},
        {"sixth byte weighs 0", "81 80 80 80 80 05 10", 2},
        {"fifth byte weighs 2^28", "80 80 80 80 01 10", 671088640},
        {"eleven bytes", "81 80 80 80 80 FF FF FF FF FF 7F 10", 2},
        {"twenty bytes", "83 80 80 80 80 FF FF FF FF FF FF FF FF FF FF FF FF FF FF 7F 10", 7},
        {"zero delta", "00 10", 0},
    };
    for (const auto& c : cases) {
        CRollscribeDoc doc;
        auto events = Parse(c.recordsHex, doc);
        ASSERT_EQ(events.size(), 1u) << c.name;
        EXPECT_EQ(events[0].time, c.time) << c.name;
    }
}

TEST(BarParser, PositionsBeyondTheTimeRangeSaturate) {
    CRollscribeDoc doc;
    doc.m_sampleRate = 2;  // 10 steps per inch: 100 thousandths a step
    doc.m_tempo = 10;
    // Each delta of 7F 7F 7F 7F 7F is about 3.4e10 steps.
    auto events = Parse("FF FF FF FF 7F 10 | FF FF FF FF 7F 10", doc);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].time, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(events[1].time, std::numeric_limits<std::int32_t>::max());
}

TEST(BarParser, ControlCodesWithAndWithoutText) {
    CRollscribeDoc doc;
    auto events =
        Parse("00 F1 00 | 00 F0 41 00 | 00 F0 42 00 | 00 F5 | 00 FF | 00 F4 E9 FF 00 | 00 10", doc);
    std::vector<Ev> expected = {{241, 0, 0, ""}, {240, 0, 0, "A"}, {240, 0, 0, "B"},
                                {245, 0, 0, ""}, {255, 0, 0, ""},  {244, 0, 0, "\xE9\xFF"},
                                {1, 31, 0, ""}};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(doc.m_strCopyright, "B");
    EXPECT_EQ(doc.m_strInfo, "Select BAR file to convert.\n\nA\nB\n\xE9\xFF");
}

TEST(BarParser, CodesWithoutPayloadLetTheNextByteStartADelta) {
    for (int code = 245; code <= 255; ++code) {
        CRollscribeDoc doc;
        char hex[32];
        std::snprintf(hex, sizeof hex, "00 %02X 04 10", code);
        auto events = Parse(hex, doc);
        std::vector<Ev> expected = {{code, 0, 0, ""}, {1, 31, 10, ""}};
        EXPECT_EQ(events, expected) << code;
    }
}

TEST(BarParser, CutOffRecordsYieldNothingAndCutOffTextsEndTheRecord) {
    CRollscribeDoc doc;
    EXPECT_TRUE(Parse("83", doc).empty());
    CRollscribeDoc doc2;
    EXPECT_TRUE(Parse("83 01", doc2).empty());
    CRollscribeDoc doc3;
    auto events = Parse("00 F2 61 62", doc3);
    std::vector<Ev> expected = {{242, 0, 0, "ab"}};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(doc3.m_strInfo, "Select BAR file to convert.\nab");
}

TEST(BarParser, TrackLeftOnHasNoClosingEvent) {
    CRollscribeDoc doc;
    EXPECT_EQ(Parse("00 05", doc).size(), 1u);
}

TEST(BarParser, HelpersAtTheirBounds) {
    EXPECT_EQ(EventTimeOf(2147483647.9), 2147483647);
    EXPECT_EQ(EventTimeOf(2147483648.0), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(EventTimeOf(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(EventTimeOf(1504.999), 1504);
}

}  // namespace

namespace {

// Records of every kind, texts and long deltas among them, placed so that codes, texts and
// deltas fall on every position relative to the archive's buffer boundaries.
Bytes MixedRoll() {
    Bytes bytes = RollBytes("");
    for (int i = 0; i < 400; ++i) {
        switch (i % 7) {
            case 0:
                bytes.insert(bytes.end(), {0x05, static_cast<std::uint8_t>(i % 240)});
                break;
            case 1:
                bytes.insert(bytes.end(), {0x85, 0x83, 0x01, 0x30});
                break;
            case 2: {
                Bytes text = {0x00, static_cast<std::uint8_t>(240 + i % 5)};
                for (int k = 0; k < i % 23; ++k) text.push_back(static_cast<std::uint8_t>('a' + k));
                text.push_back(0x00);
                bytes.insert(bytes.end(), text.begin(), text.end());
                break;
            }
            case 3:
                bytes.insert(bytes.end(), {0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05, 0x41});
                break;
            case 4:
                bytes.insert(bytes.end(), {0x00, static_cast<std::uint8_t>(245 + i % 11)});
                break;
            default:
                bytes.insert(bytes.end(), {static_cast<std::uint8_t>(i % 128), 0x41});
                break;
        }
    }
    bytes.insert(bytes.end(), {0x10, 0xF1, 'e', 'n', 'd'});  // a text cut off by the end
    return bytes;
}

TEST(BarParser, ResultDoesNotDependOnTheArchiveBuffer) {
    Bytes bytes = MixedRoll();
    CRollscribeDoc reference;
    ParseBytes(reference, bytes);
    ASSERT_EQ(reference.m_events.GetSize(), 401);
    TempDir dir;
    WriteFile(dir / "r.bar", bytes);
    for (std::size_t bufferSize : {16, 17, 18, 19, 23, 31, 64, 1000}) {
        CRollscribeDoc doc;
        CFile file;
        file.OpenOrThrow(CString((dir / "r.bar").string()));
        CArchive ar(&file, CArchive::load, bufferSize);
        doc.ParseBarFile(ar);
        EXPECT_EQ(EventsOf(doc), EventsOf(reference)) << "buffer of " << bufferSize;
        EXPECT_EQ(doc.m_strInfo, reference.m_strInfo) << "buffer of " << bufferSize;
        EXPECT_EQ(doc.m_strCopyright, reference.m_strCopyright);
    }
}

}  // namespace
