#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "expression/Expression.h"
#include "expression/RollProfile.h"
#include "picture/SceneTexts.h"
#include "support/HandRoll.h"
#include "ui/RollViewport.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

constexpr double kGutter = RollLayout::kGutterWidth;
constexpr double kMargin = RollLayout::kRightMargin;

// A roll of 100 inches, its holes on three notes.
class Viewport : public ::testing::Test {
  protected:
    void SetUp() override {
        m_roll.Hole(40, 0, 4000)
            .Hole(60, 10000, 12000)
            .Hole(60, 50000, 50500)
            .Hole(80, 99000, 100000);
        m_scene = std::make_unique<RollScene>(m_roll.Doc());
        m_viewport.SetSize(800, 400);
        m_viewport.SetScene(m_scene.get());
    }

    // The roll position at a pixel column.
    double TimeAtColumn(double x) const {
        const RollView& v = m_viewport.View();
        return v.leftTime + (x - kGutter) * 1000.0 / v.pixelsPerInch;
    }

    HandRoll m_roll;
    std::unique_ptr<RollScene> m_scene;
    RollViewport m_viewport;
};

TEST_F(Viewport, StartsWithTheWholeRollInView) {
    EXPECT_TRUE(m_viewport.ShowsWholeRoll());
    EXPECT_FALSE(m_viewport.CanZoomOut());
    EXPECT_TRUE(m_viewport.CanZoomIn());
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, 0);
    // The roll's end, and the margin after it, end at the pane's right edge.
    EXPECT_NEAR(m_viewport.XOfTime(m_scene->EndTime()) + kMargin, 800, 1e-6);
    EXPECT_NEAR(m_viewport.MaxLeftTime(), 0, 1e-6);
    const ScrollBarState bar = m_viewport.HorizontalBar();
    EXPECT_EQ(bar.thumb, bar.range) << "no room to scroll";
    EXPECT_EQ(bar.position, 0);
}

struct ZoomCase {
    const char* name;
    double factor;
    double x;  // a pixel column; outside the lanes for the middle

    friend void PrintTo(const ZoomCase& c, std::ostream* os) { *os << c.name; }
};

class ZoomAbout : public Viewport, public ::testing::WithParamInterface<ZoomCase> {};

// The roll position under the pointer stays under it, at every zoom the bounds allow.
TEST_P(ZoomAbout, ThePointKeepsItsPlace) {
    const ZoomCase& c = GetParam();
    m_viewport.ZoomAt(8, 400);  // away from the whole roll, so that both ways can move
    const bool inside = c.x >= kGutter && c.x <= 800;
    const double column = inside ? c.x : kGutter + (800 - kGutter) / 2;
    const double before = TimeAtColumn(column);
    const double zoom = m_viewport.View().pixelsPerInch;
    m_viewport.ZoomAt(c.factor, c.x);
    EXPECT_NEAR(m_viewport.View().pixelsPerInch, zoom * c.factor, 1e-9);
    EXPECT_NEAR(TimeAtColumn(column), before, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZoomAbout,
                         ::testing::Values(ZoomCase{"in_at_the_middle", 2, 434},
                                           ZoomCase{"in_near_the_left", 1.5, 70},
                                           ZoomCase{"in_at_the_right_edge", 1.3, 800},
                                           ZoomCase{"out_a_little", 0.8, 300},
                                           ZoomCase{"gutter_keeps_the_middle", 2, 10},
                                           ZoomCase{"beyond_the_pane_keeps_the_middle", 2, 5000}),
                         [](const ::testing::TestParamInfo<ZoomCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Viewport, ZoomStaysBetweenTheWholeRollAndTheLargest) {
    const double whole = m_viewport.MinPixelsPerInch();
    m_viewport.ZoomAt(1e12, 300);
    EXPECT_DOUBLE_EQ(m_viewport.View().pixelsPerInch, kMaxPixelsPerInch);
    EXPECT_FALSE(m_viewport.CanZoomIn());
    EXPECT_TRUE(m_viewport.CanZoomOut());
    EXPECT_LE(m_viewport.View().leftTime, m_viewport.MaxLeftTime());
    m_viewport.ZoomAt(1e-12, 300);
    EXPECT_DOUBLE_EQ(m_viewport.View().pixelsPerInch, whole);
    EXPECT_TRUE(m_viewport.ShowsWholeRoll());
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, 0);
    for (double bad : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN()}) {
        m_viewport.ZoomAt(bad, 300);
        EXPECT_DOUBLE_EQ(m_viewport.View().pixelsPerInch, whole) << bad;
    }
}

