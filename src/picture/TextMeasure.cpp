#include "picture/TextMeasure.h"

namespace rollscribe {

TextMeasure::TextMeasure()
    : m_surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1)),
      m_cr(cairo_create(m_surface.get())),
      m_canvas(std::make_unique<CairoCanvas>(m_cr.get(), 1, 1)) {}

// The canvas goes before its context.
TextMeasure::~TextMeasure() {
    m_canvas.reset();
}

double TextMeasure::Width(std::string_view text, const TextFont& font) {
    return m_canvas->TextWidth(text, font);
}

}  // namespace rollscribe
