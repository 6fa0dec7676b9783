#pragma once

#include <cairo.h>

#include "picture/RollLayout.h"
#include "picture/RollScene.h"

namespace rollscribe {

// Draws what a view shows of a roll picture into a Cairo context whose units are the view's,
// with (0, 0) at the view's top left corner. Only what lies inside the context's clip is drawn,
// so a window's paint handler can clip to the part that needs repainting and pay only for that;
// holes too small to tell apart are drawn as runs of pixel columns. The same drawing serves the
// PNG and PDF files and the desktop program's roll pane. Leaves the context's state as it was.
void PaintRoll(cairo_t* cr, const RollScene& scene, const RollView& view);

// Draws the playing position, a roll position, as a line over the scale, markers and lanes.
// The line starts at the pixel column of the position; the arrow head over it reaches from
// kCursorReachLeft pixels before that column to kCursorReachRight pixels after it.
inline constexpr int kCursorReachLeft = 5;
inline constexpr int kCursorReachRight = 7;
void PaintCursor(cairo_t* cr, const RollScene& scene, const RollView& view, double time);

}  // namespace rollscribe
