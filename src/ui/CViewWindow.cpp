#include "ui/CViewWindow.h"

#include <wx/dcclient.h>
#include <wx/docview.h>
#include <wx/settings.h>

namespace rollscribe {

CViewWindow::CViewWindow(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE) {
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    Bind(wxEVT_PAINT, &CViewWindow::OnPaint, this);
}

void CViewWindow::OnPaint(wxPaintEvent& event) {
    (void)event;
    wxPaintDC dc(this);
    if (m_view) m_view->OnDraw(&dc);
}

}  // namespace rollscribe
