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
        window->SetText(nullptr);
        window->Refresh();
    }
}

bool CRollscribeView::OnCreate(wxDocument* doc, long flags) {
    (void)doc;
    (void)flags;
    if (!m_frame || !m_window) return false;
    SetFrame(m_frame.get());
    m_window->SetView(this);
    m_window->SetText(this);
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

std::u32string CRollscribeView::ShownLine(std::size_t line, std::size_t maxLineBytes) const {
    std::u32string shown;
    const std::vector<ReportLine> lines = ReportLines(line, 1, maxLineBytes);
    if (!lines.empty())
        for (const ReportRun& run : lines.front()) shown += run.text;
    return shown;
}

ReportPoint CRollscribeView::End() {
    if (!GetDocument()) return {};
    const CString report = BuildRollReport(Roll());
    const std::size_t last = MeasureReport(report.View(), 0).lines - 1;
    return {last, ShownLine(last, report.GetLength()).size()};
}

ReportPoint CRollscribeView::PointAt(const wxPoint& at) {
    CViewWindow* window = m_window.get();
    if (!window || !GetDocument()) return {};
    wxClientDC dc(window);
    wxFont font = window->GetFont();
    if (!font.IsOk()) font = *wxNORMAL_FONT;
    dc.SetFont(font);
    const int lineHeight = std::max(dc.GetCharHeight(), 1);
    // Above the first line: its start; below the last: the report's end.
    const long long row = at.y < 0 ? -1 : at.y / lineHeight;
    const long long line = static_cast<long long>(window->FirstLine()) + row;
    if (line < 0) return {};
    const ReportPoint end = End();
    if (static_cast<std::size_t>(line) > end.line) return end;
    const long long x = static_cast<long long>(at.x) + window->LeftColumn();
    const auto maxLineBytes =
        (static_cast<std::size_t>(window->LeftColumn()) + window->GetClientSize().x) * 8 + 8;
    const std::u32string shown = ShownLine(static_cast<std::size_t>(line), maxLineBytes);
    // The boundary between characters nearest to x.
    wxArrayInt widths;
    dc.GetPartialTextExtents(WxFromChars(shown), widths);
    std::size_t column = 0;
    int before = 0;
    while (column < widths.size() && x >= (before + widths[column] + 1) / 2) {
        before = widths[column];
        ++column;
    }
    return {static_cast<std::size_t>(line), column};
}

std::pair<ReportPoint, ReportPoint> CRollscribeView::WordAt(ReportPoint at) {
    constexpr std::size_t kLongestWord = 65536;
    const std::u32string shown = ShownLine(at.line, kLongestWord);
    std::size_t from = std::min(at.column, shown.size());
    std::size_t to = from;
    while (from > 0 && shown[from - 1] != U' ') --from;
    while (to < shown.size() && shown[to] != U' ') ++to;
    return {{at.line, from}, {at.line, to}};
}

wxString CRollscribeView::TextBetween(ReportPoint from, ReportPoint to) {
    if (!GetDocument() || to <= from) return {};
    const CString report = BuildRollReport(Roll());
    const std::u32string lines = DecodeText(
        ClipReport(report.View(), from.line, to.line - from.line + 1, report.GetLength()));
    std::u32string text;
    std::size_t start = 0;
    for (std::size_t line = from.line; line <= to.line; ++line) {
        std::size_t end = lines.find(U'\n', start);
        if (end == std::u32string::npos) end = lines.size();
        const std::u32string_view source = std::u32string_view(lines).substr(start, end - start);
        text += LineSource(source, line == from.line ? from.column : 0,
                           line == to.line ? to.column : source.size() + 1);
        if (line == to.line || end == lines.size()) break;
        text += U'\n';
        start = end + 1;
    }
    return WxFromChars(text);
}

void CRollscribeView::DrawLine(wxDC& dc, const ReportLine& line, int x, int y, int width,
                               const wxFont& font, const wxFont& underlined) const {
    for (const ReportRun& run : line) {
        if (x >= width) break;
        dc.SetFont(run.underlined ? underlined : font);
        if (x >= 0) {
            wxString text = WxFromChars(run.text);
            dc.DrawText(text, x, y);
            x += dc.GetTextExtent(text).x;
            continue;
        }
        // Scrolled to the right, a run is measured in pieces, and the pieces left of the window
        // are not drawn.
        constexpr std::size_t kPiece = 256;
        for (std::size_t at = 0; at < run.text.size() && x < width; at += kPiece) {
            wxString text = WxFromChars(std::u32string_view(run.text).substr(at, kPiece));
            const int pieceWidth = dc.GetTextExtent(text).x;
            if (x + pieceWidth > 0) dc.DrawText(text, x, y);
            x += pieceWidth;
        }
    }
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
    // The selection: highlighted behind its characters, which are drawn in the highlight's text
    // colour; a line break that it takes in shows as a space's width.
    const auto [selectedFrom, selectedTo] = window->Selection();
    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    const wxColour highlightText = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
    int y = 0;
    std::size_t index = window->FirstLine();
    for (const ReportLine& line : ReportLines(window->FirstLine(), maxLines, maxLineBytes)) {
        if (y >= client.y) break;  // below the window: cut off
        DrawLine(*dc, line, -left, y, client.x, font, underlined);
        if (selectedFrom < selectedTo && selectedFrom.line <= index && index <= selectedTo.line) {
            std::u32string shown;
            for (const ReportRun& run : line) shown += run.text;
            auto xOf = [&](std::size_t column) {
                dc->SetFont(font);
                return dc->GetTextExtent(WxFromChars(shown.substr(0, column))).x - left;
            };
            const int x0 = index == selectedFrom.line ? xOf(selectedFrom.column) : -left;
            int x1 = index == selectedTo.line ? xOf(selectedTo.column)
                                              : xOf(shown.size()) + dc->GetTextExtent(" ").x;
            if (x1 > x0) {
                wxDCClipper clip(*dc, wxRect(x0, y, x1 - x0, lineHeight));
                dc->SetBrush(wxBrush(highlight));
                dc->SetPen(*wxTRANSPARENT_PEN);
                dc->DrawRectangle(x0, y, x1 - x0, lineHeight);
                dc->SetTextForeground(highlightText);
                DrawLine(*dc, line, -left, y, client.x, font, underlined);
                dc->SetTextForeground(window->GetForegroundColour());
            }
        }
        y += lineHeight;
        ++index;
    }
    dc->SetFont(font);
}
