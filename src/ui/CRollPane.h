#pragma once

#include <wx/window.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "picture/RollScene.h"
#include "ui/RollViewport.h"

namespace rollscribe {

// The roll pane: the picture of the roll on show, drawn by the picture library into the window,
// only inside the part that needs painting. It scrolls along the roll and through the lanes
// (scroll bars, the wheel, the arrow and page keys), zooms (Ctrl and the wheel, about the
// pointer; ZoomIn and ZoomOut, about the middle), shows the playing position as a cursor, and
// says which hole is under the pointer. Without a roll it shows a line saying how to get one.
class CRollPane : public wxWindow {
  public:
    // The line shown while there is no picture.
    static constexpr const char* kEmptyText =
        "No roll is open. Open a roll file (File, Open) to see the picture of its holes here.";

    explicit CRollPane(wxWindow* parent);

    // Shows a roll picture whole, or none; the cursor goes.
    void ShowScene(std::shared_ptr<const RollScene> scene);
    const RollScene* Scene() const noexcept { return m_scene.get(); }
    const RollViewport& Viewport() const noexcept { return m_viewport; }

    void ZoomIn();
    void ZoomOut();
    void ZoomToFit();
    // The lanes' height: a step taller or shorter, or what fits the pane (RollViewport).
    void TallerLanes();
    void ShorterLanes();
    void SetLaneHeightChoice(double height);
    // Zooms by a factor about a pixel column of the pane.
    void ZoomAt(double factor, double x);
    // Scrolls so that a roll position is at the lanes' left edge, as far as the roll allows.
    void ScrollToTime(double time);

    // The playing position (a roll position) drawn as a cursor, or none. With follow, the view
    // jumps to keep the cursor in sight.
    void SetCursor(std::optional<double> time, bool follow);
    std::optional<double> Cursor() const noexcept { return m_cursor; }

    // Told the status-bar text for the hole under the pointer whenever it changes; an empty text
    // when the pointer left the holes.
    void SetHoleListener(
        std::function<void(const std::string&, const std::optional<HoleAtPoint>&)> listener) {
        m_holeListener = std::move(listener);
    }
    // Told the roll position that the user clicked in the scale, markers or lanes.
    void SetClickListener(std::function<void(double time)> listener) {
        m_clickListener = std::move(listener);
    }

  private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnScroll(wxScrollWinEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeave(wxMouseEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);

    void PaintEmpty(wxDC& dc);
    // After the view moved: scroll bars, the hole under the pointer, a full repaint.
    void ViewChanged();
    void UpdateScrollBars();
    void UpdateHoleText(const wxPoint& at);
    void RefreshCursorAt(std::optional<double> time);

    std::shared_ptr<const RollScene> m_scene;
    RollViewport m_viewport;
    std::optional<double> m_cursor;
    std::string m_holeText;
    double m_laneSteps = 0;  // of the wheel with Ctrl and Shift, not yet a step of lane height
    std::function<void(const std::string&, const std::optional<HoleAtPoint>&)> m_holeListener;
    std::function<void(double)> m_clickListener;
};

}  // namespace rollscribe
