#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "picture/RollScene.h"

namespace rollscribe {

// How roll positions fall onto the pixel columns of a drawing: x = originX + (time - leftTime) *
// pixelsPerUnit, and column c covers c <= x < c + 1.
struct ColumnMapping {
    double originX;
    double leftTime;
    double pixelsPerUnit;  // pixels for one thousandth of an inch; above 0

    std::int64_t Column(double time) const noexcept {
        return ToColumn(std::floor(originX + (time - leftTime) * pixelsPerUnit));
    }
    // The last column a bar covers: down to the column before its end, at least its first.
    std::int64_t LastColumn(const HoleBar& bar) const noexcept {
        const double endX = originX + (bar.end - leftTime) * pixelsPerUnit;
        return std::max(Column(bar.start), ToColumn(std::ceil(endX)) - 1);
    }
    // Columns far beyond any drawing are held at a bound that every integer step can pass.
    static std::int64_t ToColumn(double x) noexcept {
        return static_cast<std::int64_t>(std::clamp(x, -1e15, 1e15));
    }
    // The roll position at the left edge of a column.
    double TimeAt(std::int64_t column) const noexcept {
        return leftTime + (static_cast<double>(column) - originX) / pixelsPerUnit;
    }
};

namespace column_runs_detail {

// The first index from 'from' on whose item's time is at least 'time', found by galloping from
// 'from', so that a short step costs little and a long one a binary search.
template <typename T, typename TimeOf>
std::size_t FirstAtOrAfter(std::span<const T> items, std::size_t from, double time,
                           TimeOf timeOf) noexcept {
    const std::size_t n = items.size();
    if (from >= n || timeOf(items[from]) >= time) return from;
    std::size_t below = from;  // an index known to lie before the answer
    std::size_t step = 1;
    while (below + step < n && timeOf(items[below + step]) < time) {
        below += step;
        step *= 2;
    }
    const std::size_t end = std::min(n, below + step);
    auto it = std::partition_point(items.begin() + static_cast<std::ptrdiff_t>(below) + 1,
                                   items.begin() + static_cast<std::ptrdiff_t>(end),
                                   [&](const T& item) { return timeOf(item) < time; });
    return static_cast<std::size_t>(it - items.begin());
}

}  // namespace column_runs_detail

// Calls emit(first, end) for each run of columns first <= c < end, within from <= c < to, that
// the bars of one lane cover. Bars in the same or neighbouring columns make one run, and the
// search skips over whole columns, so a far zoomed-out view of millions of holes costs about a
// binary search per run instead of a step per hole. Bars must not overlap (a lane's never do).
template <typename Emit>
void ForEachColumnRun(std::span<const HoleBar> bars, const ColumnMapping& map, std::int64_t from,
                      std::int64_t to, Emit&& emit) {
    if (from >= to) return;
    const double fromTime = map.TimeAt(from);
    auto startOf = [](const HoleBar& bar) { return static_cast<double>(bar.start); };
    std::size_t i = static_cast<std::size_t>(
        std::partition_point(bars.begin(), bars.end(),
                             [fromTime](const HoleBar& bar) { return bar.end < fromTime; }) -
        bars.begin());
    while (i < bars.size()) {
        const std::int64_t first = map.Column(bars[i].start);
        if (first >= to) return;
        std::int64_t last = map.LastColumn(bars[i]);
        // Take in every later bar that starts in a covered column or the one next to it.
        while (last < to - 1) {
            const std::size_t j =
                column_runs_detail::FirstAtOrAfter(bars, i + 1, map.TimeAt(last + 2), startOf);
            if (j == i + 1) break;
            i = j - 1;
            last = std::max(last, map.LastColumn(bars[i]));
        }
        if (last >= from) emit(std::max(first, from), std::min(last, to - 1) + 1);
        if (last >= to - 1) return;
        ++i;
    }
}

// Calls emit(column, marker) for the first marker of each column from <= c < to that has any,
// skipping the others of that column by a search.
template <typename Emit>
void ForEachMarkerColumn(std::span<const SceneMarker> markers, const ColumnMapping& map,
                         std::int64_t from, std::int64_t to, Emit&& emit) {
    if (from >= to) return;
    auto timeOf = [](const SceneMarker& m) { return static_cast<double>(m.time); };
    std::size_t i = column_runs_detail::FirstAtOrAfter(markers, 0, map.TimeAt(from), timeOf);
    while (i < markers.size()) {
        const std::int64_t column = std::max(from, map.Column(markers[i].time));
        if (column >= to) return;
        emit(column, markers[i]);
        i = column_runs_detail::FirstAtOrAfter(markers, i + 1, map.TimeAt(column + 1), timeOf);
    }
}

}  // namespace rollscribe
