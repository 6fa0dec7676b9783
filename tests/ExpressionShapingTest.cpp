// The holes as the tracker bar reads them for the expression (HoleShaping.h): one row per rule,
// worked out by hand, positions in thousandths of an inch.
#include <gtest/gtest.h>

#include <algorithm>
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

// The stream that follows the MIDI file's pass hands on what ShapeHoles gives, in its order,
// whatever the blocks it is given: random rolls as the parser makes them (each track opening and
// closing in turn, positions never going back), under tracker bars that bridge, extend, bring
// forward and delay holes by little and by much.
TEST(ExpressionShaping, StreamMatchesTheWholeRoll) {
    struct Row {
        const char* profile;
        TrackerBar bar;
        PedalTravel travel;
    };
    const Row rows[] = {
        {"88-note", {15, 0.05, 0.05, 0.043, 0.05}, {0, 0}},
        {"88-note", {14, 0.06, 0.09, 0.1, 0.2}, {91, 47}},
        {"welte-red", {15, 0.06, 0.09, 0.043, 0.05}, {91, 47}},
        {"welte-red", {15, 0, 0, 1.0, 0}, {0, 0}},
        {"duo-art", {16, 0.2, 0.3, 0, 0.3}, {200, 0}},
        {"ampico-b", {15, 0, 0, 0, 0}, {0, 0}},  // shapes nothing: the roll as punched
    };
    std::uint32_t seed = 12345;
    auto random = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    for (const Row& row : rows) {
        RollProfile profile = LoadProfile(row.profile);
        profile.trackerBar = row.bar;
        profile.pedalTravel = row.travel;
        for (int roll = 0; roll < 4; ++roll) {
            HandRoll hand("Hand-made", 60 + 20 * roll);
            bool open[256] = {};
            std::int32_t time = 0;
            for (int k = 0; k < 3000; ++k) {
                time += random(4) == 0 ? 0 : static_cast<std::int32_t>(random(40 + 40 * roll));
                if (random(50) == 0) {
                    hand.Raw(RollEvent::kLyric, 0, time, "la");
                    continue;
                }
                // A third control holes (14 to 21), the rest few notes and the treble end's holes
                // (some above 127), so that a track's holes meet often.
                const std::int32_t note =
                    random(3) == 0
                        ? static_cast<std::int32_t>(14 + random(8))
                        : static_cast<std::int32_t>(random(2) ? 60 + random(6) : 100 + random(30));
                open[note] = !open[note];
                hand.Raw(open[note] ? RollEvent::kTrackOpened : RollEvent::kTrackClosed, note,
                         time);
            }
            const CRollscribeDoc& doc = hand.Doc();
            const std::size_t count = static_cast<std::size_t>(doc.m_events.GetSize());
            ASSERT_TRUE(InRollOrder(doc.m_events));
            const ShapedEvents whole = ShapesHoles(profile)
                                           ? ShapeHoles(doc.m_events, profile, doc.m_tempo)
                                           : AsPunched(doc.m_events);
            for (std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
                HoleStream stream(profile, doc.m_tempo);
                std::vector<std::string> got, want;
                auto take = [&got](std::span<const ShapedEvent> ready) {
                    for (const ShapedEvent& e : ready)
                        got.push_back(std::to_string(e.time) + " " + std::to_string(e.from) + " " +
                                      std::to_string(e.note) + " " + std::to_string(e.kind));
                };
                for (std::size_t done = 0; done < count;) {
                    done = std::min(count, done + block);
                    ASSERT_TRUE(stream.Add(doc.m_events.begin(), done));
                    take(stream.Ready());
                }
                stream.End();
                take(stream.Ready());
                for (const ShapedEvent& e : whole.events)
                    want.push_back(std::to_string(e.time) + " " + std::to_string(e.from) + " " +
                                   std::to_string(e.note) + " " + std::to_string(e.kind));
                ASSERT_EQ(got, want)
                    << row.profile << " " << row.bar.firstNote << " aperture " << row.bar.aperture
                    << ", roll " << roll << ", blocks of " << block;
            }
        }
    }
}

// A roll whose positions go back (no roll read from a file makes one) is not streamed.
TEST(ExpressionShaping, StreamRefusesARollOutOfOrder) {
    const RollProfile profile = LoadProfile("88-note");
    for (std::int32_t second : {-1, 99}) {
        HandRoll hand("Hand-made", 50);
        hand.Raw(RollEvent::kTrackOpened, 60, 100).Raw(RollEvent::kTrackClosed, 60, second);
        HoleStream stream(profile, 50);
        EXPECT_FALSE(stream.Add(hand.Doc().m_events.begin(), 2)) << second;
        EXPECT_FALSE(InRollOrder(hand.Doc().m_events)) << second;
    }
}
