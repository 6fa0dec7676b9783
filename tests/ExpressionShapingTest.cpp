// The holes as the tracker bar reads them for the expression (HoleShaping.h): one row per rule,
// worked out by hand, positions in thousandths of an inch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expression/HoleShaping.h"
#include "expression/ProfileLocator.h"
#include "support/HandRoll.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

struct H {
    std::int32_t note, start, end;
};

TEST(ExpressionShaping, TrackerBar) {
    struct Row {
        const char* situation;
        TrackerBar bar;  // first note, note bridge, control bridge, aperture, accent lead
        std::vector<H> holes;
        std::vector<std::string> shaped;  // "POSITION NOTE on|off"
    };
    const Row rows[] = {
        {"a chain of note holes within the bridge is one hole, its end extended once",
         {15, 0.06, 0.09, 0.043, 0},
         {{60, 0, 100}, {60, 150, 300}},
         {"0 60 on", "343 60 off"}},
        {"a gap of the bridge's length is bridged",
         {15, 0.06, 0.09, 0.043, 0},
         {{60, 0, 100}, {60, 160, 300}},
         {"0 60 on", "343 60 off"}},
        {"a gap beyond the bridge: two strikes, the first ending at the second at the latest",
         {15, 0.06, 0.09, 0.1, 0},
         {{60, 0, 100}, {60, 170, 300}},
         {"0 60 on", "170 60 off", "170 60 on", "400 60 off"}},
        {"pedal and expression holes bridge by the control bridge",
         {15, 0.06, 0.09, 0.043, 0},
         {{18, 0, 100}, {18, 180, 300}, {60, 0, 100}, {60, 180, 300}},
         {"0 18 on", "0 60 on", "143 60 off", "180 60 on", "343 18 off", "343 60 off"}},
        {"control holes that the aperture makes overlap are one hole",
         {15, 0, 0, 0.043, 0},
         {{18, 0, 100}, {18, 120, 200}},
         {"0 18 on", "243 18 off"}},
        {"a snakebite opens earlier by the accent lead, never before the roll's start",
         {15, 0, 0, 0, 0.05},
         {{109, 30, 100}, {109, 200, 300}, {19, 400, 450}, {18, 400, 450}},
         {"0 109 on", "100 109 off", "150 109 on", "300 109 off", "350 19 on", "400 18 on",
          "450 19 off", "450 18 off"}},
        {"first note 14: the scan's track 0 is note 14, every hole one lower",
         {14, 0, 0, 0, 0},
         {{15, 0, 100}, {61, 0, 100}},
         {"0 14 on", "0 60 on", "100 14 off", "100 60 off"}},
    };
    for (const Row& row : rows) {
        RollProfile profile = LoadProfile("88-note");
        profile.trackerBar = row.bar;
        HandRoll roll("Hand-made", 50);
        for (const H& h : row.holes) roll.Hole(h.note, h.start, h.end);
        const ShapedEvents shaped = ShapeHoles(roll.Doc().m_events, profile, 50);
        std::vector<std::string> got;
        for (std::size_t i = 0; i < shaped.events.size(); ++i) {
            const ShapedEvent& e = shaped.events[i];
            got.push_back(std::to_string(e.time) + " " + std::to_string(e.note) +
                          (e.kind == RollEvent::kTrackOpened ? " on" : " off"));
            EXPECT_LT(e.from, static_cast<std::size_t>(roll.Doc().m_events.GetSize()));
        }
        EXPECT_EQ(got, row.shaped) << row.situation;
    }
}

// Shaped events come in position order, roll order at one position, whether the aperture moves
// each end past a few events (sorted as they come) or past hundreds (a full sort takes over).
TEST(ExpressionShaping, EventsInPositionThenRollOrder) {
    for (double aperture : {0.043, 1.0}) {
        RollProfile profile = LoadProfile("88-note");
        profile.trackerBar = {kStandardFirstNote, 0, 0, aperture, 0};
        HandRoll roll("Hand-made", 50);
        for (std::int32_t k = 0; k < 3000; ++k)
            roll.Hole(21 + k % 40, 30 * k, 30 * k + 20).Hole(61 + k % 40, 30 * k, 30 * k + 25);
        const ShapedEvents shaped = ShapeHoles(roll.Doc().m_events, profile, 50);
        ASSERT_EQ(shaped.events.size(), 12000u) << aperture;
        for (std::size_t i = 1; i < shaped.events.size(); ++i) {
            const ShapedEvent& a = shaped.events[i - 1];
            const ShapedEvent& b = shaped.events[i];
            ASSERT_TRUE(a.time < b.time || (a.time == b.time && a.from < b.from))
                << "aperture " << aperture << ", event " << i;
        }
    }
}

// With the pedals' travel, a pedal hole's opening and closing come that many milliseconds of
// playing later; at tempo 50 and a constant speed the paper moves 1 inch a second (1000
// thousandths), so a millisecond is one position. Other holes stay.
TEST(ExpressionShaping, PedalTravel) {
    struct Row {
        const char* situation;
        PedalTravel travel;  // sustain, soft (ms)
        std::vector<std::string> shaped;
    };
    const Row rows[] = {
        {"no travel: as punched",
         {0, 0},
         {"0 60 on", "100 18 on", "100 113 on", "300 60 off", "400 18 off", "400 113 off"}},
        {"sustain 91 ms",
         {91, 0},
         {"0 60 on", "100 113 on", "191 18 on", "300 60 off", "400 113 off", "491 18 off"}},
        {"soft 47 ms, sustain 91 ms",
         {91, 47},
         {"0 60 on", "147 113 on", "191 18 on", "300 60 off", "447 113 off", "491 18 off"}},
    };
    for (const Row& row : rows) {
        RollProfile profile = LoadProfile("88-note");
        profile.trackerBar = {kStandardFirstNote, 0, 0, 0, 0};
        profile.spoolAcceleration = 0;
        profile.pedalTravel = row.travel;
        HandRoll roll("Hand-made", 50);
        roll.Hole(60, 0, 300).Hole(18, 100, 400).Hole(113, 100, 400);
        std::vector<std::string> got;
        EXPECT_EQ(ShapesHoles(profile), row.travel.sustainMs > 0) << row.situation;
        for (const ShapedEvent& e : ShapeHoles(roll.Doc().m_events, profile, 50).events)
            got.push_back(std::to_string(e.time) + " " + std::to_string(e.note) +
                          (e.kind == RollEvent::kTrackOpened ? " on" : " off"));
        EXPECT_EQ(got, row.shaped) << row.situation;
    }
}

}  // namespace
