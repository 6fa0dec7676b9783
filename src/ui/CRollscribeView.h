#pragma once

#include <wx/docview.h>
#include <wx/weakref.h>

#include <vector>

#include "ui/CViewWindow.h"
#include "ui/ReportLayout.h"

class CRollscribeDoc;

// The one view: it shows the roll report of the document, rebuilt from the document's fields at
// every paint, drawn from the top-left corner of the window with the window's own font and
// colours. Lines end only at line breaks; what does not fit is cut off at the right and bottom,
// and the window's scroll bars bring it into sight. Text selected in the window is drawn
// highlighted; the view finds places and text for the window's selection.
class CRollscribeView : public wxView, public rollscribe::CReportText {
  public:
    // The toolkit's run-time class record needs a default view; it has no window to draw into
    // and cannot be created for a document.
    CRollscribeView();
    // The view that draws into window and keeps the caption of frame.
    CRollscribeView(wxFrame& frame, rollscribe::CViewWindow& window);
    ~CRollscribeView() override;

    bool OnCreate(wxDocument* doc, long flags) override;
    void OnDraw(wxDC* dc) override;
    void OnUpdate(wxView* sender, wxObject* hint) override;
    bool OnClose(bool deleteWindow) override;
    // The caption: "<document title> - Rollscribe".
    void OnChangeFilename() override;

    // The report of the document's fields, laid out as it is drawn, as far as a window can show
    // it: the first maxLines lines, each from its first maxLineBytes bytes (see ClipReport).
    std::vector<rollscribe::ReportLine> ReportLines(std::size_t maxLines,
                                                    std::size_t maxLineBytes) const;
    // The same from line firstLine on.
    std::vector<rollscribe::ReportLine> ReportLines(std::size_t firstLine, std::size_t maxLines,
                                                    std::size_t maxLineBytes) const;

    // The window the report is drawn into; nullptr once it has gone.
    rollscribe::CViewWindow* Window() const { return m_window.get(); }

    // Tells the window how large the report is, for its scroll bars: at every change of the
    // report (the size of the window does not enter into it).
    void UpdateExtent();

    // The report's text, for selecting and copying in the window (see CReportText).
    rollscribe::ReportPoint PointAt(const wxPoint& at) override;
    rollscribe::ReportPoint End() override;
    std::pair<rollscribe::ReportPoint, rollscribe::ReportPoint> WordAt(
        rollscribe::ReportPoint at) override;
    wxString TextBetween(rollscribe::ReportPoint from, rollscribe::ReportPoint to) override;

    // The widest a report is drawn: the toolkit measures text in units that overflow not far
    // beyond this, and no one reads a line that long.
    static constexpr int kMaxWidth = 1000000;

  private:
    const CRollscribeDoc& Roll() const;
    // The characters of a line as shown, from its first maxLineBytes bytes.
    std::u32string ShownLine(std::size_t line, std::size_t maxLineBytes) const;
    // Draws a line's runs from x on, as far as the window's width.
    void DrawLine(wxDC& dc, const rollscribe::ReportLine& line, int x, int y, int width,
                  const wxFont& font, const wxFont& underlined) const;
    void Detach();

    wxWeakRef<wxFrame> m_frame;
    wxWeakRef<rollscribe::CViewWindow> m_window;

    wxDECLARE_DYNAMIC_CLASS(CRollscribeView);
};
