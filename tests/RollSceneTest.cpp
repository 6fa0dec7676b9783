#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "expression/Expression.h"
#include "expression/RollProfile.h"
#include "picture/RollScene.h"
#include "roll/MidiConversion.h"
#include "support/HandRoll.h"
#include "support/RollFixture.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

std::vector<std::int32_t> NotesOf(const RollScene& scene) {
    std::vector<std::int32_t> notes;
    for (const SceneLane& lane : scene.Lanes()) notes.push_back(lane.note);
    return notes;
}

std::vector<std::pair<std::int32_t, std::int32_t>> BarsOf(const RollScene& scene,
                                                          std::int32_t note) {
    std::vector<std::pair<std::int32_t, std::int32_t>> bars;
    const int lane = scene.LaneOfNote(note);
    if (lane < 0) return bars;
    for (const HoleBar& bar : scene.Bars(static_cast<std::size_t>(lane)))
        bars.emplace_back(bar.start, bar.end);
    return bars;
}

using Bars = std::vector<std::pair<std::int32_t, std::int32_t>>;

TEST(RollScene, OneLanePerUsedTrackLowestFirstWithItsHoles) {
    HandRoll roll;
    roll.Hole(60, 1000, 1500).Hole(64, 1200, 2000).Hole(60, 1500, 1800).Hole(36, 0, 400);
    RollScene scene(roll.Doc());
    EXPECT_EQ(NotesOf(scene), (std::vector<std::int32_t>{36, 60, 64}));
    EXPECT_EQ(BarsOf(scene, 60), (Bars{{1000, 1500}, {1500, 1800}}));
    EXPECT_EQ(BarsOf(scene, 64), (Bars{{1200, 2000}}));
    EXPECT_EQ(BarsOf(scene, 36), (Bars{{0, 400}}));
    EXPECT_EQ(scene.LaneOfNote(61), -1);
    EXPECT_EQ(scene.LaneOfNote(60), 1);
    EXPECT_EQ(scene.AllBars().size(), 4u);
    EXPECT_EQ(scene.EndTime(), 2000);
    for (const SceneLane& lane : scene.Lanes()) EXPECT_FALSE(lane.openAtEnd) << lane.note;
}

// Laid out as the tracker bar has its holes: a lane for every place from the bar's lowest hole
// to its highest (and to a track the roll uses beyond them), gaps where the bar has no hole; a
// second layout, and the expression's words, follow; a bar numbered from another first note is
// moved onto the scan's tracks.
TEST(RollScene, LanesFollowTheTrackerBarWithGapsWhereItHasNoHole) {
    HandRoll roll;
    roll.Hole(45, 0, 100).Hole(52, 100, 200).Hole(120, 200, 300);
    RollScene scene(roll.Doc());
    ASSERT_EQ(NotesOf(scene), (std::vector<std::int32_t>{45, 52, 120}));
    RollProfile profile;
    profile.lowestNote = 40;
    profile.highestNote = 60;
    profile.holes = {{36, HoleAction::soft, Half::bass, 0, "soft"},
                     {62, HoleAction::sustain, Half::bass, 0, "sustain"}};
    struct Case {
        std::int16_t firstNote;
        std::int32_t low, high;
        std::vector<std::int32_t> gaps;
    };
    for (const Case& c : {Case{17, 34, 120, {35, 36, 37, 59, 61, 62, 63}},
                          Case{15, 36, 120, {37, 38, 39, 61, 63}}}) {
        profile.trackerBar.firstNote = c.firstNote;
        scene.SetTrackerBar(profile);
        const auto& lanes = scene.Lanes();
        ASSERT_EQ(lanes.size(), static_cast<std::size_t>(c.high - c.low + 1)) << c.firstNote;
        std::vector<std::int32_t> gaps;
        for (std::size_t i = 0; i < lanes.size(); ++i) {
            EXPECT_EQ(lanes[i].note, c.low + static_cast<std::int32_t>(i));
            EXPECT_EQ(scene.LaneOfNote(lanes[i].note), static_cast<int>(i));
            if (lanes[i].gap && lanes[i].note < 64) gaps.push_back(lanes[i].note);
        }
        EXPECT_EQ(gaps, c.gaps) << c.firstNote;
        EXPECT_FALSE(lanes[static_cast<std::size_t>(scene.LaneOfNote(120))].gap);
        EXPECT_TRUE(lanes[static_cast<std::size_t>(scene.LaneOfNote(119))].gap);
        EXPECT_EQ(BarsOf(scene, 52), (Bars{{100, 200}}));
        EXPECT_EQ(BarsOf(scene, 53), Bars{});
        EXPECT_EQ(scene.AllBars().size(), 3u);
    }
    // The expression's words for the control holes' lanes, kept through another layout.
    scene.SetExpression(ExpressionResult{}, profile);
    scene.SetTrackerBar(profile);
    const auto& words = scene.Expression()->laneLabels;
    ASSERT_EQ(words.size(), scene.Lanes().size());
    EXPECT_EQ(words[static_cast<std::size_t>(scene.LaneOfNote(36))], "soft");
    EXPECT_EQ(words[static_cast<std::size_t>(scene.LaneOfNote(62))], "sustain");
    EXPECT_EQ(words[static_cast<std::size_t>(scene.LaneOfNote(45))], "");
}

