#pragma once

#include <cstddef>
#include <optional>

#include "picture/ColumnRuns.h"
#include "picture/RollScene.h"

namespace rollscribe {

// What part of a roll a drawing shows, and how large. Units are those of the drawing surface
// (pixels on screen and in PNG files, points in PDF files).
struct RollView {
    double width = 0;  // the whole area drawn into, from (0, 0)
    double height = 0;
    double leftTime = 0;        // the roll position at the left edge of the lanes
    double pixelsPerInch = 40;  // the zoom
    double laneHeight = 10;
    double scrollY = 0;  // how far the lanes are scrolled up: 0 shows the highest lane on top
    // Above 0, the lane labels are drawn again along the lanes every labelRepeat pixels from the
    // roll's start (pictures wider than a screen); a window has them in its gutter.
    double labelRepeat = 0;
    // A window short of room for the lanes gives the bands above them less: the header goes,
    // the expression strip's level plot is lower (from RollLayout::kLevelPlotHeight down to
    // RollLayout::kLeastLevelPlotHeight), the marker strip has fewer rows.
    // Fewer marker rows (1 to RollLayout::kMarkerRows) show the texts placed in the lowest ones.
    bool header = true;
    double levelPlotHeight = 84;
    int markerRows = 3;
};

// How often a picture file repeats its lane labels: about a screen's width.
inline constexpr double kPictureLabelRepeat = 1280;

// The settings of a picture file.
struct PictureOptions {
    double pixelsPerInch = 40;  // pixels (or points) for one inch of roll
    double laneHeight = 10;     // pixels for one lane
};

// The largest picture file: Cairo's image surfaces hold at most 32767 pixels a side, and a
// picture of 128 MB of pixels is as much memory as an export should take.
inline constexpr double kMaxPictureSide = 32767;
inline constexpr double kMaxPicturePixels = 32.0 * 1024 * 1024;
// The zoom's bounds for a view: at most 4000 pixels an inch (4 pixels a thousandth).
inline constexpr double kMaxPixelsPerInch = 4000;

// A hole found at a point of a view.
struct HoleAtPoint {
    std::size_t lane;
    HoleBar bar;
};

// Where a view puts the parts of the picture. From the top: the header (title, number, type,
// tempo), the time scale (seconds, then inches), for a scene with its expression the expression
// strip (the level curves over a velocity scale, then a row for each pedal), the strip of marker
// texts, then the lanes, the highest note on top; the lane labels in a gutter on the left. The
// header, scale, expression strip and gutter stay where they are when the view scrolls.
class RollLayout {
  public:
    static constexpr double kHeaderHeight = 50;
    static constexpr double kScaleHeight = 34;
    // The marker strip: its texts in rows, the lowest nearest the lanes, over a foot of marks.
    static constexpr int kMarkerRows = 3;
    static constexpr double kMarkerRowHeight = 12;
    static constexpr double kMarkerStripHeight = 3 + kMarkerRows * kMarkerRowHeight + 5;
    static constexpr double kGutterWidth = 68;
    static constexpr double kRightMargin = 24;
    static constexpr double kBottomMargin = 8;
    static constexpr double kMinPictureWidth = 720;
    static constexpr double kEmptyLanesHeight = 32;
    // The expression strip: the level plot (velocity 127 at its top, 1 at its bottom), then the
    // pedal rows (sustain, soft).
    static constexpr double kLevelPlotTop = 8;
    static constexpr double kLevelPlotHeight = 84;
    static constexpr double kLeastLevelPlotHeight = 24;
    static constexpr double kPedalRowHeight = 10;
    static constexpr double kPedalRowGap = 3;
    // The strip below its level plot: the gap, the pedals' rows, the foot.
    static constexpr double kBelowLevelPlot = 8 + 2 * kPedalRowHeight + kPedalRowGap + 6;
    // The strip's full height, as picture files have it.
    static constexpr double kExpressionHeight = kLevelPlotTop + kLevelPlotHeight + kBelowLevelPlot;

    RollLayout(const RollScene& scene, const RollView& view);

