#include <gtest/gtest.h>

#include "roll/RollEventArray.h"

namespace {

TEST(RollEventArray, FirstAddTakesOneSlotThenGrowsByTheStep) {
    RollEventArray events;
    events.SetSize(0, 16000);
    EXPECT_EQ(events.GetCapacity(), 0);
    events.Add(RollEvent{1, 20, 0, {}});
    EXPECT_EQ(events.GetCapacity(), 1);
    events.Add(RollEvent{0, 20, 5, {}});
    EXPECT_EQ(events.GetCapacity(), 16001);
    for (int i = 2; i < 16002; ++i) events.Add(RollEvent{1, i % 100, i, {}});
    EXPECT_EQ(events.GetSize(), 16002);
    EXPECT_EQ(events.GetCapacity(), 32001);
    EXPECT_EQ(events[16001].time, 16001);
    EXPECT_EQ(events.ElementAt(1).time, 5);
}

TEST(RollEventArray, StepZeroGrowsByAnEighthWithinFourAnd1024) {
    RollEventArray events;
    events.SetSize(0, 0);
    events.Add(RollEvent{});
    events.Add(RollEvent{});
    EXPECT_EQ(events.GetCapacity(), 5);  // 1 + at least 4
    while (events.GetSize() < 100) events.Add(RollEvent{});
    std::int32_t before = events.GetCapacity();
    while (events.GetSize() < before + 1) events.Add(RollEvent{});
    EXPECT_EQ(events.GetCapacity(), before + before / 8);
}

// Planned for its events, the array grows in place; unplanned or beyond its plan it moves them,
// texts and all.
TEST(RollEventArray, EventsKeepTheirTextsAcrossGrowthAndStayPutWithinThePlan) {
    for (std::size_t plan : {std::size_t{100001}, std::size_t{0}, std::size_t{20000}}) {
        RollEventArray events;
        events.SetSize(0, 16000);
        events.PlanFor(plan);
        events.Add(RollEvent{242, 0, 7, CString("lyric")});
        const RollEvent* first = &events[0];
        for (int i = 0; i < 100000; ++i) {
            events.Add(
                RollEvent{i % 5000 == 0 ? 241 : 1, 20, i, CString(i % 5000 == 0 ? "t" : "")});
        }
        if (plan >= 100001) {
            EXPECT_EQ(&events[0], first);
        }
        EXPECT_EQ(events[0].text, "lyric") << plan;
        EXPECT_EQ(events[50001].text, "t") << plan;
        EXPECT_EQ(events[100000].time, 99999) << plan;
        EXPECT_EQ(events.GetSize(), 100001);
    }
}

TEST(RollEventArray, RemoveAllReleasesStorageAndKeepsTheStep) {
    RollEventArray events;
    events.SetSize(0, 16000);
    for (int i = 0; i < 10; ++i) events.Add(RollEvent{240, 0, i, CString("text")});
    events.RemoveAll();
    EXPECT_EQ(events.GetSize(), 0);
    EXPECT_EQ(events.GetCapacity(), 0);
    EXPECT_EQ(events.GetGrowBy(), 16000);
    events.Add(RollEvent{});
    EXPECT_EQ(events.GetCapacity(), 1);
}

TEST(RollEventArray, AddCopiesTheEvent) {
    RollEventArray events;
    events.SetSize(0, 16000);
    RollEvent source{241, 0, 3, CString("abc")};
    EXPECT_EQ(events.Add(source), 0);
    source.text += "d";
    EXPECT_EQ(events[0].text, "abc");
}

}  // namespace
