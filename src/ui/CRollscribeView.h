#pragma once

#include <wx/docview.h>

#include <vector>

#include "ui/ReportLayout.h"

class CRollscribeDoc;
class CViewWindow;

// The one view: it shows the roll report of the document, rebuilt from the document's fields at
// every paint, drawn from the top-left corner of the window with the window's own font and
// colours. Lines end only at line breaks; what does not fit is cut off at the right and bottom.
class CRollscribeView : public wxView {
  public:
    CRollscribeView();
    ~CRollscribeView() override;

    bool OnCreate(wxDocument* doc, long flags) override;
    void OnDraw(wxDC* dc) override;
    void OnUpdate(wxView* sender, wxObject* hint) override;
    bool OnClose(bool deleteWindow) override;
    // The caption: "<document title> - Rollscribe".
    void OnChangeFilename() override;

    // The report of the document's fields, laid out as it is drawn: all of it, or only the lines
    // and line starts that a window can show (see ClipReport).
    std::vector<ReportLine> ReportLines() const;
    std::vector<ReportLine> ReportLines(std::size_t maxLines, std::size_t maxLineBytes) const;

  private:
    const CRollscribeDoc& Roll() const;
    CViewWindow* Window() const;

    wxDECLARE_DYNAMIC_CLASS(CRollscribeView);
};
