#pragma once

#include <string>
#include <vector>

#include "picture/PictureCanvas.h"

namespace testing_support {

// A canvas that passes every call on to another and writes down what is drawn, a line for each
// rectangle, polygon, line and text in the form that SvgShapes reads from an SVG file.
class RecordingCanvas final : public rollscribe::PictureCanvas {
  public:
    explicit RecordingCanvas(rollscribe::PictureCanvas& canvas) : m_canvas(canvas) {}

    const std::vector<std::string>& Shapes() const { return m_shapes; }

    rollscribe::Box Area() const override { return m_canvas.Area(); }
    bool KeepsEveryItem() const override { return m_canvas.KeepsEveryItem(); }
    void PushClip(const rollscribe::Box& box) override { m_canvas.PushClip(box); }
    void PopClip() override { m_canvas.PopClip(); }
    void FillRect(const rollscribe::Box& box, rollscribe::Colour colour, double opacity) override;
    void FillPolygon(std::span<const rollscribe::Point> points, rollscribe::Colour colour) override;
    void StrokeLine(std::span<const rollscribe::Point> points,
                    const rollscribe::LineStyle& style) override;
    void PedalBand(const rollscribe::Box& box, rollscribe::Colour colour, rollscribe::Pedal pedal,
                   const rollscribe::HoleBar& down) override;
    void LevelCurve(std::span<const rollscribe::Point> points, const rollscribe::LineStyle& style,
                    rollscribe::Half half) override;
    double TextWidth(std::string_view text, const rollscribe::TextFont& font) override {
        return m_canvas.TextWidth(text, font);
    }
    void Text(double x, double baseline, std::string_view text, const rollscribe::TextFont& font,
              rollscribe::Colour colour) override;
    void BeginPart(rollscribe::PicturePart part) override { m_canvas.BeginPart(part); }
    void EndPart() override { m_canvas.EndPart(); }
    void BeginLane(const rollscribe::SceneLane& lane, rollscribe::Colour holes) override {
        m_canvas.BeginLane(lane, holes);
    }
    void EndLane() override { m_canvas.EndLane(); }
    void Hole(const rollscribe::Box& box, rollscribe::Colour colour, const rollscribe::HoleBar& bar,
              bool openAtEnd) override;
    void BeginMarker(const rollscribe::SceneMarker& marker, std::string_view label) override {
        m_canvas.BeginMarker(marker, label);
    }
    void EndMarker() override { m_canvas.EndMarker(); }

  private:
    void Rect(const rollscribe::Box& box, rollscribe::Colour colour, double opacity);
    void Line(std::span<const rollscribe::Point> points, const rollscribe::LineStyle& style);

    rollscribe::PictureCanvas& m_canvas;
    std::vector<std::string> m_shapes;
};

}  // namespace testing_support