TEST(RollScene, UnclosedHoleRunsToTheTimeOfTheLastEvent) {
    HandRoll roll;
    roll.Hole(60, 0, 100).Open(60, 300).Open(20, 50).Hole(70, 100, 900).Marker(245, 1234);
    RollScene scene(roll.Doc());
    EXPECT_EQ(scene.EndTime(), 1234);
    EXPECT_EQ(BarsOf(scene, 60), (Bars{{0, 100}, {300, 1234}}));
    EXPECT_EQ(BarsOf(scene, 20), (Bars{{50, 1234}}));
    EXPECT_TRUE(scene.Lanes()[static_cast<std::size_t>(scene.LaneOfNote(60))].openAtEnd);
    EXPECT_TRUE(scene.Lanes()[static_cast<std::size_t>(scene.LaneOfNote(20))].openAtEnd);
    EXPECT_FALSE(scene.Lanes()[static_cast<std::size_t>(scene.LaneOfNote(70))].openAtEnd);
}

TEST(RollScene, ParsedRollGivesItsHolesAndMarkers) {
    // Track 5 (note 20) opens at 1000, a lyric "Hi" at 1000, closes at 1500, code 245 at 1502,
    // opens again at 1505 and stays open; the last byte starts a record the file cuts off.
    CRollscribeDoc doc;
    ParseBytes(doc, RollBytes("90 03 05 | 00 F2 48 69 00 | C8 01 05 | 01 F5 | 01 05 | 83"));
    RollScene scene(doc);
    EXPECT_EQ(NotesOf(scene), (std::vector<std::int32_t>{20}));
    EXPECT_EQ(BarsOf(scene, 20), (Bars{{1000, 1500}, {1505, 1505}}));
    EXPECT_FALSE(scene.Lanes()[0].playable);
    EXPECT_TRUE(scene.Lanes()[0].openAtEnd);
    ASSERT_EQ(scene.Markers().size(), 2u);
    EXPECT_EQ(scene.Markers()[0].code, 242);
    EXPECT_EQ(scene.Markers()[0].time, 1000);
    EXPECT_EQ(scene.MarkerText(scene.Markers()[0]), "Hi");
    EXPECT_EQ(scene.Markers()[1].code, 245);
    EXPECT_EQ(scene.Markers()[1].time, 1502);
    EXPECT_EQ(scene.MarkerText(scene.Markers()[1]), "");
}

struct RangeCase {
    const char* rollType;
    std::int32_t note;
    bool playable;
};

TEST(RollScene, LanesInsideTheRollTypesRangeAreNotes) {
    const RangeCase cases[] = {
        {"Generic", 20, false},  {"Generic", 21, true},   {"Generic", 108, true},
        {"Generic", 109, false}, {"Duo-Art", 24, false},  {"Duo-Art", 25, true},
        {"Duo-Art", 104, true},  {"Duo-Art", 105, false}, {"duoart", 25, true},
        {"Ampico", 22, false},   {"Ampico", 23, true},    {"Ampico", 105, true},
        {"Ampico", 106, false},  {"Welte", 23, false},    {"Welte", 24, true},
        {"Welte", 103, true},    {"Welte", 104, false},   {"Generic", 127, false},
        {"Generic", 128, false}, {"Generic", 254, false}, {"Generic", 15, false},
    };
    for (const RangeCase& c : cases) {
        HandRoll roll(c.rollType);
        roll.Hole(c.note, 0, 10);
        RollScene scene(roll.Doc());
        ASSERT_EQ(scene.Lanes().size(), 1u) << c.rollType << " " << c.note;
        EXPECT_EQ(scene.Lanes()[0].playable, c.playable) << c.rollType << " " << c.note;
        EXPECT_EQ(scene.Header().range.lowest, PlayableRangeFor(c.rollType).lowest);
    }
}

