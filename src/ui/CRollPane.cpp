#include "ui/CRollPane.h"

#include <cairo.h>
#include <wx/dcclient.h>
#include <wx/graphics.h>
#include <wx/settings.h>

#include <algorithm>
#include <cmath>

#include "picture/CairoCanvas.h"
#include "picture/RollDrawing.h"
#include "text/WxText.h"
#include "ui/GtkScrollBars.h"
#include "ui/ScrollEvents.h"

namespace rollscribe {

namespace {

// Pixels for a step of the wheel or an arrow key along the roll, and through the lanes.
constexpr int kStepAlong = 48;
constexpr int kStepAcross = 30;
// A wheel step with Ctrl zooms by this factor: four steps double the size.
const double kWheelZoom = std::pow(2.0, 0.25);

}  // namespace

CRollPane::CRollPane(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxSize(-1, 300),
               wxHSCROLL | wxVSCROLL | wxBORDER_NONE) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetMinSize(wxSize(-1, 80));
    Bind(wxEVT_PAINT, &CRollPane::OnPaint, this);
    Bind(wxEVT_SIZE, &CRollPane::OnSize, this);
    for (const wxEventTypeTag<wxScrollWinEvent>& type :
         {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP,
          wxEVT_SCROLLWIN_LINEDOWN, wxEVT_SCROLLWIN_PAGEUP, wxEVT_SCROLLWIN_PAGEDOWN,
          wxEVT_SCROLLWIN_THUMBTRACK, wxEVT_SCROLLWIN_THUMBRELEASE})
        Bind(type, &CRollPane::OnScroll, this);
    Bind(wxEVT_MOUSEWHEEL, &CRollPane::OnWheel, this);
    KeepScrollBarsShown(this);
    Bind(wxEVT_MOTION, &CRollPane::OnMotion, this);
    Bind(wxEVT_LEAVE_WINDOW, &CRollPane::OnLeave, this);
    Bind(wxEVT_LEFT_DOWN, &CRollPane::OnLeftDown, this);
    Bind(wxEVT_KEY_DOWN, &CRollPane::OnKeyDown, this);
    UpdateScrollBars();
}

void CRollPane::ShowScene(std::shared_ptr<const RollScene> scene) {
    // The viewport lets go of the old scene before the scene goes.
    m_viewport.SetScene(scene.get());
    m_scene = std::move(scene);
    m_cursor.reset();
    const wxSize size = GetClientSize();
    m_viewport.SetSize(size.x, size.y);
    ViewChanged();
}

void CRollPane::ViewChanged() {
    UpdateScrollBars();
    // What lies under the pointer may have changed with the view.
    if (IsShownOnScreen()) UpdateHoleText(ScreenToClient(wxGetMousePosition()));
    Refresh(false);
}

void CRollPane::UpdateScrollBars() {
    const ScrollBarState across = m_viewport.HorizontalBar();
    const ScrollBarState down = m_viewport.VerticalBar();
    SetScrollbar(wxHORIZONTAL, across.position, across.thumb, across.range);
    SetScrollbar(wxVERTICAL, down.position, down.thumb, down.range);
}

void CRollPane::ZoomIn() {
    m_viewport.ZoomIn();
    ViewChanged();
}

void CRollPane::ZoomOut() {
    m_viewport.ZoomOut();
    ViewChanged();
}

void CRollPane::ZoomToFit() {
    m_viewport.ZoomToFit();
    ViewChanged();
}

void CRollPane::TallerLanes() {
    if (m_viewport.TallerLanes()) ViewChanged();
}

void CRollPane::ShorterLanes() {
    if (m_viewport.ShorterLanes()) ViewChanged();
}

void CRollPane::SetLaneHeightChoice(double height) {
    m_viewport.SetLaneHeightChoice(height);
    ViewChanged();
}

void CRollPane::ZoomAt(double factor, double x) {
    m_viewport.ZoomAt(factor, x);
    ViewChanged();
}

void CRollPane::ScrollToTime(double time) {
    m_viewport.ScrollToTime(time);
    ViewChanged();
}

void CRollPane::RefreshCursorAt(std::optional<double> time) {
    if (!time || !m_scene) return;
    // The cursor's line and the arrow head over it, with a pixel to spare on each side.
    const double x = std::floor(m_viewport.XOfTime(*time));
    if (!(x + kCursorReachRight + 1 >= 0 && x - kCursorReachLeft - 1 <= GetClientSize().x)) return;
    RefreshRect(wxRect(static_cast<int>(x) - kCursorReachLeft - 1, 0,
                       kCursorReachLeft + kCursorReachRight + 3, GetClientSize().y),
                false);
}

void CRollPane::SetCursor(std::optional<double> time, bool follow) {
    if (!m_scene) time.reset();
    if (time == m_cursor) return;
    const std::optional<double> before = m_cursor;
    m_cursor = time;
    if (follow && time && m_viewport.Follow(*time)) {
        ViewChanged();
        return;
    }
    RefreshCursorAt(before);
    RefreshCursorAt(m_cursor);
}