TEST_F(Viewport, KeysZoomAboutTheMiddleAndBackToTheWholeRoll) {
    const double middle = TimeAtColumn(kGutter + (800 - kGutter) / 2);
    m_viewport.ZoomIn();
    m_viewport.ZoomIn();
    EXPECT_NEAR(m_viewport.View().pixelsPerInch, m_viewport.MinPixelsPerInch() * 2, 1e-9);
    EXPECT_NEAR(TimeAtColumn(kGutter + (800 - kGutter) / 2), middle, 1e-6);
    m_viewport.ZoomOut();
    EXPECT_NEAR(m_viewport.View().pixelsPerInch, m_viewport.MinPixelsPerInch() * std::sqrt(2.0),
                1e-9);
    m_viewport.ZoomToFit();
    EXPECT_TRUE(m_viewport.ShowsWholeRoll());
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, 0);
}

TEST_F(Viewport, ScrollingStopsAtTheRollsEnds) {
    m_viewport.ZoomAt(10, 400);
    m_viewport.ScrollToTime(-500);
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, 0);
    m_viewport.ScrollToTime(1e15);
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, m_viewport.MaxLeftTime());
    // At the last position the roll's end and its margin end at the right edge.
    EXPECT_NEAR(m_viewport.XOfTime(m_scene->EndTime()) + kMargin, 800, 1e-6);
    m_viewport.ScrollToTime(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, m_viewport.MaxLeftTime());
    m_viewport.ScrollBy(-100, 0);
    EXPECT_NEAR(m_viewport.XOfTime(m_scene->EndTime()) + kMargin, 900, 1e-6);
}

TEST_F(Viewport, AWiderPaneKeepsTheWholeRollOrTheZoom) {
    m_viewport.SetSize(1200, 400);
    EXPECT_TRUE(m_viewport.ShowsWholeRoll());
    EXPECT_NEAR(m_viewport.XOfTime(m_scene->EndTime()) + kMargin, 1200, 1e-6);

    m_viewport.ZoomAt(4, 600);
    const double zoom = m_viewport.View().pixelsPerInch;
    m_viewport.SetSize(1000, 400);
    EXPECT_DOUBLE_EQ(m_viewport.View().pixelsPerInch, zoom);
    EXPECT_FALSE(m_viewport.ShowsWholeRoll());
    // A pane so wide that the zoom no longer shows less than the whole roll shows it whole.
    m_viewport.SetSize(5000, 400);
    EXPECT_TRUE(m_viewport.ShowsWholeRoll());
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, 0);
}

TEST_F(Viewport, ScrollBarFollowsTheViewAndMovesIt) {
    m_viewport.ZoomAt(10, 400);
    const ScrollBarState bar = m_viewport.HorizontalBar();
    EXPECT_EQ(bar.thumb, 800 - kGutter);
    EXPECT_GT(bar.range, bar.thumb);
    m_viewport.SetHorizontalPosition(200);
    EXPECT_EQ(m_viewport.HorizontalBar().position, 200);
    EXPECT_NEAR(m_viewport.View().leftTime, 200 * 1000 / m_viewport.View().pixelsPerInch, 1e-6);
    m_viewport.SetHorizontalPosition(bar.range);
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, m_viewport.MaxLeftTime());
    EXPECT_EQ(m_viewport.HorizontalBar().position, bar.range - bar.thumb);
    m_viewport.SetHorizontalPosition(-7);
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, 0);
}

