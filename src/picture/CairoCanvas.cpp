#include "picture/CairoCanvas.h"

#include <cmath>

#include "picture/DisplayText.h"

namespace rollscribe {

namespace {

constexpr const char* kFont = "DejaVu Sans";

}  // namespace

CairoCanvas::CairoCanvas(cairo_t* cr, double width, double height) : m_cr(cr) {
    cairo_save(m_cr);
    Box clip;
    cairo_clip_extents(m_cr, &clip.x0, &clip.y0, &clip.x1, &clip.y1);
    clip = Intersect(clip, {0, 0, width, height});
    // Whole pixels, so that every part is drawn over whole columns.
    m_area = {std::floor(clip.x0), std::floor(clip.y0), std::ceil(clip.x1), std::ceil(clip.y1)};
}

CairoCanvas::~CairoCanvas() {
    Flush();
    cairo_restore(m_cr);
}

void CairoCanvas::Flush() {
    if (!m_pending) return;
    cairo_fill(m_cr);
    m_pending = false;
}

void CairoCanvas::PushClip(const Box& box) {
    Flush();
    cairo_save(m_cr);
    cairo_rectangle(m_cr, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
    cairo_clip(m_cr);
}

void CairoCanvas::PopClip() {
    Flush();
    cairo_restore(m_cr);
    m_font = TextFont{0};  // the restore brought back the font of before
}

void CairoCanvas::FillRect(const Box& box, Colour colour, double opacity) {
    if (box.Empty()) return;
    if (!m_pending || colour.rgb != m_colour.rgb || opacity != m_opacity) {
        Flush();
        cairo_set_source_rgba(m_cr, colour.Red(), colour.Green(), colour.Blue(), opacity);
        m_colour = colour;
        m_opacity = opacity;
        m_pending = true;
    }
    cairo_rectangle(m_cr, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
}

void CairoCanvas::FillPolygon(std::span<const Point> points, Colour colour) {
    if (points.empty()) return;
    Flush();
    cairo_set_source_rgb(m_cr, colour.Red(), colour.Green(), colour.Blue());
    cairo_move_to(m_cr, points[0].x, points[0].y);
    for (const Point& p : points.subspan(1)) cairo_line_to(m_cr, p.x, p.y);
    cairo_close_path(m_cr);
    cairo_fill(m_cr);
}

void CairoCanvas::StrokeLine(std::span<const Point> points, const LineStyle& style) {
    if (points.size() < 2) return;
    Flush();
    cairo_save(m_cr);
    const Colour colour = style.colour;
    cairo_set_source_rgb(m_cr, colour.Red(), colour.Green(), colour.Blue());
    cairo_set_line_width(m_cr, style.width);
    if (!style.smooth) cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_join(m_cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_BUTT);
    cairo_move_to(m_cr, points[0].x, points[0].y);
    for (const Point& p : points.subspan(1)) cairo_line_to(m_cr, p.x, p.y);
    cairo_stroke(m_cr);
    cairo_restore(m_cr);
    m_font = TextFont{0};  // the restore brought back the font of before
}

void CairoCanvas::UseFont(const TextFont& font) {
    if (font.size == m_font.size && font.bold == m_font.bold) return;
    cairo_select_font_face(m_cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(m_cr, font.size);
    m_font = font;
}

const char* CairoCanvas::Terminated(std::string_view text) {
    m_text = CairoText(text);
    return m_text.c_str();
}

double CairoCanvas::TextWidth(std::string_view text, const TextFont& font) {
    UseFont(font);
    cairo_text_extents_t extents;
    cairo_text_extents(m_cr, Terminated(text), &extents);
    return extents.x_advance;
}

void CairoCanvas::Text(double x, double baseline, std::string_view text, const TextFont& font,
                       Colour colour) {
    if (text.empty()) return;
    Flush();
    UseFont(font);
    cairo_set_source_rgb(m_cr, colour.Red(), colour.Green(), colour.Blue());
    cairo_move_to(m_cr, x, baseline);
    cairo_show_text(m_cr, Terminated(text));
}

}  // namespace rollscribe
