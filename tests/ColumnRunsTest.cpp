#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "picture/ColumnRuns.h"

using namespace rollscribe;

namespace {

using Runs = std::vector<std::pair<std::int64_t, std::int64_t>>;

Runs RunsOf(const std::vector<HoleBar>& bars, const ColumnMapping& map, std::int64_t from,
            std::int64_t to) {
    Runs runs;
    ForEachColumnRun(std::span<const HoleBar>(bars), map, from, to,
                     [&](std::int64_t first, std::int64_t end) { runs.emplace_back(first, end); });
    return runs;
}

// Every column that some bar covers, one bar at a time, joined into runs.
Runs CoveredColumns(const std::vector<HoleBar>& bars, const ColumnMapping& map, std::int64_t from,
                    std::int64_t to) {
    std::vector<bool> covered(static_cast<std::size_t>(to - from), false);
    for (const HoleBar& bar : bars) {
        for (std::int64_t c = map.Column(bar.start); c <= map.LastColumn(bar); ++c) {
            if (c >= from && c < to) covered[static_cast<std::size_t>(c - from)] = true;
        }
    }
    Runs runs;
    for (std::int64_t c = from; c < to; ++c) {
        if (!covered[static_cast<std::size_t>(c - from)]) continue;
        if (!runs.empty() && runs.back().second == c) {
            ++runs.back().second;
        } else {
            runs.emplace_back(c, c + 1);
        }
    }
    return runs;
}

TEST(ColumnRuns, SmallCases) {
    const ColumnMapping map{0, 0, 0.1};  // ten thousandths a column
    struct Case {
        const char* name;
        std::vector<HoleBar> bars;
        std::int64_t from, to;
        Runs runs;
    };
    const Case cases[] = {
        {"none", {}, 0, 100, {}},
        {"one bar", {{100, 200}}, 0, 100, {{10, 20}}},
        {"a point is one column", {{105, 105}}, 0, 100, {{10, 11}}},
        {"end inside a column covers it", {{100, 201}}, 0, 100, {{10, 21}}},
        {"touching columns join", {{100, 200}, {200, 300}}, 0, 100, {{10, 30}}},
        {"a gap of a column stays", {{100, 200}, {210, 300}}, 0, 100, {{10, 20}, {21, 30}}},
        {"cut at the left", {{50, 200}}, 10, 100, {{10, 20}}},
        {"cut at the right", {{50, 2000}}, 0, 100, {{5, 100}}},
        {"before the window", {{0, 50}}, 10, 100, {}},
        {"after the window", {{2000, 2100}}, 0, 100, {}},
        {"many in one column",
         {{100, 101}, {102, 103}, {104, 105}, {106, 109}},
         0,
         100,
         {{10, 11}}},
    };
    for (const Case& c : cases) EXPECT_EQ(RunsOf(c.bars, map, c.from, c.to), c.runs) << c.name;
}

TEST(ColumnRuns, MatchesColumnByColumnCoverageAtEveryZoom) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::vector<HoleBar> bars;
        std::int32_t t = static_cast<std::int32_t>(random() % 100);
        const int count = static_cast<int>(random() % 400);
        for (int i = 0; i < count; ++i) {
            const std::int32_t length =
                static_cast<std::int32_t>(random() % (round % 3 ? 30 : 3000));
            bars.push_back({t, t + length});
            t += length + static_cast<std::int32_t>(random() % (round % 2 ? 20 : 2000));
        }
        const double zooms[] = {0.0001, 0.003, 0.04, 0.5, 3.7};
        const ColumnMapping map{68.0, static_cast<double>(random() % 5000) - 1000,
                                zooms[round % 5]};
        const std::int64_t from = static_cast<std::int64_t>(random() % 200);
        const std::int64_t to = from + static_cast<std::int64_t>(random() % 1500);
        EXPECT_EQ(RunsOf(bars, map, from, to), CoveredColumns(bars, map, from, to))
            << "round " << round;
    }
}

TEST(ColumnRuns, FirstMarkerOfEachColumn) {
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        std::vector<SceneMarker> markers;
        std::int32_t t = 0;
        for (int i = 0, n = static_cast<int>(random() % 300); i < n; ++i) {
            t += static_cast<std::int32_t>(random() % (round % 2 ? 5 : 500));
            markers.push_back({t, 240 + i % 16, 0, 0});
        }
        const ColumnMapping map{0, 0, round % 3 == 0 ? 0.01 : 0.3};
        const std::int64_t from = static_cast<std::int64_t>(random() % 50);
        const std::int64_t to = from + static_cast<std::int64_t>(random() % 800);
        std::vector<std::pair<std::int64_t, std::size_t>> got, expected;
        ForEachMarkerColumn(std::span<const SceneMarker>(markers), map, from, to,
                            [&](std::int64_t column, const SceneMarker& m) {
                                got.emplace_back(column,
                                                 static_cast<std::size_t>(&m - markers.data()));
                            });
        for (std::size_t i = 0; i < markers.size(); ++i) {
            const std::int64_t c = map.Column(markers[i].time);
            if (c < from || c >= to) continue;
            if (expected.empty() || expected.back().first != c) expected.emplace_back(c, i);
        }
        EXPECT_EQ(got, expected) << "round " << round;
    }
}

}  // namespace
