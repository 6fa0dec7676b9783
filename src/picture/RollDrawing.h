#pragma once

#include "picture/MarkerTextRows.h"
#include "picture/PictureCanvas.h"
#include "picture/RollLayout.h"
#include "picture/RollScene.h"

namespace rollscribe {

// Draws what a view shows of a roll picture through a canvas: the header, the time scale, the
// marker strip, the lanes with their holes and the lane labels, as RollLayout places them. The
// one routine of every picture (the window, PNG, PDF and SVG files). Only what lies inside the
// canvas's area is drawn, and the drawing inside it is the same however the area is cut up.
// The marker texts go where rows puts them when it is laid out at the view's zoom (a window
// keeps them from paint to paint); otherwise they are laid out afresh.
void DrawRoll(PictureCanvas& canvas, const RollScene& scene, const RollView& view,
              const MarkerTextRows* rows = nullptr);

// Draws the playing position, a roll position, as a line over the scale, markers and lanes.
// The line starts at the pixel column of the position; the arrow head over it reaches from
// kCursorReachLeft pixels before that column to kCursorReachRight pixels after it.
inline constexpr int kCursorReachLeft = 5;
inline constexpr int kCursorReachRight = 7;
void DrawCursor(PictureCanvas& canvas, const RollScene& scene, const RollView& view, double time);

}  // namespace rollscribe
