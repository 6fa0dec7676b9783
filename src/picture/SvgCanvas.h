#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "picture/PictureCanvas.h"
#include "picture/TextMeasure.h"

namespace rollscribe {

class CAtomicFile;

// The canvas of the SVG file: writes each shape and text as an element, in large pieces, into
// a file. It keeps every hole and marker: a hole is a rect element with class="hole", data-note
// (track + 15), data-start and data-end (roll positions in thousandths of an inch) and, for one
// still open at the roll's end, data-open="true", inside a g element of class "lane" (and
// "muted" for a lane the MIDI file does not play as notes) with the note's data-note; a marker
// is a g element of class "marker" with data-code and data-time and its whole text as a title.
// The expression's pedal bands are rect elements with class="pedal", data-pedal ("sustain" or
// "soft"), data-start and data-end (roll positions, as the holes'); its level curves polyline
// elements with class="level" and data-half ("bass" or "treble").
// Texts are measured as the Cairo canvas measures them. Always drawn whole: clips are ignored.
class SvgCanvas final : public PictureCanvas {
  public:
    // Begins the document: a picture of width x height with the title.
    SvgCanvas(CAtomicFile& file, double width, double height, std::string_view title);
    ~SvgCanvas() override;
    SvgCanvas(const SvgCanvas&) = delete;
    SvgCanvas& operator=(const SvgCanvas&) = delete;

    // Ends the document and writes what is left of it.
    void Finish();

    Box Area() const override { return {0, 0, m_width, m_height}; }
    bool KeepsEveryItem() const override { return true; }
    void PushClip(const Box&) override {}
    void PopClip() override {}
    void FillRect(const Box& box, Colour colour, double opacity) override;
    void FillPolygon(std::span<const Point> points, Colour colour) override;
    void StrokeLine(std::span<const Point> points, const LineStyle& style) override;
    double TextWidth(std::string_view text, const TextFont& font) override;
    void Text(double x, double baseline, std::string_view text, const TextFont& font,
              Colour colour) override;

    void BeginPart(PicturePart part) override;
    void EndPart() override;
    void BeginLane(const SceneLane& lane, Colour holes) override;
    void EndLane() override;
    void Hole(const Box& box, Colour colour, const HoleBar& bar, bool openAtEnd) override;
    void PedalBand(const Box& box, Colour colour, Pedal pedal, const HoleBar& down) override;
    void LevelCurve(std::span<const Point> points, const LineStyle& style, Half half) override;
    void BeginMarker(const SceneMarker& marker, std::string_view label) override;
    void EndMarker() override;

  private:
    SvgCanvas& Put(std::string_view text);
    SvgCanvas& Put(double value);
    SvgCanvas& Put(std::int64_t value);
    SvgCanvas& Escaped(std::string_view text);
    SvgCanvas& Fill(Colour colour);
    SvgCanvas& Place(const Box& box);
    SvgCanvas& Points(std::span<const Point> points);
    void Line(std::string_view attributes, std::span<const Point> points, const LineStyle& style);
    // Ends an element's line; a marker's elements stay on its line.
    void EndLine();
    void FlushIfFull();

    CAtomicFile& m_file;
    double m_width;
    double m_height;
    std::string m_text;
    bool m_inMarker = false;
    std::int32_t m_laneNote = 0;
    Colour m_laneColour{0};
    TextMeasure m_measure;
};

}  // namespace rollscribe