void CRollPane::PaintEmpty(wxDC& dc) {
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    const wxString text = WxAscii(kEmptyText);
    const wxSize extent = dc.GetTextExtent(text);
    dc.DrawText(text, std::max(8, (size.x - extent.x) / 2), std::max(8, (size.y - extent.y) / 2));
}

void CRollPane::OnPaint(wxPaintEvent& event) {
    (void)event;
    wxPaintDC dc(this);
    if (!m_scene) {
        PaintEmpty(dc);
    } else {
        std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
        auto* cr = gc ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
        if (cr) {
            cairo_save(cr);
            // Only what the window system asks for is drawn: the canvas draws inside the clip.
            for (wxRegionIterator part(GetUpdateRegion()); part; ++part)
                cairo_rectangle(cr, part.GetX(), part.GetY(), part.GetW(), part.GetH());
            cairo_clip(cr);
            {
                const RollView& view = m_viewport.View();
                CairoCanvas canvas(cr, view.width, view.height);
                DrawRoll(canvas, *m_scene, view, &m_viewport.MarkerTexts());
                if (m_cursor) DrawCursor(canvas, *m_scene, view, *m_cursor);
            }
            cairo_restore(cr);
        }
    }
}

void CRollPane::OnSize(wxSizeEvent& event) {
    event.Skip();
    const wxSize size = GetClientSize();
    m_viewport.SetSize(size.x, size.y);
    UpdateScrollBars();
    Refresh(false);
}

void CRollPane::OnScroll(wxScrollWinEvent& event) {
    if (event.GetOrientation() == wxHORIZONTAL) {
        const ScrollBarState bar = m_viewport.HorizontalBar();
        const int step = std::max(1, bar.thumb / 20);
        m_viewport.SetHorizontalPosition(ScrolledPosition(event, bar, step));
    } else {
        m_viewport.SetVerticalPosition(
            ScrolledPosition(event, m_viewport.VerticalBar(), kStepAcross));
    }
    ViewChanged();
}

void CRollPane::OnWheel(wxMouseEvent& event) {
    if (!m_scene) return;
    const double steps = WheelSteps(event);
    if (event.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL) {
        m_viewport.ScrollBy(steps * kStepAlong, 0);
    } else if (event.ControlDown() && event.ShiftDown()) {
        // Taller or shorter lanes, a step for each notch (a fine wheel's turn adds up to one).
        m_laneSteps += steps;
        for (; m_laneSteps >= 1; m_laneSteps -= 1) m_viewport.TallerLanes();
        for (; m_laneSteps <= -1; m_laneSteps += 1) m_viewport.ShorterLanes();
    } else if (event.ControlDown()) {
        m_viewport.ZoomAt(std::pow(kWheelZoom, steps), event.GetX());
    } else if (event.ShiftDown() || m_viewport.MaxScrollY() <= 0) {
        // The wheel moves what can move: along the roll when the lanes all show.
        m_viewport.ScrollBy(-steps * kStepAlong, 0);
    } else {
        m_viewport.ScrollBy(0, -steps * kStepAcross);
    }
    ViewChanged();
}

void CRollPane::UpdateHoleText(const wxPoint& at) {
    std::string text;
    std::optional<HoleAtPoint> hole;
    if (GetClientRect().Contains(at)) {
        text = m_viewport.StatusTextAt(at.x, at.y).value_or("");
        hole = m_viewport.HoleAt(at.x, at.y);
    }
    if (text == m_holeText) return;
    m_holeText = text;
    if (m_holeListener) m_holeListener(m_holeText, hole);
}

void CRollPane::OnMotion(wxMouseEvent& event) {
    event.Skip();
    UpdateHoleText(event.GetPosition());
}

void CRollPane::OnLeave(wxMouseEvent& event) {
    event.Skip();
    UpdateHoleText(wxPoint(-1, -1));
}

void CRollPane::OnLeftDown(wxMouseEvent& event) {
    event.Skip();
    SetFocus();
    if (auto time = m_viewport.TimeAt(event.GetX(), event.GetY()); time && m_clickListener)
        m_clickListener(*time);
}

void CRollPane::OnKeyDown(wxKeyEvent& event) {
    if (!m_scene || event.HasAnyModifiers()) {
        event.Skip();
        return;
    }
    const double page = std::max(1.0, m_viewport.LanesWidth() * 0.9);
    switch (event.GetKeyCode()) {
        case WXK_LEFT:
            m_viewport.ScrollBy(-kStepAlong, 0);
            break;
        case WXK_RIGHT:
            m_viewport.ScrollBy(kStepAlong, 0);
            break;
        case WXK_UP:
            m_viewport.ScrollBy(0, -kStepAcross);
            break;
        case WXK_DOWN:
            m_viewport.ScrollBy(0, kStepAcross);
            break;
        case WXK_PAGEUP:
            m_viewport.ScrollBy(-page, 0);
            break;
        case WXK_PAGEDOWN:
            m_viewport.ScrollBy(page, 0);
            break;
        case WXK_HOME:
            m_viewport.ScrollToTime(0);
            break;
        case WXK_END:
            m_viewport.ScrollToTime(m_viewport.MaxLeftTime());
            break;
        default:
            event.Skip();  // Space and the menus' keys go on to the window's accelerators
            return;
    }
    ViewChanged();
}

}  // namespace rollscribe
