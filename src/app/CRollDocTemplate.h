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

    // The roll document converts by the Roll menu's choice, which the frame's controller keeps.
    bool InitDocument(wxDocument* doc, const wxString& path, long flags = 0) override;

  protected:
    // The view, given the window it draws into and the frame whose caption it keeps.
    wxView* DoCreateView() override;

  private:
    wxWeakRef<CMainFrame> m_frame;
};

}  // namespace rollscribe
