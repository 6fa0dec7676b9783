#include "ui/CViewWindow.h"

#include <wx/dcclient.h>
#include <wx/docview.h>
#include <wx/settings.h>

#include <algorithm>
#include <climits>

#include "ui/GtkScrollBars.h"
#include "ui/ScrollEvents.h"

namespace rollscribe {

namespace {

// Pixels for a step across, and lines for a step down, of the arrows and the wheel.
constexpr int kColumnStep = 40;
constexpr int kLineStep = 3;

}  // namespace

CViewWindow::CViewWindow(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxBORDER_NONE | wxHSCROLL | wxVSCROLL) {
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    Bind(wxEVT_PAINT, &CViewWindow::OnPaint, this);
    Bind(wxEVT_SIZE, &CViewWindow::OnSize, this);
    for (const wxEventTypeTag<wxScrollWinEvent>& type :
         {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP,
          wxEVT_SCROLLWIN_LINEDOWN, wxEVT_SCROLLWIN_PAGEUP, wxEVT_SCROLLWIN_PAGEDOWN,
          wxEVT_SCROLLWIN_THUMBTRACK, wxEVT_SCROLLWIN_THUMBRELEASE})
        Bind(type, &CViewWindow::OnScroll, this);
    Bind(wxEVT_MOUSEWHEEL, &CViewWindow::OnWheel, this);
    KeepScrollBarsShown(this);
    UpdateScrollBars();
}

void CViewWindow::OnPaint(wxPaintEvent& event) {
    (void)event;
    wxPaintDC dc(this);
    if (m_view) m_view->OnDraw(&dc);
}

int CViewWindow::VisibleLines() const {
    return std::max(1, GetClientSize().y / m_lineHeight);
}

void CViewWindow::SetExtent(std::size_t lines, int lineHeight, int width) {
    m_lines = std::min<std::size_t>(lines, INT_MAX);
    m_lineHeight = std::max(1, lineHeight);
    m_width = std::max(0, width);
    ScrollTo(static_cast<long long>(m_firstLine), m_left);
    UpdateScrollBars();
}

void CViewWindow::ScrollToStart() {
    ScrollTo(0, 0);
    UpdateScrollBars();
}

void CViewWindow::ScrollTo(long long firstLine, long long left) {
    const long long lastLine = std::max(0LL, static_cast<long long>(m_lines) - VisibleLines());
    const long long lastColumn = std::max(0, m_width - GetClientSize().x);
    const auto line = static_cast<std::size_t>(std::clamp(firstLine, 0LL, lastLine));
    const auto column = static_cast<int>(std::clamp(left, 0LL, lastColumn));
    if (line == m_firstLine && column == m_left) return;
    m_firstLine = line;
    m_left = column;
    Refresh();
}

void CViewWindow::UpdateScrollBars() {
    const wxSize client = GetClientSize();
    SetScrollbar(wxVERTICAL, static_cast<int>(m_firstLine), VisibleLines(),
                 static_cast<int>(m_lines));
    SetScrollbar(wxHORIZONTAL, m_left, std::max(1, client.x), m_width);
}

void CViewWindow::OnSize(wxSizeEvent& event) {
    event.Skip();
    // A larger window shows more: the report moves back as far as it must.
    ScrollTo(static_cast<long long>(m_firstLine), m_left);
    UpdateScrollBars();
    Refresh();
}

void CViewWindow::OnScroll(wxScrollWinEvent& event) {
    if (event.GetOrientation() == wxVERTICAL) {
        const ScrollBarState bar{static_cast<int>(m_firstLine), VisibleLines(),
                                 static_cast<int>(m_lines)};
        ScrollTo(ScrolledPosition(event, bar, 1), m_left);
    } else {
        const ScrollBarState bar{m_left, std::max(1, GetClientSize().x), m_width};
        ScrollTo(static_cast<long long>(m_firstLine), ScrolledPosition(event, bar, kColumnStep));
    }
    UpdateScrollBars();
}

void CViewWindow::OnWheel(wxMouseEvent& event) {
    const double steps = WheelSteps(event);
    if (event.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL) {
        ScrollTo(static_cast<long long>(m_firstLine),
                 m_left + static_cast<long long>(steps * kColumnStep));
    } else if (event.ShiftDown()) {
        ScrollTo(static_cast<long long>(m_firstLine),
                 m_left - static_cast<long long>(steps * kColumnStep));
    } else {
        ScrollTo(static_cast<long long>(m_firstLine) - static_cast<long long>(steps * kLineStep),
                 m_left);
    }
    UpdateScrollBars();
}

}  // namespace rollscribe
