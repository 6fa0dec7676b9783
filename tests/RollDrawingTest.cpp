#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "expression/RollProfile.h"
#include "picture/CairoCanvas.h"
#include "picture/FontCaches.h"
#include "picture/LevelCurvePoints.h"
#include "picture/PictureFiles.h"
#include "picture/RollDrawing.h"
#include "picture/RollPalette.h"
#include "support/HandRoll.h"
#include "support/RecordingCanvas.h"
#include "support/SvgReading.h"
#include "support/TestFiles.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

// The font caches go at the end of the run, so that the leak checker sees only what is ours.
class FontCacheRelease : public ::testing::Environment {
  public:
    void TearDown() override { ReleaseFontCaches(); }
};
const ::testing::Environment* const kFontCacheRelease =
    ::testing::AddGlobalTestEnvironment(new FontCacheRelease);

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

Surface NewSurface(const RollView& view, std::uint32_t fill) {
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(view.width),
                                               static_cast<int>(view.height)));
    cairo_t* cr = cairo_create(surface.get());
    cairo_set_source_rgb(cr, Colour{fill}.Red(), Colour{fill}.Green(), Colour{fill}.Blue());
    cairo_paint(cr);
    cairo_destroy(cr);
    return surface;
}

void Paint(cairo_surface_t* surface, const RollScene& scene, const RollView& view, double x,
           double y, double w, double h) {
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    {
        CairoCanvas canvas(cr, view.width, view.height);
        DrawRoll(canvas, scene, view);
    }
    EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
}

void DrawCursorOn(cairo_surface_t* surface, const RollScene& scene, const RollView& view,
                  double time) {
    cairo_t* cr = cairo_create(surface);
    {
        CairoCanvas canvas(cr, view.width, view.height);
        DrawCursor(canvas, scene, view, time);
    }
    cairo_destroy(cr);
}

std::uint32_t Pixel(cairo_surface_t* surface, double x, double y) {
    EXPECT_TRUE(x >= 0 && x < cairo_image_surface_get_width(surface)) << x;
    EXPECT_TRUE(y >= 0 && y < cairo_image_surface_get_height(surface)) << y;
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
        y >= cairo_image_surface_get_height(surface))
        return 0xFFFFFFFF;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<int>(y) * stride);
    return row[static_cast<int>(x)] & 0xFFFFFF;
}

// A roll with a bit of everything: notes, holes outside the range, an unclosed hole, markers.
HandRoll SampleRoll() {
    HandRoll roll("Ampico", 100);
    roll.Hole(60, 1000, 3000)
        .Hole(60, 3500, 3600)
        .Hole(64, 0, 8000)
        .Hole(21, 2000, 4000)  // below the Ampico range
        .Hole(140, 500, 900)   // above the MIDI range
        .Open(18, 6000)
        .Marker(240, 0, "(c) 1925")
        .Marker(242, 4000, "la la")
        .Marker(250, 9000)
        .Hole(72, 7000, 10000);
    return roll;
}

// The expression of the sample roll, made by hand: the control holes' words (one of them with
// what XML must escape), a pedal of each kind down (the sustain twice, in two times that
// overlap), a bass level with a step and a treble level that goes past the scale.
void ShowExpression(RollScene& scene) {
    RollProfile profile;
    profile.lowestNote = 23;
    profile.highestNote = 105;
    profile.holes = {{18, HoleAction::sustainOn, Half::bass, 0, "sustain on"},
                     {21, HoleAction::crescendo, Half::bass, 0, "bass cresc."},
                     {140, HoleAction::none, Half::bass, 0, "treble p < f & mf"},
                     {60, HoleAction::soft, Half::bass, 0, "struck"}};
    ExpressionResult result;
    result.profileName = "hand-made";
    result.pedals = {{Pedal::soft, 2500, 6000, 0, 0},
                     {Pedal::sustain, 1000, 3000, 0, 0},
                     {Pedal::sustain, 2000, 3500, 0, 0},
                     {Pedal::sustain, 7000, 9000, 0, 0}};
    result.levels[0] = {{0, 30}, {4000, 30}, {4000, 90}, {10000, 60}};
    result.levels[1] = {{0, 50}, {6000, 200}, {10000, 200}};
    scene.SetExpression(result, profile);
}