TEST(RollScene, NotesAboveTheMidiRangeKeepTheirLanes) {
    HandRoll roll;
    roll.Hole(128, 0, 50).Hole(254, 10, 20).Hole(60, 0, 10);
    RollScene scene(roll.Doc());
    EXPECT_EQ(NotesOf(scene), (std::vector<std::int32_t>{60, 128, 254}));
    EXPECT_EQ(BarsOf(scene, 254), (Bars{{10, 20}}));
}

TEST(RollScene, MarkersKeepTheirCodesTimesAndShowableTexts) {
    HandRoll roll;
    roll.Marker(240, 0, "(c) 1925")
        .Marker(241, 10, "")
        .Marker(242, 20, "\x93Waltz\x94 \xC3\xA9t\xC3\xA9")
        .Marker(243, 30,
                "a\x01"
                "b\tc\x7F")
        .Marker(244, 40, std::string("x\0y", 3))
        .Marker(255, 50, "")
        .Hole(60, 0, 60);
    RollScene scene(roll.Doc());
    const auto markers = scene.Markers();
    ASSERT_EQ(markers.size(), 6u);
    const std::int32_t codes[] = {240, 241, 242, 243, 244, 255};
    const char* texts[] = {"(c) 1925",         "",         "\u201CWaltz\u201D \u00E9t\u00E9",
                           "a\uFFFDb c\uFFFD", "x\uFFFDy", ""};
    for (std::size_t i = 0; i < markers.size(); ++i) {
        EXPECT_EQ(markers[i].code, codes[i]) << i;
        EXPECT_EQ(markers[i].time, static_cast<std::int32_t>(i * 10)) << i;
        EXPECT_EQ(scene.MarkerText(markers[i]), texts[i]) << i;
    }
}

TEST(RollScene, HeaderHasTheRollsTextsAndTheMidiTempo) {
    HandRoll roll("Welte \xE9", 80);
    roll.Doc().m_strTitle = "Caf\xE9 Waltz";
    roll.Doc().m_strTempo = "80";
    RollScene scene(roll.Doc());
    EXPECT_EQ(scene.Header().title, "Caf\u00E9 Waltz");
    EXPECT_EQ(scene.Header().rollType, "Welte \u00E9");
    EXPECT_EQ(scene.Header().tempoText, "80");
    EXPECT_EQ(scene.Header().tempo, 80);
    EXPECT_EQ(scene.Header().microsecondsPerQuarter, 750000);
    EXPECT_EQ(scene.Header().range.lowest, 24);
}

TEST(RollScene, SecondsFollowTheMidiFilesTiming) {
    struct Case {
        std::int32_t tempo, time;
        double seconds;
    };
    // 1200 thousandths are a quarter note of 480 ticks, lasting 60,000,000 / tempo microseconds;
    // positions are rounded down to whole ticks first, as the MIDI file has them.
    const Case cases[] = {{100, 0, 0},       {100, 1200, 0.6}, {100, 2400, 1.2}, {80, 1200, 0.75},
                          {500, 1200, 0.12}, {10, 1200, 6.0},  {100, 2, 0},      {100, 3, 0.00125},
                          {5, 1200, 0.6},    {100, -50, 0}};
    for (const Case& c : cases) {
        HandRoll roll("Generic", c.tempo);
        RollScene scene(roll.Doc());
        EXPECT_DOUBLE_EQ(scene.SecondsAt(c.time), c.seconds) << c.tempo << " " << c.time;
    }
    HandRoll roll("Generic", 100);
    EXPECT_DOUBLE_EQ(RollScene(roll.Doc()).SecondsPerInch(), 0.5);
    EXPECT_DOUBLE_EQ(RollScene::TimeOfTick(480), 1200);
}

