#include "ui/CRollscribeView.h"

#include <wx/dc.h>
#include <wx/settings.h>

#include <algorithm>

#include "app/CRollDocument.h"
#include "app/CRollscribeDocManager.h"
#include "app/StringTable.h"
#include "roll/RollReport.h"
#include "ui/CMainFrame.h"
#include "ui/CViewWindow.h"
#include "ui/TextDecoding.h"
#include "ui/WxText.h"

wxIMPLEMENT_DYNAMIC_CLASS(CRollscribeView, wxView);

CRollscribeView::CRollscribeView() = default;

CRollscribeView::~CRollscribeView() {
    if (CViewWindow* window = Window(); window && window->GetView() == this) {
        window->SetView(nullptr);
        window->Refresh();
    }
}

const CRollscribeDoc& CRollscribeView::Roll() const {
    return static_cast<const CRollDocument*>(GetDocument())->Roll();
}

CViewWindow* CRollscribeView::Window() const {
    auto* frame = dynamic_cast<CMainFrame*>(GetFrame());
    return frame ? frame->ViewWindow() : nullptr;
}

bool CRollscribeView::OnCreate(wxDocument* doc, long flags) {
    (void)flags;
    auto* manager = dynamic_cast<CRollscribeDocManager*>(doc->GetDocumentManager());
    CMainFrame* frame = manager ? manager->MainFrame() : nullptr;
    if (!frame) return false;
    SetFrame(frame);
    frame->ViewWindow()->SetView(this);
    Activate(true);
    return true;
}

bool CRollscribeView::OnClose(bool deleteWindow) {
    if (!wxView::OnClose(deleteWindow)) return false;
    Activate(false);
    if (CViewWindow* window = Window()) {
        window->SetView(nullptr);
        window->Refresh();
    }
    return true;
}

void CRollscribeView::OnUpdate(wxView* sender, wxObject* hint) {
    (void)sender;
    (void)hint;
    if (CViewWindow* window = Window()) window->Refresh();
}

void CRollscribeView::OnChangeFilename() {
    wxWindow* frame = GetFrame();
    if (!frame || !GetDocument()) return;
    std::string_view program = TemplateString(TemplateField::windowTitle);
    frame->SetLabel(GetDocument()->GetUserReadableName() + " - " +
                    wxString::FromAscii(program.data(), program.size()));
}

std::vector<ReportLine> CRollscribeView::ReportLines() const {
    return LayoutReport(DecodeText(rollscribe::BuildRollReport(Roll()).View()));
}

std::vector<ReportLine> CRollscribeView::ReportLines(std::size_t maxLines,
                                                     std::size_t maxLineBytes) const {
    return LayoutReport(
        DecodeText(ClipReport(rollscribe::BuildRollReport(Roll()).View(), maxLines, maxLineBytes)));
}

void CRollscribeView::OnDraw(wxDC* dc) {
    wxWindow* window = Window();
    if (!window) return;
    wxFont font = window->GetFont();
    if (!font.IsOk()) font = *wxNORMAL_FONT;
    wxFont underlined = font.Underlined();
    dc->SetFont(font);
    dc->SetTextForeground(window->GetForegroundColour());
    dc->SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    const int lineHeight = std::max(dc->GetCharHeight(), 1);
    const wxSize client = window->GetClientSize();
    if (client.x <= 0 || client.y <= 0) return;
    // Only what can show is laid out: a text record of megabytes would otherwise be measured at
    // every paint, and the toolkit's glyph positions overflow on lines that long. A shown
    // character takes at most 5 bytes (a "&" and a 4-byte sequence) and, but for zero-width
    // marks, at least a pixel, so 8 bytes per pixel of width keep every visible character.
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