RollView SampleView(const RollScene& scene) {
    RollView view = WholeRollView(scene, {40, 10});
    return view;
}

TEST(RollDrawing, HolesInTheirLanesAndColours) {
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    const RollView view = SampleView(scene);
    Surface surface = NewSurface(view, 0xFF00FF);
    Paint(surface.get(), scene, view, 0, 0, view.width, view.height);
    const RollLayout layout(scene, view);
    auto at = [&](std::int32_t note, double time) {
        const auto lane = static_cast<std::size_t>(scene.LaneOfNote(note));
        return Pixel(surface.get(), layout.XOfTime(time), layout.LaneTop(lane) + 5);
    };
    EXPECT_EQ(at(60, 2000), palette::kNote.rgb);
    EXPECT_EQ(at(60, 3550), palette::kNote.rgb);
    EXPECT_EQ(at(60, 3300), palette::kWhiteKeyLane.rgb) << "between two holes";
    EXPECT_EQ(at(64, 7990), palette::kNote.rgb);
    EXPECT_EQ(at(21, 3000), palette::kMutedHole.rgb);
    EXPECT_EQ(at(21, 5000), palette::kMutedLane.rgb);
    EXPECT_EQ(at(140, 700), palette::kMutedHole.rgb);
    EXPECT_EQ(at(18, 9990), palette::kMutedHole.rgb) << "the unclosed hole runs to the end";
    EXPECT_EQ(at(18, 5900), palette::kMutedLane.rgb);
    EXPECT_EQ(at(72, 9990), palette::kNote.rgb);
    // Past the roll's end: paper, no lanes.
    EXPECT_EQ(at(72, 10500), palette::kPaper.rgb);
    // Nothing of the surface is left unpainted.
    for (double x = 0; x < view.width; x += 7) {
        for (double y = 0; y < view.height; y += 3)
            ASSERT_NE(Pixel(surface.get(), x, y), 0xFF00FFu) << x << "," << y;
    }
}

// Fails the test unless paints of a view's tiles give what one paint of it gives, at some zooms.
void ExpectPiecesMakeTheWhole(const RollScene& scene);

TEST(RollDrawing, PaintingInPiecesGivesThePictureOfOnePaint) {
    HandRoll roll = SampleRoll();
    RollScene plain(roll.Doc());
    RollScene expression(roll.Doc());
    ShowExpression(expression);
    for (const RollScene* scene : {&plain, &expression}) ExpectPiecesMakeTheWhole(*scene);
}

// The largest difference of two pixels in a colour channel.
int ChannelDifference(std::uint32_t a, std::uint32_t b) {
    int most = 0;
    for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                       static_cast<int>((b >> shift) & 0xFF)));
    return most;
}

void ExpectPiecesMakeTheWhole(const RollScene& scene) {
    // Cairo cuts a sloping line's outline at the clip's edges, in steps of 1/256 of a pixel, so
    // that the smoothing of the level curves' edges may change by a few per cent from one cut to
    // another; a part drawn or left out in a piece changes a pixel by far more.
    const int tolerance = scene.Expression() ? 24 : 0;
    struct Zoom {
        double pixelsPerInch, leftTime, laneHeight, scrollY, labelRepeat;
    };
    for (const Zoom& zoom :
         {Zoom{40, 0, 10, 0, 0}, Zoom{7.5, -300, 6, 0, 0}, Zoom{300, 2900, 14, 20, 0},
          Zoom{0.9, 0, 3, 0, 0}, Zoom{150, 0, 10, 0, 170}}) {
        RollView view;
        view.width = 600;
        view.height = scene.Expression() ? 380 : 260;
        view.pixelsPerInch = zoom.pixelsPerInch;
        view.leftTime = zoom.leftTime;
        view.laneHeight = zoom.laneHeight;
        view.scrollY = zoom.scrollY;
        view.labelRepeat = zoom.labelRepeat;
        Surface whole = NewSurface(view, 0);
        Paint(whole.get(), scene, view, 0, 0, view.width, view.height);
        Surface pieces = NewSurface(view, 0);
        // Strips and tiles of odd sizes, as a window's exposed parts come.
        for (double x = 0; x < view.width; x += 97) {
            for (double y = 0; y < view.height; y += 61)
                Paint(pieces.get(), scene, view, x, y, 97, 61);
        }
        int differing = 0;
        for (int y = 0; y < static_cast<int>(view.height); ++y) {
            for (int x = 0; x < static_cast<int>(view.width); ++x)
                differing += ChannelDifference(Pixel(whole.get(), x, y),
                                               Pixel(pieces.get(), x, y)) > tolerance;
        }
        EXPECT_EQ(differing, 0) << "zoom " << zoom.pixelsPerInch
                                << (scene.Expression() ? " with expression" : "");
    }
}