TEST(RollScene, AClickedPositionSeeksNoLaterThanANoteStartingThere) {
    // A note at roll position start plays at the tick the conversion gives it; a seek to the
    // position of its start, or to any point before, must land on that tick or earlier.
    for (std::int32_t start : {0, 1, 2, 3, 4, 5, 7, 1198, 1199, 1200, 1201, 123457}) {
        const auto noteTick = static_cast<std::int64_t>(TickTimeOf(start));
        EXPECT_EQ(RollScene::TickOfTime(start), noteTick) << start;
        for (double before : {0.001, 0.25, 0.5, 0.999, 1.0, 2.5}) {
            EXPECT_LE(RollScene::TickOfTime(start - before), noteTick) << start << " " << before;
        }
        // Just past the start it is still the note's tick or later, never an earlier one.
        EXPECT_GE(RollScene::TickOfTime(start + 0.5), noteTick) << start;
        EXPECT_LE(RollScene::TimeOfTick(static_cast<double>(RollScene::TickOfTime(start))), start);
    }
    // Positions no roll has still give a tick at the roll's start or end.
    EXPECT_EQ(RollScene::TickOfTime(-30), 0);
    EXPECT_EQ(RollScene::TickOfTime(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RollScene::TickOfTime(1e300),
              static_cast<std::int64_t>(TickTimeOf(std::numeric_limits<std::int32_t>::max())));
}

TEST(RollScene, OddEventListsStillGiveOrderedBars) {
    // Times going backwards and below 0, a hole opened twice, a close without an open, and
    // kinds and notes that no roll file gives: the lanes stay ordered and nothing is lost.
    HandRoll roll;
    roll.Raw(1, 60, 500)
        .Raw(1, 60, 700)   // opened again: the first hole ends here
        .Raw(0, 60, 600)   // earlier than before: taken as 700
        .Raw(0, 61, 800)   // closes nothing
        .Raw(1, 62, -40)   // before the roll's start: taken as 800
        .Raw(7, 63, 900)   // no such kind
        .Raw(1, 300, 900)  // no such note
        .Raw(1, -1, 900);
    RollScene scene(roll.Doc());
    EXPECT_EQ(NotesOf(scene), (std::vector<std::int32_t>{60, 62}));
    EXPECT_EQ(BarsOf(scene, 60), (Bars{{500, 700}, {700, 700}}));
    EXPECT_EQ(BarsOf(scene, 62), (Bars{{800, 900}}));
    EXPECT_EQ(scene.EndTime(), 900);
}

TEST(RollScene, AnEmptyRollHasNoLanesAndEndsAtZero) {
    HandRoll roll;
    RollScene scene(roll.Doc());
    EXPECT_TRUE(scene.Lanes().empty());
    EXPECT_TRUE(scene.Markers().empty());
    EXPECT_EQ(scene.EndTime(), 0);
    EXPECT_TRUE(RollScene().Lanes().empty());
}

// The window queries against a walk over everything, on random lanes and stretches.
TEST(RollScene, QueriesFindExactlyWhatReachesIntoTheStretch) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        HandRoll roll;
        std::int32_t t = 0;
        const int holes = static_cast<int>(random() % 60);
        for (int i = 0; i < holes; ++i) {
            t += static_cast<std::int32_t>(random() % 50);
            const std::int32_t end = t + static_cast<std::int32_t>(random() % 80);
            roll.Hole(40, t, end);
            if (random() % 3 == 0) roll.Marker(241 + static_cast<int>(random() % 4), t, "m");
            t = end;
        }
        if (random() % 2) roll.Open(40, t + 5);
        RollScene scene(roll.Doc());
        for (int q = 0; q < 50; ++q) {
            const double from = static_cast<double>(random() % 3000) - 100 + 0.5 * (q % 2);
            const double to = from + static_cast<double>(random() % 400);
            std::vector<std::pair<std::int32_t, std::int32_t>> expected, got;
            if (holes > 0 || scene.LaneOfNote(40) >= 0) {
                for (const HoleBar& bar : scene.Bars(0))
                    if (bar.end >= from && bar.start <= to)
                        expected.emplace_back(bar.start, bar.end);
                for (const HoleBar& bar : scene.BarsBetween(0, from, to))
                    got.emplace_back(bar.start, bar.end);
            }
            EXPECT_EQ(got, expected) << from << ".." << to;
            std::size_t markers = 0;
            for (const SceneMarker& m : scene.Markers()) markers += m.time >= from && m.time <= to;
            EXPECT_EQ(scene.MarkersBetween(from, to).size(), markers) << from << ".." << to;
        }
    }
}

}  // namespace
