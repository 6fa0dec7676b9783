#pragma once

#include <algorithm>
#include <span>
#include <string_view>

#include "picture/RollPalette.h"
#include "picture/RollScene.h"

namespace rollscribe {

// A rectangle of a drawing, from (x0, y0) to (x1, y1).
struct Box {
    double x0, y0, x1, y1;
    bool Empty() const noexcept { return !(x1 > x0 && y1 > y0); }
};

inline Box Intersect(const Box& a, const Box& b) noexcept {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

struct Point {
    double x, y;
};

// The picture's one typeface, at a size in the drawing's units.
struct TextFont {
    double size;
    bool bold = false;
};

// How a line is drawn: its colour and width, smoothed at its edges or, for a line of far more
// points than pixels (a scribble smoothing cannot show, and costs much to smooth), not.
struct LineStyle {
    Colour colour;
    double width;
    bool smooth = true;
};

// The parts of the picture, for canvases that keep them apart (the SVG's groups).
enum class PicturePart { lanes, markers, scale, expression, gutter, header };

// What the roll picture is drawn through: filled rectangles and polygons, lines along points and
// lines of text in the picture's typeface, with a measured width, in the units of the drawing
// (pixels or points, from (0, 0) at the top left). One drawing routine (RollDrawing) draws the
// screen, PNG, PDF and SVG pictures through it, so that they show the same. A canvas may also
// keep what the shapes stand for (holes, markers, lanes, pedals, levels): the calls that say so
// draw nothing of their own by default, or draw the shape given.
class PictureCanvas {
  public:
    virtual ~PictureCanvas() = default;

    // The part of the drawing that needs drawing, on whole units; what lies outside may be
    // skipped. The drawing must be the same inside it however it is cut up.
    virtual Box Area() const = 0;
    // Whether the canvas wants every hole and marker as its own shape, with what it stands for;
    // otherwise holes too small to tell apart come as runs of pixel columns and a column's
    // markers as one.
    virtual bool KeepsEveryItem() const { return false; }

    // Drawing is limited to the box until the matching PopClip. A canvas that is always drawn
    // whole may ignore it: the routine keeps every shape and text inside its part of the layout.
    virtual void PushClip(const Box& box) = 0;
    virtual void PopClip() = 0;

    virtual void FillRect(const Box& box, Colour colour, double opacity = 1) = 0;
    virtual void FillPolygon(std::span<const Point> points, Colour colour) = 0;
    // A line through the points, width wide, with round joins.
    virtual void StrokeLine(std::span<const Point> points, const LineStyle& style) = 0;
    // The width of a text (UTF-8) in the font, and the text drawn from x on a baseline.
    virtual double TextWidth(std::string_view text, const TextFont& font) = 0;
    virtual void Text(double x, double baseline, std::string_view text, const TextFont& font,
                      Colour colour) = 0;

    // What the shapes drawn between Begin and End stand for.
    virtual void BeginPart(PicturePart) {}
    virtual void EndPart() {}
    // The holes of a lane, drawn in the colour given.
    virtual void BeginLane(const SceneLane&, Colour /*holes*/) {}
    virtual void EndLane() {}
    // One hole of the lane begun, drawn as the box; openAtEnd for one still open at the end.
    virtual void Hole(const Box& box, Colour colour, const HoleBar&, bool /*openAtEnd*/) {
        FillRect(box, colour);
    }
    // A time a pedal was down, drawn as the box.
    virtual void PedalBand(const Box& box, Colour colour, Pedal, const HoleBar& /*down*/) {
        FillRect(box, colour);
    }
    // A half's level curve, or the part of it that the area shows.
    virtual void LevelCurve(std::span<const Point> points, const LineStyle& style, Half) {
        StrokeLine(points, style);
    }
    // A marker and its text, in full.
    virtual void BeginMarker(const SceneMarker&, std::string_view /*label*/) {}
    virtual void EndMarker() {}
};

}  // namespace rollscribe
