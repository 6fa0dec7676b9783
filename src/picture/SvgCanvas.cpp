#include "picture/SvgCanvas.h"

#include <charconv>
#include <cstdio>

#include "picture/DisplayText.h"
#include "platform/CAtomicFile.h"

namespace rollscribe {

namespace {

constexpr std::size_t kFlushSize = 256 * 1024;

const char* PartElement(PicturePart part) {
    switch (part) {
        case PicturePart::lanes:
            return "<g id=\"lanes\">";
        case PicturePart::markers:
            return "<g id=\"markers\">";
        case PicturePart::scale:
            return "<g class=\"scale\">";
        case PicturePart::expression:
            return "<g id=\"expression\">";
        case PicturePart::gutter:
            return "<g id=\"gutter\">";
        case PicturePart::header:
            return "<g id=\"header\">";
    }
    return "<g>";
}

// Whether XML would fold the text's blanks: two in a row, or one at an end.
bool NeedsPreservedSpace(std::string_view text) {
    return !text.empty() &&
           (text.front() == ' ' || text.back() == ' ' || text.find("  ") != std::string_view::npos);
}

}  // namespace

SvgCanvas::SvgCanvas(CAtomicFile& file, double width, double height, std::string_view title)
    : m_file(file), m_width(width), m_height(height) {
    m_text.reserve(kFlushSize + 4096);
    Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" ")
        .Put("width=\"")
        .Put(width)
        .Put("\" height=\"")
        .Put(height)
        .Put("\" viewBox=\"0 0 ")
        .Put(width)
        .Put(" ")
        .Put(height)
        .Put("\" font-family=\"DejaVu Sans, Verdana, sans-serif\">\n<title>")
        .Escaped(title)
        .Put("</title>\n");
}

SvgCanvas::~SvgCanvas() = default;

void SvgCanvas::Finish() {
    Put("</svg>\n");
    m_file.Write(m_text.data(), m_text.size());
    m_text.clear();
}

SvgCanvas& SvgCanvas::Put(std::string_view text) {
    m_text += text;
    return *this;
}

SvgCanvas& SvgCanvas::Put(double value) {
    char buffer[64];
    // Two decimals are a hundredth of a pixel; whole numbers without a point.
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (ec != std::errc()) return Put("0");
    char* last = end;
    while (last > buffer && last[-1] == '0') --last;
    if (last > buffer && last[-1] == '.') --last;
    std::string_view digits(buffer, static_cast<std::size_t>(last - buffer));
    if (digits == "-0") digits = "0";
    return Put(digits);
}

SvgCanvas& SvgCanvas::Put(std::int64_t value) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return Put(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

SvgCanvas& SvgCanvas::Escaped(std::string_view text) {
    AppendXmlEscaped(m_text, text);
    return *this;
}

SvgCanvas& SvgCanvas::Fill(Colour colour) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%06X", colour.rgb & 0xFFFFFF);
    return Put(buffer);
}

SvgCanvas& SvgCanvas::Place(const Box& box) {
    return Put(" x=\"")
        .Put(box.x0)
        .Put("\" y=\"")
        .Put(box.y0)
        .Put("\" width=\"")
        .Put(box.x1 - box.x0)
        .Put("\" height=\"")
        .Put(box.y1 - box.y0)
        .Put("\"");
}

SvgCanvas& SvgCanvas::Points(std::span<const Point> points) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        Put(i ? " " : "").Put(points[i].x).Put(",").Put(points[i].y);
        // A long curve is written out as it goes.
        if (m_text.size() >= kFlushSize) {
            m_file.Write(m_text.data(), m_text.size());
            m_text.clear();
        }
    }
    return *this;
}

void SvgCanvas::EndLine() {
    if (!m_inMarker) m_text += '\n';
    FlushIfFull();
}

void SvgCanvas::FlushIfFull() {
    if (m_text.size() < kFlushSize) return;
    m_file.Write(m_text.data(), m_text.size());
    m_text.clear();
}

void SvgCanvas::FillRect(const Box& box, Colour colour, double opacity) {
    if (box.Empty()) return;
    Put("<rect").Place(box).Put(" fill=\"").Fill(colour).Put("\"");
    if (opacity != 1) Put(" opacity=\"").Put(opacity).Put("\"");
    Put("/>");
    EndLine();
}