TEST(RollDrawing, DrawsNothingOutsideTheClip) {
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    const RollView view = SampleView(scene);
    Surface surface = NewSurface(view, 0xFF00FF);
    Paint(surface.get(), scene, view, 100, 60, 50, 40);
    EXPECT_NE(Pixel(surface.get(), 120, 80), 0xFF00FFu);
    for (auto [x, y] : {std::pair{99.0, 80.0},
                        {150.0, 80.0},
                        {120.0, 59.0},
                        {120.0, 100.0},
                        {5.0, 5.0},
                        {400.0, 160.0}})
        EXPECT_EQ(Pixel(surface.get(), x, y), 0xFF00FFu) << x << "," << y;
}

TEST(RollDrawing, CursorAtTheGivenPosition) {
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    const RollView view = SampleView(scene);
    Surface surface = NewSurface(view, 0);
    Paint(surface.get(), scene, view, 0, 0, view.width, view.height);
    DrawCursorOn(surface.get(), scene, view, 5000);
    cairo_surface_flush(surface.get());
    const RollLayout layout(scene, view);
    const double x = layout.XOfTime(5000);
    EXPECT_EQ(Pixel(surface.get(), x, view.height - 3), palette::kCursor.rgb);
    EXPECT_EQ(Pixel(surface.get(), x, layout.ScaleTop() + 20), palette::kCursor.rgb);
    EXPECT_NE(Pixel(surface.get(), x + 10, view.height - 3), palette::kCursor.rgb);
    EXPECT_NE(Pixel(surface.get(), x, 10), palette::kCursor.rgb) << "not over the header";
}

