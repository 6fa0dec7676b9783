#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "expression/Expression.h"
#include "picture/PictureCanvas.h"
#include "picture/RollLayout.h"

namespace rollscribe {

// The points of a level curve (in the order of their positions) that a drawing of the pixel
// columns from..to needs, at their places in the layout's level plot: a curve of many points is
// brought down to what the columns can show. Of a column of one or two points both are kept; of
// a column of more only the lowest and the highest, in their order; of a level held along
// several points only its ends. The columns two either side of the area are taken in whole, and the
// point before and the point after them, so that the line inside the area is drawn alike however
// the area is cut.
void LevelCurvePoints(std::span<const LevelPoint> curve, const RollLayout& layout,
                      std::int64_t from, std::int64_t to, std::vector<Point>& out);

}  // namespace rollscribe
