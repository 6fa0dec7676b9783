#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "picture/RollLayout.h"
#include "support/HandRoll.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

RollView ViewOf(double width, double height, double leftTime, double pixelsPerInch,
                double laneHeight = 10, double scrollY = 0) {
    RollView view;
    view.width = width;
    view.height = height;
    view.leftTime = leftTime;
    view.pixelsPerInch = pixelsPerInch;
    view.laneHeight = laneHeight;
    view.scrollY = scrollY;
    return view;
}

TEST(RollLayout, TimesAndColumnsMapBothWays) {
    HandRoll roll;
    roll.Hole(60, 0, 10000);
    RollScene scene(roll.Doc());
    const RollLayout layout(scene, ViewOf(1280, 600, 2500, 40));
    EXPECT_DOUBLE_EQ(layout.XOfTime(2500), RollLayout::kGutterWidth);
    EXPECT_DOUBLE_EQ(layout.XOfTime(3500), RollLayout::kGutterWidth + 40);
    for (double x : {0.0, 68.0, 100.5, 1279.0})
        EXPECT_NEAR(layout.XOfTime(layout.TimeOfX(x)), x, 1e-9);
}

TEST(RollLayout, HighestLaneOnTopAndLanesFoundByHeight) {
    HandRoll roll;
    roll.Hole(30, 0, 10).Hole(60, 0, 10).Hole(90, 0, 10);
    RollScene scene(roll.Doc());
    const RollLayout layout(scene, ViewOf(800, 400, 0, 40, 12));
    const double top = layout.LanesTop();
    EXPECT_DOUBLE_EQ(layout.LaneTop(2), top);       // note 90
    EXPECT_DOUBLE_EQ(layout.LaneTop(0), top + 24);  // note 30
    EXPECT_EQ(layout.LaneAt(top - 1), -1);
    EXPECT_EQ(layout.LaneAt(top), 2);
    EXPECT_EQ(layout.LaneAt(top + 11.9), 2);
    EXPECT_EQ(layout.LaneAt(top + 12), 1);
    EXPECT_EQ(layout.LaneAt(top + 35.9), 0);
    EXPECT_EQ(layout.LaneAt(top + 36), -1);
    EXPECT_DOUBLE_EQ(layout.LanesBottom(), top + 36);
    // Scrolled up by a lane: the middle lane is on top.
    const RollLayout scrolled(scene, ViewOf(800, 400, 0, 40, 12, 12));
    EXPECT_EQ(scrolled.LaneAt(top), 1);
    EXPECT_DOUBLE_EQ(scrolled.LaneTop(2), top - 12);
}

TEST(RollLayout, HoleUnderThePointer) {
    HandRoll roll;
    roll.Hole(60, 1000, 2000).Hole(60, 2010, 2011).Hole(62, 0, 500);
    RollScene scene(roll.Doc());
    const RollLayout layout(scene, ViewOf(1280, 400, 0, 100));  // 0.1 px a thousandth
    const double y60 = layout.LaneTop(0) + 5;
    const double y62 = layout.LaneTop(1) + 5;
    auto at = [&](double time, double y) { return layout.HoleAt(layout.XOfTime(time), y); };
    ASSERT_TRUE(at(1500, y60));
    EXPECT_EQ(at(1500, y60)->bar.start, 1000);
    EXPECT_EQ(at(1500, y60)->lane, 0u);
    ASSERT_TRUE(at(2010.5, y60));  // a hole narrower than a pixel is still found
    EXPECT_EQ(at(2010.5, y60)->bar.start, 2010);
    EXPECT_FALSE(at(1500, y62));
    EXPECT_FALSE(at(3000, y60));
    ASSERT_TRUE(at(100, y62));
    EXPECT_EQ(at(100, y62)->bar.end, 500);
    EXPECT_FALSE(layout.HoleAt(10, y62)) << "the gutter";
    EXPECT_FALSE(at(100, 5)) << "the header";
}

TEST(RollLayout, WholeRollPicturesStayWithinWhatAnImageHolds) {
    struct Case {
        std::int32_t end;
        std::size_t lanes;
        double pixelsPerInch, laneHeight;
        double width;  // expected, 0: capped
        double pixelsPerInchUsed;
    };
    const Case cases[] = {
        {100000, 3, 40, 10, 68 + 4000 + 24, 40},  // 100 inches: 4000 pixels, gutter and margin
        {1000, 3, 40, 10, RollLayout::kMinPictureWidth, 40},  // short rolls get the header's room
        {100000000, 3, 40, 10, 0, 0},                         // 100,000 inches: scaled down
        {900000, 3, 40, 10, 0, 0},     // 900 inches: 36,092 pixels, just too wide
        {2000000, 240, 40, 64, 0, 0},  // tall and long: the pixel budget
    };
    for (const Case& c : cases) {
        HandRoll roll;
        for (std::size_t i = 0; i < c.lanes; ++i)
            roll.Hole(15 + static_cast<std::int32_t>(i), 0, c.end);
        RollScene scene(roll.Doc());
        const RollView view = WholeRollView(scene, {c.pixelsPerInch, c.laneHeight});
        EXPECT_LE(view.width, kMaxPictureSide) << c.end;
        EXPECT_LE(view.height, kMaxPictureSide) << c.end;
        EXPECT_LE(view.width * view.height, kMaxPicturePixels) << c.end;
        EXPECT_DOUBLE_EQ(view.height, std::ceil(RollLayout::ContentHeight(scene, c.laneHeight)));
        EXPECT_EQ(view.leftTime, 0);
        if (c.width > 0) {
            EXPECT_DOUBLE_EQ(view.width, c.width) << c.end;
            EXPECT_DOUBLE_EQ(view.pixelsPerInch, c.pixelsPerInchUsed) << c.end;
        } else {
            // Scaled so that the whole roll just fits.
            EXPECT_LT(view.pixelsPerInch, c.pixelsPerInch) << c.end;
            EXPECT_LE(RollLayout::ContentWidth(scene, view.pixelsPerInch), view.width + 1e-6);
            EXPECT_GT(RollLayout::ContentWidth(scene, view.pixelsPerInch), view.width - 2);
        }
    }
}

TEST(RollLayout, PictureOptionsAreChecked) {
    HandRoll roll;
    RollScene scene(roll.Doc());
    const PictureOptions bad[] = {{0, 10},    {-1, 10}, {std::nan(""), 10},
                                  {5000, 10}, {40, 0},  {40, std::nan("")}};
    for (const PictureOptions& o : bad)
        EXPECT_THROW(WholeRollView(scene, o), std::invalid_argument) << o.pixelsPerInch;
    EXPECT_DOUBLE_EQ(WholeRollView(scene, {40, 500}).laneHeight, 64);
}

TEST(RollLayout, FitZoomShowsTheWholeRoll) {
    HandRoll roll;
    roll.Hole(60, 0, 50000);
    RollScene scene(roll.Doc());
    const double ppi = RollLayout::FitPixelsPerInch(scene, 1280);
    EXPECT_NEAR(RollLayout::ContentWidth(scene, ppi), 1280, 1e-6);
    HandRoll tiny;
    tiny.Hole(60, 0, 1);
    EXPECT_LE(RollLayout::FitPixelsPerInch(RollScene(tiny.Doc()), 1280), kMaxPixelsPerInch);
}

}  // namespace
