#include "ui/CRollscribeView.h"

#include <wx/dc.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/settings.h>

#include <algorithm>
#include <cmath>

#include "platform/TextDecoding.h"
#include "resources/ProgramName.h"
#include "roll/RollReport.h"
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
    if (!m_window) return;
    // A new report starts at the top-left corner.
    m_window->ScrollToStart();
    UpdateExtent();
    m_window->Refresh();
}

void CRollscribeView::UpdateExtent() {
    CViewWindow* window = m_window.get();
    if (!window || !GetDocument()) return;
    // The report is measured as OnDraw draws it, without laying all of it out: the number of
    // lines, and the width of the longest lines by bytes. A line is measured in its first
    // kMeasured bytes, and a longer one taken to go on alike.
    constexpr std::size_t kLongest = 32;
    constexpr std::size_t kMeasured = 2048;
    wxClientDC dc(window);
    wxFont font = window->GetFont();
    if (!font.IsOk()) font = *wxNORMAL_FONT;
    const wxFont underlined = font.Underlined();
    dc.SetFont(font);
    const int lineHeight = std::max(dc.GetCharHeight(), 1);
    const CString report = BuildRollReport(Roll());
    const ReportExtent extent = MeasureReport(report.View(), kLongest);
    double width = 0;
    for (std::string_view line : extent.longest) {
        const std::string_view measured = line.substr(0, kMeasured);
        double x = 0;
        for (const ReportLine& shown :
             LayoutReport(DecodeText(ClipReport(measured, 1, kMeasured)))) {
            for (const ReportRun& run : shown) {
                dc.SetFont(run.underlined ? underlined : font);
                x += dc.GetTextExtent(WxFromChars(run.text)).x;
            }
        }
        if (line.size() > measured.size() && !measured.empty())
            x *= static_cast<double>(line.size()) / static_cast<double>(measured.size());
        width = std::max(width, x);
    }
    window->SetExtent(extent.lines, lineHeight,
                      static_cast<int>(std::min<double>(std::ceil(width), kMaxWidth)));
}

void CRollscribeView::OnChangeFilename() {
    if (!m_frame || !GetDocument()) return;
    m_frame->SetLabel(GetDocument()->GetUserReadableName() + " - " + ProgramName());
}

std::vector<ReportLine> CRollscribeView::ReportLines(std::size_t maxLines,
                                                     std::size_t maxLineBytes) const {
    return ReportLines(0, maxLines, maxLineBytes);
}

std::vector<ReportLine> CRollscribeView::ReportLines(std::size_t firstLine, std::size_t maxLines,
                                                     std::size_t maxLineBytes) const {
    return LayoutReport(
        DecodeText(ClipReport(BuildRollReport(Roll()).View(), firstLine, maxLines, maxLineBytes)));
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
    // pixel of width, from the line's start to the window's right edge, keep every visible
    // character. Scrolled down, the lines above the window are skipped unread.
    const int left = window->LeftColumn();
    const auto maxLines = static_cast<std::size_t>(client.y / lineHeight + 1);
    const auto maxLineBytes = (static_cast<std::size_t>(left) + client.x) * 8 + 8;
    int y = 0;
    for (const ReportLine& line : ReportLines(window->FirstLine(), maxLines, maxLineBytes)) {
        if (y >= client.y) break;  // below the window: cut off
        int x = -left;
        for (const ReportRun& run : line) {
            if (x >= client.x) break;
            dc->SetFont(run.underlined ? underlined : font);
            if (left == 0) {
                wxString text = WxFromChars(run.text);
                dc->DrawText(text, x, y);
                x += dc->GetTextExtent(text).x;
                continue;
            }
            // Scrolled to the right, a run is measured in pieces, and the pieces left of the
            // window are not drawn.
            constexpr std::size_t kPiece = 256;
            for (std::size_t at = 0; at < run.text.size() && x < client.x; at += kPiece) {
                wxString text = WxFromChars(std::u32string_view(run.text).substr(at, kPiece));
                const int width = dc->GetTextExtent(text).x;
                if (x + width > 0) dc->DrawText(text, x, y);
                x += width;
            }
        }
        y += lineHeight;
    }
    dc->SetFont(font);
}
