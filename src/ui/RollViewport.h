#pragma once

#include <memory>
#include <optional>
#include <string>

#include "picture/MarkerTextRows.h"
#include "picture/RollLayout.h"
#include "picture/RollScene.h"
#include "picture/TextMeasure.h"

namespace rollscribe {

// A scroll bar in its own units: where the thumb starts, how long it is, and the whole length
// (the thumb runs from 0 to range - thumb).
struct ScrollBarState {
    int position = 0;
    int thumb = 0;
    int range = 0;

    friend bool operator==(const ScrollBarState&, const ScrollBarState&) = default;
};

// What the roll pane shows of a roll picture, and how it moves: the pane's size, the zoom (from
// the whole roll in the pane to the picture library's largest), the horizontal scrolling along
// the roll and the vertical scrolling of the lanes, kept within bounds whatever is asked. Lanes
// grow to fill the pane's height, within readable bounds; below that the lanes scroll. A pane
// short of room for a few lanes gives the bands above them less first.
class RollViewport {
  public:
    // One key press zooms by this factor; two double the size.
    static constexpr double kZoomStep = 1.4142135623730951;
    static constexpr double kMinLaneHeight = 5;
    static constexpr double kMaxLaneHeight = 14;
    // A pane short of room for this many lanes (or all of a roll's) this high gives the bands
    // above the lanes less room (see RollView).
    static constexpr double kLeastLanes = 8;
    static constexpr double kRoomyLaneHeight = 8;
    // When the playing position leaves the view, the view jumps so that it is this part of the
    // lanes' width from their left edge.
    static constexpr double kFollowLead = 0.1;

    // Shows a scene whole, from the roll's start and its highest lane with holes (as far as the
    // lanes scroll); nullptr shows none. The scene must stay alive while it is shown.
    void SetScene(const RollScene* scene);
    const RollScene* Scene() const noexcept { return m_scene; }

    // The pane's size in pixels. A view that showed the whole roll goes on showing it whole.
    void SetSize(double width, double height);
    const RollView& View() const noexcept { return m_view; }

    // The lane height the user chose (Taller Lanes, Shorter Lanes), from kLeastChosenLane to
    // kMostChosenLane pixels, or 0 for lanes that fit the pane (kMinLaneHeight to
    // kMaxLaneHeight); other values are taken as 0.
    static constexpr double kLeastChosenLane = 2;
    static constexpr double kMostChosenLane = 32;
    void SetLaneHeightChoice(double height);
    double LaneHeightChoice() const noexcept { return m_laneChoice; }
    // The next chosen height up or down from the lanes' height now; false at the bound.
    bool TallerLanes();
    bool ShorterLanes();
    bool CanMakeLanesTaller() const noexcept;
    bool CanMakeLanesShorter() const noexcept;

    // The zoom's bounds: the whole roll in the pane, and the library's largest.
    double MinPixelsPerInch() const noexcept;
    double MaxPixelsPerInch() const noexcept;
    bool ShowsWholeRoll() const noexcept;
    bool CanZoomIn() const noexcept;
    bool CanZoomOut() const noexcept;

    // Multiplies the zoom by factor, within its bounds, keeping the roll position at x (a pixel
    // column of the pane) where it is; for an x outside the lanes, the middle of the lanes.
    void ZoomAt(double factor, double x);
    void ZoomIn();
    void ZoomOut();
    void ZoomToFit();

    // The width of the lanes' part of the pane, in pixels, and the stretch of roll it shows.
    double LanesWidth() const noexcept;
    double VisibleTime() const noexcept;
    double MaxLeftTime() const noexcept;
    double MaxScrollY() const noexcept;
    void ScrollToTime(double leftTime);
    void ScrollToY(double scrollY);
    void ScrollBy(double dx, double dy);

    // The scroll bars, and their thumbs moved by the user. Long rolls at a large zoom are wider
    // than a scroll bar's units can count in pixels: a unit is then several pixels.
    ScrollBarState HorizontalBar() const noexcept;
    void SetHorizontalPosition(int position);
    ScrollBarState VerticalBar() const noexcept;
    void SetVerticalPosition(int position);

    // Keeps a roll position (the playing position) in view: when it lies outside the lanes'
    // visible stretch, the view jumps to put it kFollowLead from the left. True when it moved.
    bool Follow(double time);
    // The pixel column of a roll position.
    double XOfTime(double time) const noexcept;

    // The status-bar text for what is under a point of the pane: a hole, or a marker whose text
    // or mark is under it in the marker strip (its whole text; at a mark, first a marker whose
    // text the strip has no room for); over the expression strip's levels or a pedal's row,
    // those at the time there; elsewhere over the roll, the time (and the lane); none outside
    // the roll (the header, the lane labels, past its end).
    std::optional<std::string> StatusTextAt(double x, double y) const;
    // The hole at a point of the view, if any.
    std::optional<HoleAtPoint> HoleAt(double x, double y) const;
    // Where the marker strip puts the markers' texts at the view's zoom, laid out once a zoom.
    const MarkerTextRows& MarkerTexts() const;
    // The roll position under a point of the scale, the markers' strip or the lanes, within the
    // roll; none elsewhere (the header, the lane labels) or without a scene.
    std::optional<double> TimeAt(double x, double y) const;

  private:
    std::string PlaceTextAt(const RollLayout& layout, double time, double y) const;
    std::optional<std::string> MarkerTextAt(const RollLayout& layout, double x, double y) const;
    double PixelsPerUnit() const noexcept { return m_view.pixelsPerInch / 1000.0; }
    double HorizontalUnit() const noexcept;
    void FitLaneHeight();
    void Clamp();

    const RollScene* m_scene = nullptr;
    RollView m_view;
    mutable std::unique_ptr<TextMeasure> m_measure;
    mutable std::optional<MarkerTextRows> m_markerTexts;
    bool m_wholeRoll = true;
    double m_laneChoice = 0;
};

}  // namespace rollscribe
