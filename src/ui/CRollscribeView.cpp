#include "ui/CRollscribeView.h"

#include <wx/dc.h>
#include <wx/frame.h>
#include <wx/settings.h>

#include <algorithm>

#include "resources/StringTable.h"
#include "roll/RollReport.h"
#include "platform/TextDecoding.h"
#include "text/WxText.h"
#include "ui/CRollWxDocument.h"

using namespace rollscribe;

wxIMPLEMENT_DYNAMIC_CLASS(CRollscribeView, wxView);

CRollscribeView::CRollscribeView() = default;

CRollscribeView::CRollscribeView(wxFrame& frame, CViewWindow& window)
    : m_frame(&frame), m_window(&window) {}

CRollscribeView::~CRollscribeView() {
    Detach();
}

const CRollscribeDoc& CRollscribeView::Roll() const {
    // The document template pairs this view with the roll document.
    return static_cast<const CRollWxDocument*>(GetDocument())->Roll();
}

void CRollscribeView::Detach() {
    if (CViewWindow* window = m_window.get(); window && window->GetView() == this) {
        window->SetView(nullptr);
        window->Refresh();
    }
}

bool CRollscribeView::OnCreate(wxDocument* doc, long flags) {
    (void)doc;
    (void)flags;
    if (!m_frame || !m_window) return false;
    SetFrame(m_frame.get());
    m_window->SetView(this);
    Activate(true);
    return true;
}

bool CRollscribeView::OnClose(bool deleteWindow) {
    if (!wxView::OnClose(deleteWindow)) return false;
    Activate(false);
    Detach();
    return true;
}

void CRollscribeView::OnUpdate(wxView* sender, wxObject* hint) {
    (void)sender;
    (void)hint;
    if (m_window) m_window->Refresh();
}

void CRollscribeView::OnChangeFilename() {
    if (!m_frame || !GetDocument()) return;
    m_frame->SetLabel(GetDocument()->GetUserReadableName() + " - " +
                      WxAscii(TemplateString(TemplateField::windowTitle)));
}

std::vector<ReportLine> CRollscribeView::ReportLines(std::size_t maxLines,
                                                     std::size_t maxLineBytes) const {
    return LayoutReport(
        DecodeText(ClipReport(rollscribe::BuildRollReport(Roll()).View(), maxLines, maxLineBytes)));
}

void CRollscribeView::OnDraw(wxDC* dc) {
    CViewWindow* window = m_window.get();
    if (!window || !GetDocument()) return;
    wxFont font = window->GetFont();
    if (!font.IsOk()) font = *wxNORMAL_FONT;
    wxFont underlined = font.Underlined();
    dc->SetFont(font);
    dc->SetTextForeground(window->GetForegroundColour());
    dc->SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    const int lineHeight = std::max(dc->GetCharHeight(), 1);
    const wxSize client = window->GetClientSize();
    if (client.x <= 0 || client.y <= 0) return;
    // Only what can show is laid out, since roll texts have no length limit: for a report with a
    // 10 MB line, laying all of it out took 0.8 s at every paint against 0.03 s for what a 900
    // by 600 window shows (200,000 short lines: 0.46 s against 0.2 ms), and the toolkit's glyph
    // positions overflow on lines that long. A shown character takes at most 5 bytes (a "&"
    // and a 4-byte sequence) and, but for zero-width marks, at least a pixel, so 8 bytes per
    // pixel of width keep every visible character.
    const auto maxLines = static_cast<std::size_t>(client.y / lineHeight + 1);
    const auto maxLineBytes = static_cast<std::size_t>(client.x) * 8 + 8;
    int y = 0;
    for (const ReportLine& line : ReportLines(maxLines, maxLineBytes)) {
        if (y >= client.y) break;  // below the window: cut off
        int x = 0;
        for (const ReportRun& run : line) {
            if (x >= client.x) break;
            wxString text = WxFromChars(run.text);
            dc->SetFont(run.underlined ? underlined : font);
            dc->DrawText(text, x, y);
            x += dc->GetTextExtent(text).x;
        }
        y += lineHeight;
    }
    dc->SetFont(font);
}