// A roll two million inches long at the largest zoom is 8e9 pixels wide: the bar counts in
// units of several pixels, and its ends still reach the roll's ends.
TEST(ViewportOfALongRoll, ScrollBarUnitsStayWithinAnInt) {
    HandRoll roll;
    roll.Hole(60, 0, 10).Hole(60, 2'000'000'000, 2'000'000'010);
    RollScene scene(roll.Doc());
    RollViewport viewport;
    viewport.SetSize(1000, 300);
    viewport.SetScene(&scene);
    viewport.ZoomAt(1e12, 500);
    ASSERT_DOUBLE_EQ(viewport.View().pixelsPerInch, kMaxPixelsPerInch);
    const ScrollBarState bar = viewport.HorizontalBar();
    EXPECT_GT(bar.range, bar.thumb);
    EXPECT_LE(bar.range, 1 << 30);
    EXPECT_GE(bar.thumb, 1);
    viewport.SetHorizontalPosition(bar.range - bar.thumb);
    EXPECT_DOUBLE_EQ(viewport.View().leftTime, viewport.MaxLeftTime());
    viewport.SetHorizontalPosition((bar.range - bar.thumb) / 2);
    const double unitTime = (8e9 / (1 << 30)) * 1000 / kMaxPixelsPerInch;
    EXPECT_NEAR(viewport.View().leftTime, viewport.MaxLeftTime() / 2, 2 * unitTime);
    EXPECT_NEAR(viewport.HorizontalBar().position, (bar.range - bar.thumb) / 2, 1);
}

TEST(ViewportLanes, FillThePaneWithinReadableHeights) {
    struct Case {
        int lanes;
        double height;
        double laneHeight;
        bool scrolls;
    };
    const double lanesTop =
        RollLayout::kHeaderHeight + RollLayout::kScaleHeight + RollLayout::kMarkerStripHeight;
    const double room = lanesTop + RollLayout::kBottomMargin;
    for (const Case& c :
         {Case{3, 400, RollViewport::kMaxLaneHeight, false}, Case{20, room + 20 * 9.5, 9, false},
          Case{20, room + 20 * 8, 8, false}, Case{80, 300, RollViewport::kMinLaneHeight, true}}) {
        HandRoll roll;
        for (int lane = 0; lane < c.lanes; ++lane) roll.Hole(20 + lane, 0, 100);
        RollScene scene(roll.Doc());
        RollViewport viewport;
        viewport.SetSize(800, c.height);
        viewport.SetScene(&scene);
        EXPECT_DOUBLE_EQ(viewport.View().laneHeight, c.laneHeight) << c.lanes;
        EXPECT_EQ(viewport.MaxScrollY() > 0, c.scrolls) << c.lanes;
        if (!c.scrolls) continue;
        // The last lane and the margin below it end at the bottom edge.
        const double lanes = c.lanes * c.laneHeight + RollLayout::kBottomMargin;
        EXPECT_DOUBLE_EQ(viewport.MaxScrollY(), lanes - (c.height - lanesTop));
        viewport.ScrollToY(1e9);
        EXPECT_DOUBLE_EQ(viewport.View().scrollY, viewport.MaxScrollY());
        const ScrollBarState bar = viewport.VerticalBar();
        EXPECT_EQ(bar.position, bar.range - bar.thumb);
        viewport.SetVerticalPosition(0);
        EXPECT_DOUBLE_EQ(viewport.View().scrollY, 0);
    }
}

