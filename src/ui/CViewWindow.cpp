#include "ui/CViewWindow.h"

#include <wx/clipbrd.h>
#include <wx/dcclient.h>
#include <wx/docview.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/settings.h>

#include <algorithm>
#include <climits>

#include "resources/CommandIds.h"
#include "resources/MenuResource.h"
#include "ui/GtkGrayedItemPrompts.h"
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
    Bind(wxEVT_KEY_DOWN, &CViewWindow::OnKeyDown, this);
    // Ctrl+C and Ctrl+Insert, the keys of Edit, Copy: with text selected here, they copy it
    // before the window's accelerators see them.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        const int key = event.GetKeyCode();
        if (event.GetModifiers() == wxMOD_CONTROL && (key == 'C' || key == WXK_INSERT) &&
            CopySelection())
            return;
        event.Skip();
    });
    Bind(wxEVT_LEFT_DOWN, &CViewWindow::OnLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &CViewWindow::OnLeftDouble, this);
    Bind(wxEVT_MOTION, &CViewWindow::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &CViewWindow::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { m_selecting = false; });
    Bind(wxEVT_CONTEXT_MENU, &CViewWindow::OnContextMenu, this);
    // The context menu's items show their prompts in the frame's status bar, as the menu bar's do.
    Bind(wxEVT_MENU_HIGHLIGHT, [this](wxMenuEvent& event) {
        if (auto* frame = wxDynamicCast(wxGetTopLevelParent(this), wxFrame))
            frame->DoGiveHelp(CommandPrompt(event.GetMenuId()), true);
    });
    Bind(wxEVT_MENU_CLOSE, [this](wxMenuEvent&) {
        if (auto* frame = wxDynamicCast(wxGetTopLevelParent(this), wxFrame))
            frame->DoGiveHelp(wxEmptyString, false);
    });
    KeepScrollBarsShown(this);
    UpdateScrollBars();
}

CViewWindow::~CViewWindow() {
    // What was offered for pasting goes with the window: the toolkit would otherwise keep its
    // text until it is taken by another program, past the end of this one.
    if (m_offersPrimary && wxTheClipboard->Open()) {
        wxTheClipboard->UsePrimarySelection(true);
        wxTheClipboard->Clear();
        wxTheClipboard->UsePrimarySelection(false);
        wxTheClipboard->Close();
    }
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
    m_anchor = m_caret = ReportPoint{};
    m_selecting = false;
    ScrollTo(0, 0);
    UpdateScrollBars();
    Refresh();
}

std::pair<ReportPoint, ReportPoint> CViewWindow::Selection() const noexcept {
    return std::minmax(m_anchor, m_caret);
}

void CViewWindow::Select(ReportPoint from, ReportPoint to) {
    m_anchor = from;
    m_caret = to;
    Refresh(false);
    OfferPrimary();
}

void CViewWindow::OfferPrimary() {
    // As X programs do, what is selected is also offered for pasting with the middle button.
    if (!m_text || !HasSelection() || !wxTheClipboard->Open()) return;
    const auto [from, to] = Selection();
    wxTheClipboard->UsePrimarySelection(true);
    wxTheClipboard->SetData(new wxTextDataObject(m_text->TextBetween(from, to)));
    wxTheClipboard->UsePrimarySelection(false);
    wxTheClipboard->Close();
    m_offersPrimary = true;
}

void CViewWindow::SelectAll() {
    if (m_text) Select(ReportPoint{}, m_text->End());
}

