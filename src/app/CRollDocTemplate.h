#pragma once

#include <wx/docview.h>
#include <wx/weakref.h>

#include "ui/CMainFrame.h"

namespace rollscribe {

// The one document type of the program (template string 128): the roll document, shown by the
// roll view, which draws into the main frame's view window.
class CRollDocTemplate : public wxDocTemplate {
  public:
    CRollDocTemplate(wxDocManager* manager, CMainFrame& frame);

  protected:
    // The view, given the window it draws into and the frame whose caption it keeps.
    wxView* DoCreateView() override;

  private:
    wxWeakRef<CMainFrame> m_frame;
};

}  // namespace rollscribe