// A pane short of room gives the bands above the lanes less, the level plot first, then the
// header, then marker rows, until eight lanes show; a tall pane shows all of them full size.
TEST(ViewportLanes, TheBandsAboveGiveWaySoThatEightLanesShow) {
    HandRoll roll;
    for (int lane = 0; lane < 60; ++lane) roll.Hole(30 + lane, 0, 100);
    RollScene plain(roll.Doc());
    RollScene expressive(roll.Doc());
    expressive.SetExpression(ExpressionResult{}, RollProfile{});
    struct Case {
        const RollScene* scene;
        double height;
        bool header;
        double plot;  // the level plot's height; 0: any
        int markerRows;
    };
    const double full = RollLayout::kLevelPlotHeight;
    for (const Case& c : {
             Case{&expressive, 2000, true, full, 3},
             Case{&expressive, 320, true, 0, 3},
             Case{&expressive, 250, false, 0, 3},
             Case{&expressive, 180, false, RollLayout::kLeastLevelPlotHeight, 1},
             Case{&plain, 250, true, full, 3},
             Case{&plain, 180, false, full, 3},
             Case{&plain, 120, false, full, 1},
         }) {
        RollViewport viewport;
        viewport.SetSize(800, c.height);
        viewport.SetScene(c.scene);
        const RollView& view = viewport.View();
        const RollLayout layout(*c.scene, view);
        EXPECT_EQ(view.header, c.header) << c.height;
        if (c.plot > 0) {
            EXPECT_EQ(layout.LevelPlotHeight(), c.plot) << c.height;
        }
        EXPECT_EQ(layout.MarkerRows(), c.markerRows) << c.height;
        EXPECT_GE((c.height - layout.LanesTop()) / view.laneHeight, 8) << c.height;
        if (c.height > 1000) continue;  // all lanes show
        // The lanes scroll by the wheel's and the bar's steps, and what they show moves.
        viewport.ScrollBy(0, 30);
        EXPECT_GT(view.scrollY, 0) << c.height;
        EXPECT_GT(layout.LaneAt(layout.LanesTop()),
                  RollLayout(*c.scene, view).LaneAt(layout.LanesTop()))
            << c.height;
    }
}

TEST_F(Viewport, FollowingJumpsOnlyWhenThePositionLeavesTheView) {
    m_viewport.ZoomAt(10, kGutter);
    const double visible = m_viewport.VisibleTime();
    EXPECT_FALSE(m_viewport.Follow(visible / 2));
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, 0);
    // Past the right edge: the position comes in a tenth of the lanes from the left.
    const double later = visible * 1.5;
    EXPECT_TRUE(m_viewport.Follow(later));
    EXPECT_NEAR(m_viewport.XOfTime(later),
                kGutter + RollViewport::kFollowLead * m_viewport.LanesWidth(), 1e-6);
    // Before the left edge (a new start): back.
    EXPECT_TRUE(m_viewport.Follow(0));
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, 0);
    // Near the roll's end the view stops at the end.
    EXPECT_TRUE(m_viewport.Follow(m_scene->EndTime()));
    EXPECT_DOUBLE_EQ(m_viewport.View().leftTime, m_viewport.MaxLeftTime());
    EXPECT_FALSE(m_viewport.Follow(std::numeric_limits<double>::infinity()));
}

