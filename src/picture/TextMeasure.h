#pragma once

#include <cairo.h>

#include <memory>
#include <string_view>

#include "picture/CairoCanvas.h"

namespace rollscribe {

// Measures texts in the picture's typeface as the Cairo canvas draws them, without a drawing:
// for the SVG canvas and for laying out texts outside a paint.
class TextMeasure {
  public:
    TextMeasure();
    ~TextMeasure();
    TextMeasure(const TextMeasure&) = delete;
    TextMeasure& operator=(const TextMeasure&) = delete;

    double Width(std::string_view text, const TextFont& font);

  private:
    struct SurfaceDeleter {
        void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
    };
    struct ContextDeleter {
        void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    };
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> m_surface;
    std::unique_ptr<cairo_t, ContextDeleter> m_cr;
    std::unique_ptr<CairoCanvas> m_canvas;
};

}  // namespace rollscribe
