#include "picture/LevelCurvePoints.h"

#include <algorithm>

namespace rollscribe {

namespace {

// The columns beyond each side of the area taken in whole: more than a line's half width.
constexpr std::int64_t kMarginColumns = 2;

}  // namespace

void LevelCurvePoints(std::span<const LevelPoint> curve, const RollLayout& layout,
                      std::int64_t from, std::int64_t to, std::vector<Point>& out) {
    out.clear();
    if (curve.empty() || from >= to) return;
    const ColumnMapping map = layout.Columns();
    const std::int64_t first = from - kMarginColumns;
    const std::int64_t end = to + kMarginColumns;
    auto columnOf = [&](const LevelPoint& p) { return map.Column(p.position); };
    auto begin = std::partition_point(curve.begin(), curve.end(),
                                      [&](const LevelPoint& p) { return columnOf(p) < first; });
    auto stop = std::partition_point(begin, curve.end(),
                                     [&](const LevelPoint& p) { return columnOf(p) < end; });
    if (begin != curve.begin()) --begin;
    if (stop != curve.end()) ++stop;

    auto add = [&](const LevelPoint& p) {
        const Point point{layout.XOfTime(p.position), layout.LevelY(p.velocity)};
        const std::size_t n = out.size();
        // The middle of three points at one height adds nothing to the line.
        if (n >= 2 && out[n - 1].y == point.y && out[n - 2].y == point.y)
            out[n - 1] = point;
        else
            out.push_back(point);
    };
    for (auto it = begin; it != stop;) {
        const std::int64_t column = columnOf(*it);
        auto last = it;
        auto lowest = it, highest = it;
        for (auto next = it + 1; next != stop && columnOf(*next) == column; ++next) {
            last = next;
            if (next->velocity < lowest->velocity) lowest = next;
            if (next->velocity > highest->velocity) highest = next;
        }
        // A column of more points shows as a stroke from its lowest to its highest, in their
        // order; the lines into and out of it join those.
        if (last - it >= 2) {
            add(*std::min(lowest, highest));
            add(*std::max(lowest, highest));
        } else {
            add(*it);
            if (last != it) add(*last);
        }
        it = last + 1;
    }
}

}  // namespace rollscribe