TEST_F(Viewport, TheHoleUnderThePointerAndTheTimeUnderAClick) {
    const RollLayout layout(*m_scene, m_viewport.View());
    const int lane = m_scene->LaneOfNote(60);
    ASSERT_GE(lane, 0);
    const double y = layout.LaneTop(lane) + m_viewport.View().laneHeight / 2;
    const double x = layout.XOfTime(11000);
    EXPECT_EQ(m_viewport.StatusTextAt(x, y), DescribeHole(*m_scene, lane, HoleBar{10000, 12000}));
    // Elsewhere on the roll, the time and the lane; none beside it or past its end.
    EXPECT_EQ(m_viewport.StatusTextAt(layout.XOfTime(30000), y),
              DescribePlace(*m_scene, 30000, static_cast<std::size_t>(lane)));
    EXPECT_EQ(m_viewport.StatusTextAt(layout.XOfTime(30000), layout.ScaleTop() + 5),
              DescribePlace(*m_scene, 30000, std::nullopt));
    EXPECT_EQ(m_viewport.StatusTextAt(10, y), std::nullopt) << "the lane labels";
    EXPECT_EQ(m_viewport.StatusTextAt(layout.XOfTime(30000), layout.ScaleTop() - 1), std::nullopt)
        << "the header";
    EXPECT_EQ(m_viewport.StatusTextAt(layout.XOfTime(m_scene->EndTime()) + 3, y), std::nullopt);

    EXPECT_NEAR(m_viewport.TimeAt(x, y).value_or(-1), 11000, 1e-6);
    EXPECT_NEAR(m_viewport.TimeAt(x, layout.ScaleTop()).value_or(-1), 11000, 1e-6);
    EXPECT_EQ(m_viewport.TimeAt(x, layout.ScaleTop() - 1), std::nullopt) << "the header";
    EXPECT_EQ(m_viewport.TimeAt(kGutter - 1, y), std::nullopt);
    EXPECT_EQ(m_viewport.TimeAt(800, y), std::nullopt);
    EXPECT_EQ(m_viewport.TimeAt(kGutter, 400), std::nullopt);
    // The margin after the roll's end gives the end.
    EXPECT_DOUBLE_EQ(m_viewport.TimeAt(799, y).value_or(-1), m_scene->EndTime());
}

// In the marker strip, the status bar names the marker whose text or mark is under the pointer,
// its whole text; at a mark, first the text of a marker that found no row.
TEST(ViewportMarkers, TheTextUnderThePointerIsNamed) {
    HandRoll roll;
    roll.Hole(60, 0, 100000)
        .Marker(242, 0, "first")
        .Marker(242, 0, "second")
        .Marker(242, 0, "third")
        .Marker(242, 0, "fourth, in no row")
        .Marker(251, 50000);
    RollScene scene(roll.Doc());
    RollViewport viewport;
    viewport.SetSize(800, 400);
    viewport.SetScene(&scene);
    const RollLayout layout(scene, viewport.View());
    const auto markers = scene.Markers();
    const double start = layout.XOfTime(0);
    auto rowMiddle = [&](int row) { return layout.MarkerRowTop(row) + 6; };
    struct Case {
        double x, y;
        std::optional<std::size_t> marker;
    } cases[] = {
        {start + 10, rowMiddle(0), 0},
        {start + 10, rowMiddle(1), 1},
        {start + 10, rowMiddle(2), 2},
        {start + 0.5, layout.LanesTop() - 2, 3},  // the mark: the text not shown
        {start + 200, rowMiddle(0), std::nullopt},
        {start + 10, layout.LanesTop() - 2, std::nullopt},  // under the lowest row
        {std::floor(layout.XOfTime(50000)) + 1, rowMiddle(1), 4},
        {start + 10, layout.MarkerStripTop() - 1, std::nullopt},  // the scale
    };
    // Where no marker is, the time there.
    for (const Case& c : cases) {
        EXPECT_EQ(viewport.StatusTextAt(c.x, c.y),
                  c.marker ? DescribeMarker(scene, markers[*c.marker])
                           : DescribePlace(scene, layout.TimeOfX(c.x), std::nullopt))
            << c.x << "," << c.y;
    }
    EXPECT_EQ(DescribeMarker(scene, markers[3]), "Lyric at 0.000 in, 0:00.000: fourth, in no row");
    EXPECT_FALSE(viewport.MarkerTexts().Of(3));
}