    const RollView& View() const noexcept { return m_view; }
    // The header's height: 0 for a view without it.
    double HeaderHeight() const noexcept { return m_view.header ? kHeaderHeight : 0; }
    double ScaleTop() const noexcept { return HeaderHeight(); }
    // The expression strip: at the foot of the scale, 0 high for a scene without expression.
    double ExpressionTop() const noexcept { return ScaleTop() + kScaleHeight; }
    double ExpressionHeight() const noexcept { return StripHeight(m_scene, m_view); }
    double LevelPlotHeight() const noexcept { return LevelPlotHeightOf(m_view); }
    // The height of a level (velocity 1 to 127, held to them) in the level plot.
    double LevelY(double velocity) const noexcept;
    // The top of a pedal's row (0 sustain, 1 soft).
    double PedalRowTop(std::size_t pedal) const noexcept {
        return ExpressionTop() + kLevelPlotTop + LevelPlotHeight() + 8 +
               static_cast<double>(pedal) * (kPedalRowHeight + kPedalRowGap);
    }
    double MarkerStripTop() const noexcept { return ExpressionTop() + ExpressionHeight(); }
    // The rows of the marker strip shown, and its height.
    int MarkerRows() const noexcept { return MarkerRowsOf(m_view); }
    double MarkerStripHeight() const noexcept {
        return kMarkerStripHeight - (kMarkerRows - MarkerRows()) * kMarkerRowHeight;
    }
    double LanesTop() const noexcept { return MarkerStripTop() + MarkerStripHeight(); }
    // The top of a row of the marker strip (row 0 nearest the lanes).
    double MarkerRowTop(int row) const noexcept {
        return MarkerStripTop() + 3 + (MarkerRows() - 1 - row) * kMarkerRowHeight;
    }
    double LanesLeft() const noexcept { return kGutterWidth; }
    // The bottom of the lowest lane (it may lie below the view).
    double LanesBottom() const noexcept;

    double XOfTime(double time) const noexcept;
    // How roll positions fall onto the pixel columns of the view.
    ColumnMapping Columns() const noexcept {
        return {kGutterWidth, m_view.leftTime, m_pixelsPerUnit};
    }
    double TimeOfX(double x) const noexcept;
    // The top edge of a lane (lane 0, the lowest note, is at the bottom).
    double LaneTop(std::size_t lane) const noexcept;
    // The lane at a height of the view, or -1 outside the lanes.
    int LaneAt(double y) const noexcept;
    // The hole under a point of the view: one that covers the pixel, or lies within a pixel of it.
    std::optional<HoleAtPoint> HoleAt(double x, double y) const noexcept;

    // The size of a picture of the whole roll at a zoom and lane height (without scrolling),
    // with the bands above the lanes as a view has them (all of them, full size, by default).
    static double ContentWidth(const RollScene& scene, double pixelsPerInch) noexcept;
    static double ContentHeight(const RollScene& scene, double laneHeight,
                                const RollView& bands = {}) noexcept;
    // The zoom at which the whole roll fits a view of the given width.
    static double FitPixelsPerInch(const RollScene& scene, double width) noexcept;

  private:
    static double LevelPlotHeightOf(const RollView& view) noexcept;
    static int MarkerRowsOf(const RollView& view) noexcept {
        return view.markerRows >= 1 && view.markerRows < kMarkerRows ? view.markerRows
                                                                     : kMarkerRows;
    }
    static double StripHeight(const RollScene& scene, const RollView& view) noexcept {
        return scene.Expression() ? kLevelPlotTop + LevelPlotHeightOf(view) + kBelowLevelPlot : 0;
    }

    const RollScene& m_scene;
    RollView m_view;
    double m_pixelsPerUnit;  // pixels for one thousandth of an inch
};

// The view of a whole roll for a picture file, at the options' density, made narrower where the
// roll is too long for a picture. Throws std::invalid_argument for a density or lane height that
// is not a positive number (lane heights above 64 are taken as 64).
RollView WholeRollView(const RollScene& scene, const PictureOptions& options);

}  // namespace rollscribe