TEST(RollDrawing, TheCursorStaysWithinItsReach) {
    // What a window repaints around the cursor, and how near the edge it counts as shown, come
    // from its reach: nothing of it may be drawn outside.
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    const RollView view = SampleView(scene);
    const RollLayout layout(scene, view);
    for (double time : {5000.0, 5000.4, 7321.9}) {
        Surface before = NewSurface(view, 0);
        Paint(before.get(), scene, view, 0, 0, view.width, view.height);
        Surface after = NewSurface(view, 0);
        Paint(after.get(), scene, view, 0, 0, view.width, view.height);
        DrawCursorOn(after.get(), scene, view, time);
        cairo_surface_flush(after.get());
        const int column = static_cast<int>(std::floor(layout.XOfTime(time)));
        int first = INT_MAX, last = INT_MIN;
        for (int y = 0; y < static_cast<int>(view.height); ++y) {
            for (int x = 0; x < static_cast<int>(view.width); ++x) {
                if (Pixel(before.get(), x, y) == Pixel(after.get(), x, y)) continue;
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
        EXPECT_EQ(first, column - kCursorReachLeft) << time;
        EXPECT_LE(last, column + kCursorReachRight) << time;
        EXPECT_GE(last, column + kCursorReachRight - 1) << time;
    }
}

TEST(RollDrawing, FarZoomedOutViewOfManyHolesShowsThemAsRuns) {
    // 200,000 short holes a thousandth apart in a lane, seen 1000 to a pixel column.
    HandRoll roll;
    for (std::int32_t i = 0; i < 200000; ++i) roll.Hole(60, i * 10, i * 10 + 5);
    RollScene scene(roll.Doc());
    RollView view;
    view.width = 400;
    view.height = 200;
    view.pixelsPerInch = RollLayout::FitPixelsPerInch(scene, view.width);
    Surface surface = NewSurface(view, 0);
    Paint(surface.get(), scene, view, 0, 0, view.width, view.height);
    const RollLayout layout(scene, view);
    const double y = layout.LaneTop(0) + 5;
    for (double x = RollLayout::kGutterWidth + 1; x < view.width - RollLayout::kRightMargin - 1;
         ++x)
        ASSERT_EQ(Pixel(surface.get(), x, y), palette::kNote.rgb) << x;
}

TEST(RollDrawing, BadViewsDrawNothing) {
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    RollView view = SampleView(scene);
    for (double ppi : {0.0, -4.0, std::nan(""), HUGE_VAL}) {
        view.pixelsPerInch = ppi;
        Surface surface = NewSurface(view, 0xFF00FF);
        Paint(surface.get(), scene, view, 0, 0, view.width, view.height);
        EXPECT_EQ(Pixel(surface.get(), 300, 100), 0xFF00FFu) << ppi;
    }
}

// What the scene's view draws through the Cairo canvas, as the recording canvas writes it down.
std::vector<std::string> CairoShapes(const RollScene& scene, const RollView& view) {
    Surface surface = NewSurface(view, 0);
    cairo_t* cr = cairo_create(surface.get());
    std::vector<std::string> shapes;
    {
        CairoCanvas canvas(cr, view.width, view.height);
        RecordingCanvas recording(canvas);
        DrawRoll(recording, scene, view);
        shapes = recording.Shapes();
    }
    cairo_destroy(cr);
    return shapes;
}

// The SVG file shows what the window, PNG and PDF show: drawn through the Cairo canvas and
// written as SVG, one scene gives the same rectangles, lines and texts at the same places, in
// the same order, with its expression and without. Holes, markers and pedal bands stand apart
// here, so that the Cairo canvas's runs of pixel columns are single ones too.
TEST(RollDrawing, CairoAndSvgCanvasesDrawTheSame) {
    HandRoll roll = SampleRoll();
    roll.Doc().m_strTitle = "Night & Day <live>";
    roll.Marker(242, 4001, "same column").Marker(242, 6000, "A & B <x>");
    RollScene plain(roll.Doc());
    RollScene expression(roll.Doc());
    ShowExpression(expression);
    // All lanes labelled and no legend; only the C's labelled, with the legend.
    for (const PictureOptions& options : {PictureOptions{40, 10}, PictureOptions{100, 6}}) {
        for (const RollScene* scene : {&plain, &expression}) {
            SCOPED_TRACE(options.pixelsPerInch);
            SCOPED_TRACE(scene->Expression() ? "with expression" : "plain");
            const RollView view = WholeRollView(*scene, options);
            const std::vector<std::string> cairo = CairoShapes(*scene, view);
            TempDir dir;
            WriteSvg(*scene, CString((dir / "roll.svg").string()), options);
            EXPECT_EQ(SvgShapes(dir / "roll.svg"), cairo);
            EXPECT_GT(cairo.size(), 100u);
            // A line across the lanes for each of the four marked columns, two markers in one.
            EXPECT_EQ(std::count_if(cairo.begin(), cairo.end(),
                                    [](const std::string& s) { return s.ends_with(" 0.50"); }),
                      4);
        }
    }
}

std::string Num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The expression's parts where the layout puts them: the pedals' bands in their rows, the
// levels through their points (a step as two, a level past the scale at its top), the control
// holes' words in their lanes (not a note's, whatever the profile says of it), the velocity
// scale and the halves named in the gutter, the profile in the header.
TEST(RollDrawing, ExpressionPartsWhereTheLayoutPutsThem) {
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    ShowExpression(scene);
    const RollView view = WholeRollView(scene, {40, 10});
    const RollLayout layout(scene, view);
    const std::vector<std::string> shapes = CairoShapes(scene, view);
    auto x = [&](double time) { return Num(layout.XOfTime(time)); };
    auto y = [&](double velocity) { return Num(layout.LevelY(velocity)); };
    auto baseline = [&](std::int32_t note) {
        const double top = layout.LaneTop(static_cast<std::size_t>(scene.LaneOfNote(note)));
        return Num(std::round(top + 5 + 9 * 0.36));
    };
    const double sustain = layout.PedalRowTop(0), soft = layout.PedalRowTop(1);
    const std::string expected[] = {
        "rect " + x(1000) + " " + Num(sustain) + " 100.00 10.00 #C8902E 1.00",
        "rect " + x(7000) + " " + Num(sustain) + " 80.00 10.00 #C8902E 1.00",
        "rect " + x(2500) + " " + Num(soft) + " 140.00 10.00 #7B93AE 1.00",
        "polyline " + x(0) + "," + y(30) + " " + x(4000) + "," + y(30) + " " + x(4000) + "," +
            y(90) + " " + x(10000) + "," + y(60) + " #C2561A 2.20",
        "polyline " + x(0) + "," + y(50) + " " + x(6000) + "," + y(127) + " " + x(10000) + "," +
            y(127) + " #17808F 1.20",
        "text 71.00 " + baseline(18) + " 9.00 normal #6B4A1F sustain on",
        "text 71.00 " + baseline(21) + " 9.00 normal #6B4A1F bass cresc.",
        "text 71.00 " + baseline(140) + " 9.00 normal #6B4A1F treble p < f & mf",
        "text 6.00 " + Num(layout.LevelY(127) + 32) + " 9.00 normal #C2561A bass",
        "text 6.00 " + Num(layout.LevelY(127) + 44) + " 9.00 normal #17808F treble",
    };
    for (const std::string& shape : expected)
        EXPECT_NE(std::find(shapes.begin(), shapes.end(), shape), shapes.end()) << shape;
    for (const char* absent : {" struck"})
        EXPECT_EQ(std::count_if(shapes.begin(), shapes.end(),
                                [&](const std::string& s) { return s.ends_with(absent); }),
                  0);
    for (const char* velocity : {" 127", " 96", " 64", " 32", " 1"})
        EXPECT_EQ(std::count_if(shapes.begin(), shapes.end(),
                                [&](const std::string& s) {
                                    return s.starts_with("text ") && s.ends_with(velocity) &&
                                           s.find(" #3F4650") != std::string::npos;
                                }),
                  1)
            << velocity;
    EXPECT_NE(
        std::find_if(shapes.begin(), shapes.end(),
                     [](const std::string& s) { return s.ends_with("expression hand-made"); }),
        shapes.end());
    // Seen in the picture: a band where a pedal is down, the row's ground where it is up, the
    // bass line along its step.
    Surface surface = NewSurface(view, 0xFF00FF);
    Paint(surface.get(), scene, view, 0, 0, view.width, view.height);
    EXPECT_EQ(Pixel(surface.get(), layout.XOfTime(2000), sustain + 5), palette::kSustainPedal.rgb);
    EXPECT_EQ(Pixel(surface.get(), layout.XOfTime(5000), sustain + 5), palette::kPedalRow.rgb);
    EXPECT_EQ(Pixel(surface.get(), layout.XOfTime(3000), soft + 5), palette::kSoftPedal.rgb);
    EXPECT_EQ(Pixel(surface.get(), layout.XOfTime(4000), layout.LevelY(60)),
              palette::kBassLevel.rgb);
    // The strip lies between the scale and the marker strip, and moves the lanes down by its
    // height.
    const RollScene plain(roll.Doc());
    const RollLayout plainLayout(plain, WholeRollView(plain, {40, 10}));
    EXPECT_EQ(layout.ExpressionTop(), plainLayout.MarkerStripTop());
    EXPECT_EQ(layout.LanesTop(), plainLayout.LanesTop() + RollLayout::kExpressionHeight);
    EXPECT_EQ(view.height, WholeRollView(plain, {40, 10}).height + RollLayout::kExpressionHeight);
}

// A curve of far more points than the roll has pixel columns is drawn without smoothing.
TEST(RollDrawing, LevelCurvesOfManyMorePointsThanColumnsAreNotSmoothed) {
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    RollProfile profile;
    ExpressionResult result;
    for (int i = 0; i <= 10000; ++i) result.levels[1].push_back({i * 1.0, 40.0 + i % 3});
    result.levels[0] = {{0, 30}, {10000, 60}};
    scene.SetExpression(result, profile);
    const std::vector<std::string> shapes = CairoShapes(scene, WholeRollView(scene, {40, 10}));
    std::vector<std::string> ends;
    for (const std::string& s : shapes)
        if (s.starts_with("polyline ")) ends.push_back(s.substr(s.find(" #")));
    EXPECT_EQ(ends, (std::vector<std::string>{" #C2561A 2.20", " #17808F 1.20 crisp"}));
}

// A level curve of many points is drawn with what its pixel columns can show: in a column of
// many its lowest and highest point, of a held level only the ends.
TEST(RollDrawing, LevelCurvesKeepWhatTheColumnsShow) {
    HandRoll roll;
    roll.Hole(60, 0, 100000);
    RollScene scene(roll.Doc());
    RollView view;
    view.width = 400;
    view.height = 300;
    view.pixelsPerInch = 10;  // 100 thousandths a column
    const RollLayout layout(scene, view);
    struct Case {
        const char* curve;
        std::vector<LevelPoint> points;
        std::size_t most;  // points drawn
    };
    std::vector<LevelPoint> zigzag, flat;
    for (int i = 0; i <= 100000; ++i) {
        zigzag.push_back({i * 1.0, i % 7 == 3 ? 127.0 : 1.0 + i % 5});
        flat.push_back({i * 1.0, 40});
    }
    const Case cases[] = {
        {"zigzag", zigzag, 2 * (300 + 4) + 2},
        {"flat", flat, 2},
    };
    for (const Case& c : cases) {
        std::vector<Point> out;
        LevelCurvePoints(c.points, layout, 100, 400, out);
        EXPECT_LE(out.size(), c.most) << c.curve;
        EXPECT_GE(out.size(), 2u) << c.curve;
        // The line reaches past both ends of the area, and every column's extremes are kept.
        EXPECT_LT(out.front().x, 100) << c.curve;
        EXPECT_GT(out.back().x, 400) << c.curve;
        for (const Point& p : out)
            EXPECT_TRUE(p.y >= layout.LevelY(127) && p.y <= layout.LevelY(1));
        if (c.curve == std::string("zigzag")) {
            for (double column : {100.0, 250.0, 399.0}) {
                double top = 1e9, bottom = -1e9;
                for (const Point& p : out)
                    if (std::floor(p.x) == column) {
                        top = std::min(top, p.y);
                        bottom = std::max(bottom, p.y);
                    }
                EXPECT_EQ(top, layout.LevelY(127)) << column;
                EXPECT_EQ(bottom, layout.LevelY(1)) << column;
            }
        }
    }
}

// The canvas draws each text in its font, also after a clip has been lifted (which brings back
// the context's font of before).
TEST(CairoCanvas, TextsAfterAClipKeepTheirFont) {
    RollView view;
    view.width = 200;
    view.height = 40;
    const TextFont bold{15, true};
    Surface clipped = NewSurface(view, 0xFFFFFF);
    Surface plain = NewSurface(view, 0xFFFFFF);
    for (cairo_surface_t* surface : {clipped.get(), plain.get()}) {
        cairo_t* cr = cairo_create(surface);
        {
            CairoCanvas canvas(cr, view.width, view.height);
            if (surface == clipped.get()) canvas.PushClip({100, 0, 200, 40});
            canvas.Text(110, 30, "Wg", bold, palette::kTitle);
            if (surface == clipped.get()) canvas.PopClip();
            canvas.Text(10, 30, "Wg", bold, palette::kTitle);
        }
        cairo_destroy(cr);
        cairo_surface_flush(surface);
    }
    int differing = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            differing += Pixel(clipped.get(), x, y) != Pixel(plain.get(), x, y);
    EXPECT_EQ(differing, 0);
}

// A picture file repeats the lane labels about every screen width along the lanes, up to shortly
// before the roll's end; a window has them in its gutter only.
// The gutter labels every lane from 8 pixels up; lower lanes every second, third or sixth note
// from the C's, and only the C's at the lowest; a gap of the tracker bar never.
TEST(RollDrawing, LowerLanesLabelEveryFewNotesAndGapsNone) {
    HandRoll roll;
    for (std::int32_t note = 40; note <= 80; ++note)
        if (note != 60) roll.Hole(note, 0, 1000);
    RollScene scene(roll.Doc());
    RollProfile bar;  // a tracker bar without a hole for note 60
    bar.lowestNote = 40;
    bar.highestNote = 59;
    for (std::int32_t note = 61; note <= 80; ++note)
        bar.holes.push_back({note, HoleAction::none, Half::bass, 0, "x"});
    scene.SetTrackerBar(bar);
    ASSERT_TRUE(scene.Lanes()[static_cast<std::size_t>(scene.LaneOfNote(60))].gap);
    for (const auto& [height, every] : {std::pair{10.0, 1}, std::pair{5.0, 2}, std::pair{3.0, 3},
                                        std::pair{2.0, 6}, std::pair{0.5, 12}}) {
        RollView view;
        view.width = 600;
        view.laneHeight = height;
        view.header = false;
        view.height = RollLayout::ContentHeight(scene, height, view);
        Surface surface = NewSurface(view, 0);
        cairo_t* cr = cairo_create(surface.get());
        std::vector<int> labelled, expected;
        {
            CairoCanvas canvas(cr, view.width, view.height);
            RecordingCanvas recording(canvas);
            DrawRoll(recording, scene, view);
            for (const std::string& shape : recording.Shapes()) {
                // "text X BASELINE SIZE WEIGHT FILL 60 C4" in the gutter.
                double x = 0;
                int note = 0;
                char name[8] = {};
                if (std::sscanf(shape.c_str(), "text %lf %*s %*s %*s %*s %d %7s", &x, &note,
                                name) == 3 &&
                    x < RollLayout::kGutterWidth && name[0] >= 'A' && name[0] <= 'G')
                    labelled.push_back(note);
            }
        }
        cairo_destroy(cr);
        for (int note = 40; note <= 80; ++note)
            if (note != 60 && note % 12 % every == 0) expected.push_back(note);
        if (every == 12) expected = {48, 72};  // a C every 6 pixels: room for both
        std::sort(labelled.begin(), labelled.end());
        EXPECT_EQ(labelled, expected) << height;
    }
}

TEST(RollDrawing, PictureFilesRepeatTheLaneLabelsAlongTheLanes) {
    struct Case {
        std::int32_t end;  // the roll's length in thousandths of an inch, at 40 pixels an inch
        bool file;
        int labels;  // of note 60
    } cases[] = {
        {30000, true, 1},    // 1,200 pixels of roll
        {33000, true, 1},    // 1,320: the repeat at 1,280 would stand 40 pixels before the end
        {36000, true, 2},    // 1,440
        {100000, true, 4},   // 4,000: at 1,280, 2,560 and 3,840
        {100000, false, 1},  // the same roll in a window as wide
    };
    for (const Case& c : cases) {
        HandRoll roll;
        roll.Hole(60, 0, c.end).Hole(62, 0, 100);
        RollScene scene(roll.Doc());
        RollView view = WholeRollView(scene, {40, 10});
        if (!c.file) view.labelRepeat = 0;
        Surface surface = NewSurface(view, 0);
        cairo_t* cr = cairo_create(surface.get());
        int labels = 0;
        {
            CairoCanvas canvas(cr, view.width, view.height);
            RecordingCanvas recording(canvas);
            DrawRoll(recording, scene, view);
            for (const std::string& shape : recording.Shapes())
                labels += shape.starts_with("text ") && shape.ends_with(" 60 C4");
        }
        cairo_destroy(cr);
        EXPECT_EQ(labels, c.labels) << c.end << (c.file ? " file" : " window");
    }
}

}  // namespace