// Over the expression strip: the levels over the level plot, a pedal over its row.
TEST(ViewportExpression, TheStripTellsTheLevelsAndThePedalsUnderThePointer) {
    HandRoll roll;
    roll.Hole(60, 0, 20000);
    RollScene scene(roll.Doc());
    ExpressionResult result;
    result.levels = {std::vector<LevelPoint>{{0, 50}}, std::vector<LevelPoint>{{0, 90}}};
    result.pedals = {{Pedal::soft, 5000, 9000, 0, 0}};
    scene.SetExpression(result, RollProfile{});
    RollViewport viewport;
    viewport.SetSize(800, 500);
    viewport.SetScene(&scene);
    const RollLayout layout(scene, viewport.View());
    const double x = layout.XOfTime(6000);
    const double time = layout.TimeOfX(x);
    const std::pair<double, std::string> cases[] = {
        {layout.LevelY(64), DescribeLevels(scene, time)},
        {layout.PedalRowTop(0) + 5, DescribePedal(scene, 0, time)},
        {layout.PedalRowTop(1) + 5, DescribePedal(scene, 1, time)},
        {layout.ExpressionTop() + 2, DescribePlace(scene, time, std::nullopt)},
    };
    for (const auto& [y, expected] : cases) EXPECT_EQ(viewport.StatusTextAt(x, y), expected) << y;
    EXPECT_NE(DescribePedal(scene, 1, time).find(" down "), std::string::npos);
}

// Taller and shorter lanes step through the chosen heights, within their bounds, and stay chosen
// whatever the pane's size; Lanes to Fit (0) fits them again.
TEST_F(Viewport, LanesGrowTallerAndShorterByStepsAndFitAgain) {
    const double fitted = m_viewport.View().laneHeight;
    EXPECT_EQ(m_viewport.LaneHeightChoice(), 0);
    EXPECT_TRUE(m_viewport.TallerLanes());
    const double taller = m_viewport.View().laneHeight;
    EXPECT_GT(taller, fitted);
    EXPECT_EQ(m_viewport.LaneHeightChoice(), taller);
    m_viewport.SetSize(800, 200);
    EXPECT_EQ(m_viewport.View().laneHeight, taller) << "a chosen height stays";
    while (m_viewport.TallerLanes()) {
    }
    EXPECT_EQ(m_viewport.View().laneHeight, RollViewport::kMostChosenLane);
    EXPECT_FALSE(m_viewport.CanMakeLanesTaller());
    EXPECT_TRUE(m_viewport.ShorterLanes());
    EXPECT_LT(m_viewport.View().laneHeight, RollViewport::kMostChosenLane);
    while (m_viewport.ShorterLanes()) {
    }
    EXPECT_EQ(m_viewport.View().laneHeight, RollViewport::kLeastChosenLane);
    EXPECT_LE(m_viewport.View().scrollY, m_viewport.MaxScrollY());
    for (const double wrong : {0.0, -3.0, 1.0, 33.0, std::nan("")}) {
        m_viewport.SetLaneHeightChoice(wrong);
        EXPECT_EQ(m_viewport.LaneHeightChoice(), 0) << wrong;
    }
    m_viewport.SetSize(800, 400);
    EXPECT_EQ(m_viewport.View().laneHeight, fitted);
}

TEST(ViewportWithoutARoll, AsksNothingOfTheScene) {
    RollViewport viewport;
    viewport.SetSize(800, 300);
    viewport.ZoomIn();
    viewport.ScrollBy(100, 100);
    EXPECT_FALSE(viewport.CanZoomIn());
    EXPECT_FALSE(viewport.CanZoomOut());
    EXPECT_EQ(viewport.HorizontalBar(), ScrollBarState{});
    EXPECT_EQ(viewport.VerticalBar(), ScrollBarState{});
    EXPECT_FALSE(viewport.Follow(100));
    EXPECT_EQ(viewport.StatusTextAt(100, 200), std::nullopt);
    EXPECT_EQ(viewport.TimeAt(100, 200), std::nullopt);
    // A roll without holes has no lanes to fit.
    HandRoll empty;
    RollScene scene(empty.Doc());
    viewport.SetScene(&scene);
    EXPECT_DOUBLE_EQ(viewport.MaxScrollY(), 0);
    EXPECT_TRUE(viewport.ShowsWholeRoll());
}

}  // namespace
