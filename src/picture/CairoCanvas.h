#pragma once

#include <cairo.h>

#include <string>

#include "picture/PictureCanvas.h"

namespace rollscribe {

// The canvas of the screen and of the PNG and PDF files: draws into a Cairo context whose units
// are the drawing's, only inside the context's clip (within width x height), so that a window's
// paint handler can clip to the part that needs repainting and pay only for that. Rectangles of
// one colour drawn one after another are filled together. Leaves the context's state as it was
// once destroyed.
class CairoCanvas final : public PictureCanvas {
  public:
    CairoCanvas(cairo_t* cr, double width, double height);
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    Box Area() const override { return m_area; }
    void PushClip(const Box& box) override;
    void PopClip() override;
    void FillRect(const Box& box, Colour colour, double opacity) override;
    void FillPolygon(std::span<const Point> points, Colour colour) override;
    void StrokeLine(std::span<const Point> points, const LineStyle& style) override;
    double TextWidth(std::string_view text, const TextFont& font) override;
    void Text(double x, double baseline, std::string_view text, const TextFont& font,
              Colour colour) override;

  private:
    // Fills the rectangles gathered so far.
    void Flush();
    void UseFont(const TextFont& font);
    // The text as Cairo takes it: a terminated string of the characters it accepts.
    const char* Terminated(std::string_view text);

    cairo_t* m_cr;
    Box m_area;
    bool m_pending = false;  // rectangles gathered in the path, of m_colour and m_opacity
    Colour m_colour{0};
    double m_opacity = 1;
    TextFont m_font{0};
    std::string m_text;
};

}  // namespace rollscribe
