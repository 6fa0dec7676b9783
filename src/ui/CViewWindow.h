#pragma once

#include <wx/window.h>

#include <cstddef>

class wxView;

namespace rollscribe {

// The window the view draws into: the client area of the main frame below the bars. It has no
// input or selection of its own; each paint asks the view to draw. When what the view draws is
// larger than the window, scroll bars (and the wheel: Shift or a sideways wheel across) move it.
class CViewWindow : public wxWindow {
  public:
    explicit CViewWindow(wxWindow* parent);

    void SetView(wxView* view) { m_view = view; }
    wxView* GetView() const { return m_view; }

    // The size of what the view draws: lines of lineHeight pixels, width pixels wide.
    void SetExtent(std::size_t lines, int lineHeight, int width);
    // Back to the top-left corner.
    void ScrollToStart();

    // The first line shown at the top, and the pixel column shown at the left edge.
    std::size_t FirstLine() const noexcept { return m_firstLine; }
    int LeftColumn() const noexcept { return m_left; }

  private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnScroll(wxScrollWinEvent& event);
    void OnWheel(wxMouseEvent& event);
    void ScrollTo(long long firstLine, long long left);
    void UpdateScrollBars();
    int VisibleLines() const;

    wxView* m_view = nullptr;
    std::size_t m_lines = 0;
    int m_lineHeight = 1;
    int m_width = 0;
    std::size_t m_firstLine = 0;
    int m_left = 0;
};

}  // namespace rollscribe