bool CViewWindow::CopySelection() {
    if (!m_text || !HasSelection() || !wxTheClipboard->Open()) return false;
    const auto [from, to] = Selection();
    wxTheClipboard->SetData(new wxTextDataObject(m_text->TextBetween(from, to)));
    wxTheClipboard->Close();
    return true;
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

void CViewWindow::OnKeyDown(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const bool plain = event.GetModifiers() == wxMOD_NONE;
    const bool ctrl = event.GetModifiers() == wxMOD_CONTROL;
    const auto line = static_cast<long long>(m_firstLine);
    const long long page = std::max(1, VisibleLines() - 1);
    if (ctrl && key == 'A') {
        SelectAll();
        return;
    }
    if ((plain || ctrl) && (key == WXK_HOME || key == WXK_NUMPAD_HOME)) {
        ScrollTo(0, 0);
    } else if ((plain || ctrl) && (key == WXK_END || key == WXK_NUMPAD_END)) {
        ScrollTo(static_cast<long long>(m_lines), 0);
    } else if (plain && (key == WXK_UP || key == WXK_NUMPAD_UP)) {
        ScrollTo(line - 1, m_left);
    } else if (plain && (key == WXK_DOWN || key == WXK_NUMPAD_DOWN)) {
        ScrollTo(line + 1, m_left);
    } else if (plain && (key == WXK_PAGEUP || key == WXK_NUMPAD_PAGEUP)) {
        ScrollTo(line - page, m_left);
    } else if (plain && (key == WXK_PAGEDOWN || key == WXK_NUMPAD_PAGEDOWN)) {
        ScrollTo(line + page, m_left);
    } else if (plain && (key == WXK_LEFT || key == WXK_NUMPAD_LEFT)) {
        ScrollTo(line, static_cast<long long>(m_left) - kColumnStep);
    } else if (plain && (key == WXK_RIGHT || key == WXK_NUMPAD_RIGHT)) {
        ScrollTo(line, static_cast<long long>(m_left) + kColumnStep);
    } else {
        event.Skip();
        return;
    }
    UpdateScrollBars();
}

void CViewWindow::OnLeftDown(wxMouseEvent& event) {
    event.Skip();
    SetFocus();
    if (!m_text) return;
    const ReportPoint at = m_text->PointAt(event.GetPosition());
    if (!event.ShiftDown()) m_anchor = at;
    m_caret = at;
    m_selecting = true;
    if (!HasCapture()) CaptureMouse();
    Refresh(false);
}

void CViewWindow::OnLeftDouble(wxMouseEvent& event) {
    if (!m_text) return;
    const auto [from, to] = m_text->WordAt(m_text->PointAt(event.GetPosition()));
    Select(from, to);
}

void CViewWindow::OnMotion(wxMouseEvent& event) {
    event.Skip();
    if (!m_selecting || !m_text || !event.LeftIsDown()) return;
    // Dragged past an edge, the report scrolls on towards it.
    const wxPoint at = event.GetPosition();
    const wxSize client = GetClientSize();
    long long line = static_cast<long long>(m_firstLine);
    long long left = m_left;
    if (at.y < 0) --line;
    if (at.y >= client.y) ++line;
    if (at.x < 0) left -= kColumnStep;
    if (at.x >= client.x) left += kColumnStep;
    ScrollTo(line, left);
    UpdateScrollBars();
    m_caret = m_text->PointAt(at);
    Refresh(false);
}

void CViewWindow::OnLeftUp(wxMouseEvent& event) {
    event.Skip();
    if (HasCapture()) ReleaseMouse();
    if (!m_selecting) return;
    m_selecting = false;
    OfferPrimary();
}

void CViewWindow::OnContextMenu(wxContextMenuEvent& event) {
    (void)event;
    wxMenu menu;
    menu.Append(cmd::kReportCopy, "&Copy\tCtrl+C", CommandPrompt(cmd::kReportCopy));
    menu.Append(cmd::kReportSelectAll, "Select &All\tCtrl+A", CommandPrompt(cmd::kReportSelectAll));
    menu.Enable(cmd::kReportCopy, HasSelection());
    if (auto* frame = wxDynamicCast(wxGetTopLevelParent(this), wxFrame))
        ShowPromptsOfGrayedItems(frame, &menu);
    switch (GetPopupMenuSelectionFromUser(menu)) {
        case cmd::kReportCopy:
            CopySelection();
            break;
        case cmd::kReportSelectAll:
            SelectAll();
            break;
        default:
            break;
    }
}

}  // namespace rollscribe