void SvgCanvas::FillPolygon(std::span<const Point> points, Colour colour) {
    Put("<polygon points=\"").Points(points).Put("\" fill=\"").Fill(colour).Put("\"/>");
    EndLine();
}

void SvgCanvas::Line(std::string_view attributes, std::span<const Point> points,
                     const LineStyle& style) {
    if (points.size() < 2) return;
    Put("<polyline").Put(attributes).Put(" points=\"").Points(points);
    Put("\" fill=\"none\" stroke=\"").Fill(style.colour).Put("\" stroke-width=\"").Put(style.width);
    Put("\" stroke-linejoin=\"round\"");
    if (!style.smooth) Put(" shape-rendering=\"crispEdges\"");
    Put("/>");
    EndLine();
}

void SvgCanvas::StrokeLine(std::span<const Point> points, const LineStyle& style) {
    Line({}, points, style);
}

void SvgCanvas::LevelCurve(std::span<const Point> points, const LineStyle& style, Half half) {
    Line(half == Half::bass ? " class=\"level\" data-half=\"bass\""
                            : " class=\"level\" data-half=\"treble\"",
         points, style);
}

void SvgCanvas::PedalBand(const Box& box, Colour colour, Pedal pedal, const HoleBar& down) {
    if (box.Empty()) return;
    Put("<rect class=\"pedal\" data-pedal=\"")
        .Put(pedal == Pedal::sustain ? "sustain" : "soft")
        .Put("\" data-start=\"")
        .Put(std::int64_t{down.start})
        .Put("\" data-end=\"")
        .Put(std::int64_t{down.end})
        .Put("\"")
        .Place(box)
        .Put(" fill=\"")
        .Fill(colour)
        .Put("\"/>");
    EndLine();
}

double SvgCanvas::TextWidth(std::string_view text, const TextFont& font) {
    return m_measure.Width(text, font);
}

void SvgCanvas::Text(double x, double baseline, std::string_view text, const TextFont& font,
                     Colour colour) {
    if (text.empty()) return;
    Put("<text x=\"").Put(x).Put("\" y=\"").Put(baseline).Put("\" font-size=\"").Put(font.size);
    Put("px\"");
    if (font.bold) Put(" font-weight=\"bold\"");
    if (NeedsPreservedSpace(text)) Put(" xml:space=\"preserve\"");
    Put(" fill=\"").Fill(colour).Put("\">").Escaped(text).Put("</text>");
    EndLine();
}

void SvgCanvas::BeginPart(PicturePart part) {
    Put(PartElement(part));
    EndLine();
}

void SvgCanvas::EndPart() {
    Put("</g>");
    EndLine();
}

void SvgCanvas::BeginLane(const SceneLane& lane, Colour holes) {
    m_laneNote = lane.note;
    m_laneColour = holes;
    Put("<g class=\"lane")
        .Put(lane.playable ? "" : " muted")
        .Put("\" data-note=\"")
        .Put(std::int64_t{lane.note})
        .Put("\" fill=\"")
        .Fill(holes)
        .Put("\">");
    EndLine();
}

void SvgCanvas::EndLane() {
    Put("</g>");
    EndLine();
}

void SvgCanvas::Hole(const Box& box, Colour colour, const HoleBar& bar, bool openAtEnd) {
    Put("<rect class=\"hole\" data-note=\"")
        .Put(std::int64_t{m_laneNote})
        .Put("\" data-start=\"")
        .Put(std::int64_t{bar.start})
        .Put("\" data-end=\"")
        .Put(std::int64_t{bar.end})
        .Put("\"");
    if (openAtEnd) Put(" data-open=\"true\"");
    Place(box);
    if (colour.rgb != m_laneColour.rgb) Put(" fill=\"").Fill(colour).Put("\"");
    Put("/>");
    EndLine();
}

void SvgCanvas::BeginMarker(const SceneMarker& marker, std::string_view label) {
    Put("<g class=\"marker\" data-code=\"")
        .Put(std::int64_t{marker.code})
        .Put("\" data-time=\"")
        .Put(std::int64_t{marker.time})
        .Put("\" fill=\"")
        .Fill(MarkerColour(marker.code))
        .Put("\">");
    if (!label.empty()) Put("<title>").Escaped(label).Put("</title>");
    m_inMarker = true;
}

void SvgCanvas::EndMarker() {
    m_inMarker = false;
    Put("</g>");
    EndLine();
}

}  // namespace rollscribe
