#pragma once

#include <wx/window.h>

class wxView;

namespace rollscribe {

// The window the view draws into: the client area of the main frame below the bars. It has no
// input, selection or scroll bars of its own; each paint asks the view to draw.
class CViewWindow : public wxWindow {
  public:
    explicit CViewWindow(wxWindow* parent);

    void SetView(wxView* view) { m_view = view; }
    wxView* GetView() const { return m_view; }

  private:
    void OnPaint(wxPaintEvent& event);

    wxView* m_view = nullptr;
};

}  // namespace rollscribe
