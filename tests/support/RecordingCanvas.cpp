#include "support/RecordingCanvas.h"

#include <cstdio>

using namespace rollscribe;

namespace testing_support {

namespace {

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string Fill(Colour colour) {
    char text[16];
    std::snprintf(text, sizeof text, "#%06X", colour.rgb & 0xFFFFFF);
    return text;
}

}  // namespace

void RecordingCanvas::Rect(const Box& box, Colour colour, double opacity) {
    if (box.Empty()) return;
    m_shapes.push_back("rect " + Number(box.x0) + " " + Number(box.y0) + " " +
                       Number(box.x1 - box.x0) + " " + Number(box.y1 - box.y0) + " " +
                       Fill(colour) + " " + Number(opacity));
}

void RecordingCanvas::FillRect(const Box& box, Colour colour, double opacity) {
    Rect(box, colour, opacity);
    m_canvas.FillRect(box, colour, opacity);
}

void RecordingCanvas::Hole(const Box& box, Colour colour, const HoleBar& bar, bool openAtEnd) {
    Rect(box, colour, 1);
    m_canvas.Hole(box, colour, bar, openAtEnd);
}

void RecordingCanvas::FillPolygon(std::span<const Point> points, Colour colour) {
    std::string line = "polygon";
    for (const Point& p : points) line += " " + Number(p.x) + "," + Number(p.y);
    m_shapes.push_back(line + " " + Fill(colour));
    m_canvas.FillPolygon(points, colour);
}

void RecordingCanvas::Line(std::span<const Point> points, const LineStyle& style) {
    if (points.size() < 2) return;
    std::string line = "polyline";
    for (const Point& p : points) line += " " + Number(p.x) + "," + Number(p.y);
    m_shapes.push_back(line + " " + Fill(style.colour) + " " + Number(style.width) +
                       (style.smooth ? "" : " crisp"));
}

void RecordingCanvas::StrokeLine(std::span<const Point> points, const LineStyle& style) {
    Line(points, style);
    m_canvas.StrokeLine(points, style);
}

void RecordingCanvas::LevelCurve(std::span<const Point> points, const LineStyle& style, Half half) {
    Line(points, style);
    m_canvas.LevelCurve(points, style, half);
}

void RecordingCanvas::PedalBand(const Box& box, Colour colour, Pedal pedal, const HoleBar& down) {
    Rect(box, colour, 1);
    m_canvas.PedalBand(box, colour, pedal, down);
}

void RecordingCanvas::Text(double x, double baseline, std::string_view text, const TextFont& font,
                           Colour colour) {
    if (!text.empty())
        m_shapes.push_back("text " + Number(x) + " " + Number(baseline) + " " + Number(font.size) +
                           " " + (font.bold ? "bold" : "normal") + " " + Fill(colour) + " " +
                           std::string(text));
    m_canvas.Text(x, baseline, text, font, colour);
}

}  // namespace testing_support
