#pragma once

#include <wx/window.h>

#include <compare>
#include <cstddef>
#include <utility>

class wxView;

namespace rollscribe {

// A place in the report: a line (0 the first) and a shown character of it (0 before the first).
struct ReportPoint {
    std::size_t line = 0;
    std::size_t column = 0;

    friend auto operator<=>(const ReportPoint&, const ReportPoint&) = default;
};

// What the window asks, for selecting and copying, of the view that draws into it.
class CReportText {
  public:
    virtual ~CReportText() = default;
    // The place nearest to a point of the window.
    virtual ReportPoint PointAt(const wxPoint& at) = 0;
    // After the last character of the last line.
    virtual ReportPoint End() = 0;
    // The word (the characters other than blanks) at a place: where it starts and ends.
    virtual std::pair<ReportPoint, ReportPoint> WordAt(ReportPoint at) = 0;
    // The text between two places as written, lines ending in "\n".
    virtual wxString TextBetween(ReportPoint from, ReportPoint to) = 0;
};

// The window the view draws into: the client area of the main frame below the bars. Each paint
// asks the view to draw. When what the view draws is larger than the window, scroll bars (and the
// wheel: Shift or a sideways wheel across) move it, and so do the keys readers expect: the
// arrows, Page Up and Page Down by a page, Home and End (or Ctrl+Home and Ctrl+End) to the ends.
// Text is selected with the mouse (a drag, Shift and a click to extend, a double click for a
// word) and Ctrl+A, and copied with Ctrl+C, Ctrl+Insert or the context menu.
class CViewWindow : public wxWindow {
  public:
    explicit CViewWindow(wxWindow* parent);
    ~CViewWindow() override;

    void SetView(wxView* view) { m_view = view; }
    wxView* GetView() const { return m_view; }
    // What is selected in, or none.
    void SetText(CReportText* text) { m_text = text; }

    // The size of what the view draws: lines of lineHeight pixels, width pixels wide.
    void SetExtent(std::size_t lines, int lineHeight, int width);
    // Back to the top-left corner, nothing selected: for a new report.
    void ScrollToStart();

    // The first line shown at the top, and the pixel column shown at the left edge.
    std::size_t FirstLine() const noexcept { return m_firstLine; }
    int LeftColumn() const noexcept { return m_left; }

    // The selection, from its first place to its last; empty when both are the same.
    std::pair<ReportPoint, ReportPoint> Selection() const noexcept;
    bool HasSelection() const noexcept { return m_anchor != m_caret; }
    // A selection made here (a double click, Ctrl+A, a drag once it ends) is also the one that
    // the middle button pastes.
    void Select(ReportPoint from, ReportPoint to);
    void SelectAll();
    // Puts the selected text on the clipboard; false when nothing is selected.
    bool CopySelection();

  private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnScroll(wxScrollWinEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftDouble(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    // Offers the selection for pasting with the middle button (the primary selection).
    void OfferPrimary();
    void ScrollTo(long long firstLine, long long left);
    void UpdateScrollBars();
    int VisibleLines() const;

    wxView* m_view = nullptr;
    CReportText* m_text = nullptr;
    std::size_t m_lines = 0;
    int m_lineHeight = 1;
    int m_width = 0;
    std::size_t m_firstLine = 0;
    int m_left = 0;
    ReportPoint m_anchor;
    ReportPoint m_caret;
    bool m_selecting = false;
    // Whether a selection was offered for pasting with the middle button.
    bool m_offersPrimary = false;
};

}  // namespace rollscribe
