#include "picture/RollDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "picture/ColumnRuns.h"
#include "picture/LevelCurvePoints.h"
#include "picture/MarkerTextRows.h"
#include "picture/NoteNames.h"
#include "picture/SceneTexts.h"
#include "picture/TimeScale.h"

namespace rollscribe {

namespace {

// Markers closer than this (in pixels) to a neighbour get no line across the lanes.
constexpr std::int64_t kMarkerLineSpacing = 6;
constexpr TextFont kTitleFont{15, true};
constexpr TextFont kSummaryFont{11};
constexpr TextFont kSmallFont{10};   // scale labels, the legend
constexpr TextFont kCaptionFont{9};  // what the rows of the scale and the strip show
// Repeated lane labels stop this far before the roll's end, and reach at most this far right.
constexpr double kRepeatedLabelsEnd = 80;
constexpr double kRepeatedLabelsWidth = 60;
// A marker text's baseline, from the top of its row.
constexpr double kMarkerBaseline = 10;
// The control holes' words along their lanes reach at most this far.
constexpr double kControlLabelWidth = 110;
// The expression strip: the velocities marked on its scale, the level curves' width.
constexpr double kVelocityMarks[] = {1, 32, 64, 96, 127};
// A level plot lower than this names every other mark only, and its curves without the word
// "velocity" above them.
constexpr double kRoomyLevelPlot = 60;
// The bass line is the wider, drawn first, so that where both halves have one level it shows
// on either side of the treble's.
constexpr double kLevelLineWidths[] = {2.2, 1.2};
constexpr Colour kLevelColours[] = {palette::kBassLevel, palette::kTrebleLevel};
constexpr const char* kHalfNames[] = {"bass", "treble"};
constexpr Colour kPedalColours[] = {palette::kSustainPedal, palette::kSoftPedal};
constexpr const char* kPedalNames[] = {"sustain", "soft"};

// A line one pixel wide along a column or a row, on whole pixels.
Box VerticalRule(double x, double y0, double y1) {
    return {std::floor(x), y0, std::floor(x) + 1, y1};
}
Box HorizontalRule(double x0, double x1, double y) {
    return {x0, std::floor(y), x1, std::floor(y) + 1};
}

// The first characters of a text (UTF-8) that fit in the room, by the canvas's measure.
std::string_view Fitting(PictureCanvas& canvas, std::string_view text, const TextFont& font,
                         double room) {
    if (room <= 0) return {};
    if (canvas.TextWidth(text, font) <= room) return text;
    // The character boundaries, then the longest prefix that fits, by halving.
    std::vector<std::size_t> ends;
    for (std::size_t i = 1; i <= text.size(); ++i) {
        if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ends.push_back(i);
    }
    std::size_t fits = 0, fails = ends.size();  // counts of characters
    while (fails - fits > 1) {
        const std::size_t middle = (fits + fails) / 2;
        if (canvas.TextWidth(text.substr(0, ends[middle - 1]), font) <= room)
            fits = middle;
        else
            fails = middle;
    }
    return fits == 0 ? std::string_view() : text.substr(0, ends[fits - 1]);
}

class Drawing {
  public:
    Drawing(PictureCanvas& canvas, const RollScene& scene, const RollView& view,
            const MarkerTextRows* rows)
        : m_canvas(canvas),
          m_scene(scene),
          m_view(view),
          m_layout(scene, view),
          m_map(m_layout.Columns()),
          m_everyItem(canvas.KeepsEveryItem()),
          m_rows(rows),
          m_expression(scene.Expression()) {}

    void Draw(const Box& clip) {
        const double lanesTop = m_layout.LanesTop();
        const double left = RollLayout::kGutterWidth;
        m_canvas.FillRect(clip, palette::kPaper);
        DrawLanes(Intersect(clip, {left, lanesTop, m_view.width, m_view.height}));
        DrawMarkers(
            Intersect(clip, {left, m_layout.MarkerStripTop(), m_view.width, m_view.height}));
        DrawExpression(Intersect(
            clip, {left, m_layout.ExpressionTop(), m_view.width, m_layout.MarkerStripTop()}));
        DrawScale(
            Intersect(clip, {left, m_layout.ScaleTop(), m_view.width, m_layout.ExpressionTop()}));
        DrawGutter(Intersect(clip, {0, m_layout.ScaleTop(), left, m_view.height}));
        if (m_view.header)
            DrawHeader(Intersect(clip, {0, 0, m_view.width, RollLayout::kHeaderHeight}));
    }

    void DrawCursor(const Box& clip, double time) {
        const double x = std::floor(m_layout.XOfTime(time));
        const double top = m_layout.ScaleTop();
        const Box area =
            Intersect(clip, {RollLayout::kGutterWidth, top, m_view.width, m_view.height});
        if (area.Empty() || x + 2 < area.x0 || x - 1 > area.x1) return;
        m_canvas.PushClip(area);
        m_canvas.FillRect({x, top, x + 2, m_view.height}, palette::kCursor);
        const Point head[] = {
            {x - kCursorReachLeft, top}, {x + kCursorReachRight, top}, {x + 1, top + 8}};
        m_canvas.FillPolygon(head, palette::kCursor);
        m_canvas.PopClip();
    }

  private:
    // The marker texts' places at this zoom: the caller's, or laid out afresh.
    const MarkerTextRows& Rows() {
        if (!m_rows || m_rows->PixelsPerUnit() != m_map.pixelsPerUnit) {
            m_ownRows.emplace(m_scene, m_map.pixelsPerUnit, [this](std::string_view text) {
                return m_canvas.TextWidth(text, kMarkerTextFont);
            });
            m_rows = &*m_ownRows;
        }
        return *m_rows;
    }

    // The pixel rows of a lane, on whole pixels.
    double LaneTopY(std::size_t lane) const { return std::round(m_layout.LaneTop(lane)); }
    double LaneBottomY(std::size_t lane) const {
        return std::round(m_layout.LaneTop(lane) + m_view.laneHeight);
    }

    // The lanes that reach into the rows y0..y1, as first..last (last excluded).
    std::pair<std::size_t, std::size_t> LanesIn(double y0, double y1) const {
        const std::size_t n = m_scene.Lanes().size();
        if (n == 0 || y1 <= y0) return {0, 0};
        const double h = m_view.laneHeight;
        const double origin = m_layout.LanesTop() - m_view.scrollY;
        const double topRow = std::floor((y0 - origin) / h);
        const double bottomRow = std::floor((y1 - origin) / h);
        const double last = static_cast<double>(n - 1);
        if (bottomRow < 0 || topRow > last) return {0, 0};
        const auto top = static_cast<std::size_t>(std::clamp(topRow, 0.0, last));
        const auto bottom = static_cast<std::size_t>(std::clamp(bottomRow, 0.0, last));
        return {n - 1 - bottom, n - top};
    }

    static std::int64_t ColumnFloor(double x) { return static_cast<std::int64_t>(std::floor(x)); }
    static std::int64_t ColumnCeil(double x) { return static_cast<std::int64_t>(std::ceil(x)); }

    void DrawLanes(const Box& area) {
        if (area.Empty()) return;
        m_canvas.BeginPart(PicturePart::lanes);
        m_canvas.PushClip(area);
        const auto [firstLane, endLane] = LanesIn(area.y0, area.y1);
        const auto& lanes = m_scene.Lanes();
        const auto [rollX0, rollX1] = RollStretch(area);
        for (std::size_t lane = firstLane; lane < endLane; ++lane) {
            const SceneLane& l = lanes[lane];
            const Colour colour = l.gap                ? palette::kGapLane
                                  : !l.playable        ? palette::kMutedLane
                                  : IsBlackKey(l.note) ? palette::kBlackKeyLane
                                                       : palette::kWhiteKeyLane;
            m_canvas.FillRect({rollX0, LaneTopY(lane), rollX1, LaneBottomY(lane)}, colour);
        }
        // A rule under every C, and between the played lanes and the others.
        for (std::size_t lane = firstLane; lane < endLane; ++lane) {
            const bool boundary = lane > 0 && lanes[lane].playable != lanes[lane - 1].playable;
            if (lanes[lane].gap) continue;
            if (lanes[lane].note % 12 == 0 || boundary)
                m_canvas.FillRect(HorizontalRule(rollX0, rollX1, LaneBottomY(lane) - 1),
                                  palette::kOctaveRule);
        }
        DrawSecondGrid(area, std::min(area.y1, m_layout.LanesBottom()));
        DrawHoles(area, firstLane, endLane, true);
        DrawHoles(area, firstLane, endLane, false);
        // The roll's start and end.
        for (double time : {0.0, static_cast<double>(m_scene.EndTime())}) {
            const double x = std::floor(m_layout.XOfTime(time));
            if (x >= area.x0 - 1 && x <= area.x1 && endLane > firstLane)
                m_canvas.FillRect(VerticalRule(x, LaneTopY(endLane - 1), LaneBottomY(firstLane)),
                                  palette::kRollEnd);
        }
        DrawRepeatedLabels(area, firstLane, endLane);
        DrawControlLabels(area, firstLane, endLane);
        if (lanes.empty()) {
            const double x = m_layout.LanesLeft() + kNoHolesTextX;
            const TextFont font{kNoHolesTextSize};
            m_canvas.Text(x, m_layout.LanesTop() + kNoHolesTextY,
                          Fitting(m_canvas, kNoHolesText, font, m_view.width - x), font,
                          palette::kSubtitle);
        }
        m_canvas.PopClip();
        m_canvas.EndPart();
    }

    // The columns of the area that the roll covers, from its start to its end.
    std::pair<double, double> RollStretch(const Box& area) const {
        const double x0 = std::max(area.x0, std::floor(m_layout.XOfTime(0)));
        const double x1 =
            std::min(area.x1, std::max(x0, std::ceil(m_layout.XOfTime(m_scene.EndTime()))));
        return {x0, x1};
    }

    // Faint lines at the labelled seconds of the scale, to read times off the holes and levels.
    void DrawSecondGrid(const Box& area, double bottom) {
        CollectScaleMarks(m_scene, m_layout, area.x0, area.x1, m_marks);
        for (const ScaleMark& mark : m_marks) {
            if (mark.seconds && mark.major)
                m_canvas.FillRect(VerticalRule(mark.x, area.y0, bottom), palette::kScaleTick, 0.16);
        }
    }

    // The holes of the playable lanes, or of the others. Where the canvas keeps every hole, each
    // is drawn over the pixel columns it covers; otherwise the columns' runs are.
    void DrawHoles(const Box& area, std::size_t firstLane, std::size_t endLane, bool playable) {
        const auto& lanes = m_scene.Lanes();
        const std::int64_t from = ColumnFloor(area.x0);
        const std::int64_t to = ColumnCeil(area.x1);
        const double inset = m_view.laneHeight >= 4 ? 1 : 0;
        const Colour colour = playable ? palette::kNote : palette::kMutedHole;
        for (std::size_t lane = firstLane; lane < endLane; ++lane) {
            const SceneLane& l = lanes[lane];
            if (l.playable != playable) continue;
            const double top = LaneTopY(lane) + inset;
            const double bottom = top + std::max(1.0, LaneBottomY(lane) - inset - top);
            const auto bars = m_scene.Bars(lane);
            m_canvas.BeginLane(l, colour);
            if (m_everyItem) {
                for (std::size_t i = 0; i < bars.size(); ++i) {
                    const auto first = static_cast<double>(m_map.Column(bars[i].start));
                    const auto end = static_cast<double>(m_map.LastColumn(bars[i]) + 1);
                    m_canvas.Hole({first, top, end, bottom}, colour, bars[i],
                                  l.openAtEnd && i + 1 == bars.size());
                }
            } else {
                ForEachColumnRun(bars, m_map, from, to, [&](std::int64_t first, std::int64_t end) {
                    m_canvas.FillRect(
                        {static_cast<double>(first), top, static_cast<double>(end), bottom},
                        colour);
                });
            }
            m_canvas.EndLane();
        }
    }

    // The markers: a mark at the foot of the strip and a line across the lanes for the first of
    // each pixel column, the line only where it stands apart (far zoomed out, markers shown in
    // the strip alone do not hide the holes); the texts where the marker text rows put them,
    // with a mark in their row. Texts reaching into the area from markers beside it are drawn
    // too.
    void DrawMarkers(const Box& clip) {
        const double top = m_layout.MarkerStripTop();
        const Box area = Intersect(clip, {clip.x0, top, clip.x1, m_view.height});
        if (area.Empty()) return;
        m_canvas.BeginPart(PicturePart::markers);
        const double foot = m_layout.LanesTop() - 1;
        m_canvas.FillRect(HorizontalRule(area.x0, area.x1, foot), palette::kHeaderRule);
        const Box lines{area.x0, std::max(area.y0, m_layout.LanesTop()), area.x1,
                        std::min(area.y1, m_layout.LanesBottom())};
        const auto markers = m_scene.Markers();
        const MarkerTextRows& rows = Rows();
        const std::int64_t from = ColumnFloor(area.x0);
        const std::int64_t to = ColumnCeil(area.x1);
        // The markers whose text or mark can reach into the area: all, for a canvas that keeps
        // every one.
        std::size_t begin = 0, end = markers.size();
        if (!m_everyItem) {
            const double reach = rows.Reach() + kMarkerLineSpacing;
            auto firstAt = [&](double x) {
                return static_cast<std::size_t>(std::partition_point(markers.begin(), markers.end(),
                                                                     [&](const SceneMarker& m) {
                                                                         return m.time <
                                                                                m_layout.TimeOfX(x);
                                                                     }) -
                                                markers.begin());
            };
            begin = firstAt(area.x0 - reach);
            end = firstAt(area.x1 + reach);
        }
        auto columnOf = [&](std::size_t i) { return m_map.Column(markers[i].time); };
        std::int64_t previousColumn = std::numeric_limits<std::int64_t>::min() / 2;
        std::size_t next = begin;  // the first marker of the next column
        for (std::size_t i = begin; i < end; ++i) {
            const SceneMarker& marker = markers[i];
            const std::int64_t column = columnOf(i);
            const bool first = i == 0 || columnOf(i - 1) != column;
            const Colour colour = MarkerColour(marker.code);
            const double x = static_cast<double>(column);
            const std::optional<MarkerTextRows::Placed> placed = rows.Of(i);
            m_canvas.BeginMarker(marker, m_everyItem ? MarkerLabel(m_scene, marker) : "");
            if (first) {
                for (next = std::max(next, i + 1);
                     next < markers.size() && columnOf(next) == column;)
                    ++next;
                const std::int64_t nextColumn = next < markers.size()
                                                    ? columnOf(next)
                                                    : std::numeric_limits<std::int64_t>::max() / 2;
                const bool apart = column - previousColumn >= kMarkerLineSpacing &&
                                   nextColumn - column >= kMarkerLineSpacing;
                if (apart && column >= from && column < to && !lines.Empty())
                    m_canvas.FillRect({x, lines.y0, x + 1, lines.y1}, colour, 0.5);
                m_canvas.FillRect({x, foot - 4, x + 1, foot}, colour);
                previousColumn = column;
            }
            if (placed && placed->row < m_layout.MarkerRows()) {
                const double rowTop = m_layout.MarkerRowTop(placed->row);
                m_canvas.FillRect({x, rowTop + 1, x + 1, rowTop + RollLayout::kMarkerRowHeight},
                                  colour);
                m_canvas.Text(x + placed->offset, rowTop + kMarkerBaseline, rows.Shown(i),
                              kMarkerTextFont, colour);
            }
            m_canvas.EndMarker();
        }
        m_canvas.EndPart();
    }

    // The expression strip: the level of each half over a velocity scale, then the pedals' rows
    // with a band for each time a pedal was down.
    void DrawExpression(const Box& area) {
        if (!m_expression || area.Empty()) return;
        m_canvas.BeginPart(PicturePart::expression);
        m_canvas.PushClip(area);
        m_canvas.FillRect(area, palette::kPaper);
        const auto [rollX0, rollX1] = RollStretch(area);
        const double plotTop = std::floor(m_layout.LevelY(127));
        const double plotBottom = std::floor(m_layout.LevelY(1)) + 1;
        m_canvas.FillRect({rollX0, plotTop, rollX1, plotBottom}, palette::kLevelPlot);
        for (double velocity : kVelocityMarks)
            m_canvas.FillRect(HorizontalRule(rollX0, rollX1, m_layout.LevelY(velocity)),
                              palette::kLevelGrid);
        DrawSecondGrid({area.x0, plotTop, area.x1, area.y1}, plotBottom);
        for (std::size_t pedal = 0; pedal < m_expression->pedals.size(); ++pedal)
            DrawPedal(area, rollX0, rollX1, pedal);
        const std::int64_t from = ColumnFloor(area.x0);
        const std::int64_t to = ColumnCeil(area.x1);
        // A curve of more points than twice the roll's columns is a scribble at this zoom.
        const double columns = m_scene.EndTime() * m_map.pixelsPerUnit;
        for (std::size_t half = 0; half < m_expression->levels.size(); ++half) {
            const auto& curve = m_expression->levels[half];
            LevelCurvePoints(curve, m_layout, from, to, m_points);
            const LineStyle style{kLevelColours[half], kLevelLineWidths[half],
                                  static_cast<double>(curve.size()) <= 2 * columns + 2};
            if (m_points.size() >= 2) m_canvas.LevelCurve(m_points, style, static_cast<Half>(half));
        }
        DrawRepeatedStripLabels(area);
        m_canvas.PopClip();
        m_canvas.EndPart();
    }

    void DrawPedal(const Box& area, double rollX0, double rollX1, std::size_t pedal) {
        const double top = m_layout.PedalRowTop(pedal);
        const double bottom = top + RollLayout::kPedalRowHeight;
        m_canvas.FillRect({rollX0, top, rollX1, bottom}, palette::kPedalRow);
        const Colour colour = kPedalColours[pedal];
        const std::span<const HoleBar> bars = m_expression->pedals[pedal];
        if (m_everyItem) {
            for (const HoleBar& bar : bars) {
                const auto first = static_cast<double>(m_map.Column(bar.start));
                const auto end = static_cast<double>(m_map.LastColumn(bar) + 1);
                m_canvas.PedalBand({first, top, end, bottom}, colour, static_cast<Pedal>(pedal),
                                   bar);
            }
            return;
        }
        ForEachColumnRun(
            bars, m_map, ColumnFloor(area.x0), ColumnCeil(area.x1),
            [&](std::int64_t first, std::int64_t end) {
                m_canvas.FillRect(
                    {static_cast<double>(first), top, static_cast<double>(end), bottom}, colour);
            });
    }

    // What the curves and rows of the expression strip show, again along a picture file at the
    // places of the repeated lane labels.
    void DrawRepeatedStripLabels(const Box& area) {
        ForEachRepeat(area, kRepeatedLabelsWidth, [&](double x) {
            for (std::size_t half = 0; half < 2; ++half) {
                const double baseline = m_layout.LevelY(127) + 12 + 12 * static_cast<double>(half);
                Grounded(x, baseline - 9, baseline + 3, kHalfNames[half], kCaptionFont,
                         kLevelColours[half]);
            }
            for (std::size_t pedal = 0; pedal < 2; ++pedal) {
                const double top = m_layout.PedalRowTop(pedal);
                Grounded(x, top, top + RollLayout::kPedalRowHeight, kPedalNames[pedal],
                         kCaptionFont, palette::kLabel);
            }
        });
    }

    // A text from x + 3 on a light ground from top to bottom: its baseline a third of its size
    // below the middle. Returns the ground's right edge.
    double Grounded(double x, double top, double bottom, std::string_view text,
                    const TextFont& font, Colour colour) {
        const double width = m_canvas.TextWidth(text, font);
        m_canvas.FillRect({x, top, x + width + 6, bottom}, palette::kPaper, 0.8);
        m_canvas.Text(x + 3, std::round((top + bottom) / 2 + font.size * 0.36), text, font, colour);
        return x + width + 6;
    }

    void DrawScale(const Box& area) {
        if (area.Empty()) return;
        m_canvas.BeginPart(PicturePart::scale);
        m_canvas.PushClip(area);
        const double top = m_layout.ScaleTop();
        const double middle = top + RollLayout::kScaleHeight / 2;
        const double bottom = top + RollLayout::kScaleHeight;
        m_canvas.FillRect(area, palette::kScale);
        m_canvas.FillRect(HorizontalRule(area.x0, area.x1, middle), palette::kHeaderRule);
        m_canvas.FillRect(HorizontalRule(area.x0, area.x1, bottom - 1), palette::kHeaderRule);
        // Labels start right of their mark: take in marks up to a label's width to the left.
        CollectScaleMarks(m_scene, m_layout, area.x0 - 60, area.x1, m_marks);
        for (const ScaleMark& mark : m_marks) {
            const double rowBottom = (mark.seconds ? middle : bottom) - 1;
            const double length = mark.major ? RollLayout::kScaleHeight / 2 - 1 : 4;
            m_canvas.FillRect(VerticalRule(mark.x, rowBottom - length, rowBottom),
                              palette::kScaleTick);
        }
        for (const ScaleMark& mark : m_marks) {
            if (!mark.major) continue;
            const double x = std::floor(mark.x) + 3;
            m_canvas.Text(x, (mark.seconds ? top : middle) + 11.5, mark.label, kSmallFont,
                          palette::kScaleText);
        }
        m_canvas.PopClip();
        m_canvas.EndPart();
    }

    void RightAligned(std::string_view text, double right, double baseline, const TextFont& font,
                      Colour colour) {
        m_canvas.Text(right - m_canvas.TextWidth(text, font), baseline, text, font, colour);
    }

    // The lane labels' font: as large as the lanes allow, at most 11.
    TextFont LabelFont() const {
        const double h = m_view.laneHeight;
        return {h >= 8 ? std::min(11.0, h - 1) : 8};
    }

    // Calls label(lane, baseline) for the lanes firstLane..endLane that get a label (gaps get
    // none): every lane where lanes are 8 pixels or more, else every second, third, fourth,
    // sixth or twelfth note counted from the C's, the most that leave room for labels of 8
    // pixels, and of those only ones that leave that room from the last (counted from the
    // lowest lane, so that the choice does not depend on the part drawn).
    template <typename Label>
    void ForEachLaneLabel(std::size_t firstLane, std::size_t endLane, Label&& label) const {
        const double h = m_view.laneHeight;
        const double size = LabelFont().size;
        std::int32_t every = 12;
        for (const std::int32_t step : {1, 2, 3, 4, 6}) {
            if (step * h >= (step == 1 ? 8 : size + 1)) {
                every = step;
                break;
            }
        }
        std::int64_t last = -1000;  // index of the last labelled lane
        for (std::size_t lane = 0; lane < endLane; ++lane) {
            const SceneLane& l = m_scene.Lanes()[lane];
            if (l.gap || (l.note % 12) % every != 0) continue;
            const auto index = static_cast<std::int64_t>(lane);
            if (every > 1 && (index - last) * h < size + 1) continue;
            last = index;
            if (lane >= firstLane) label(lane, LabelBaseline(lane));
        }
    }

    // The baseline of a lane's label: a third of the label's size below the lane's middle.
    double LabelBaseline(std::size_t lane) const {
        return std::round((LaneTopY(lane) + LaneBottomY(lane)) / 2 + LabelFont().size * 0.36);
    }

    // Calls label(lane, baseline, words) for the control holes' lanes firstLane..endLane that
    // get their words: every one where lanes are 8 pixels or more, else those that leave room
    // for a label of 8 pixels from the last one (counted from the lowest lane).
    template <typename Label>
    void ForEachControlLabel(std::size_t firstLane, std::size_t endLane, Label&& label) const {
        if (!m_expression) return;
        const double h = m_view.laneHeight;
        const double size = LabelFont().size;
        const auto& words = m_expression->laneLabels;
        std::int64_t last = -1000;
        for (std::size_t lane = 0; lane < std::min(endLane, words.size()); ++lane) {
            if (words[lane].empty()) continue;
            const auto index = static_cast<std::int64_t>(lane);
            if (h < 8 && (index - last) * h < size + 1) continue;
            last = index;
            if (lane >= firstLane) label(lane, LabelBaseline(lane), words[lane]);
        }
    }

    // Calls at(x) for each place along a picture file where its labels are repeated, every
    // labelRepeat pixels from the roll's start, whose labels of at most reach pixels may show
    // in the area.
    template <typename At>
    void ForEachRepeat(const Box& area, double reach, At&& at) const {
        if (!(m_view.labelRepeat > 0)) return;
        const double start = m_layout.XOfTime(0);
        const double last = m_layout.XOfTime(m_scene.EndTime()) - kRepeatedLabelsEnd;
        const double first =
            std::max(1.0, std::floor((area.x0 - reach - start) / m_view.labelRepeat));
        for (double k = first; start + k * m_view.labelRepeat <= std::min(last, area.x1); ++k)
            at(std::floor(start + k * m_view.labelRepeat));
    }

    // The lane labels again along the lanes of a picture file, every labelRepeat pixels from the
    // roll's start, on a light ground, so that a long picture can be read anywhere; a control
    // hole's words after its lane's label.
    void DrawRepeatedLabels(const Box& area, std::size_t firstLane, std::size_t endLane) {
        const TextFont font = LabelFont();
        const auto& lanes = m_scene.Lanes();
        const double reach = kRepeatedLabelsWidth + (m_expression ? kControlLabelWidth + 6 : 0);
        ForEachRepeat(area, reach, [&](double x) {
            m_labelEnds.assign(m_expression ? lanes.size() : 0, x);
            ForEachLaneLabel(firstLane, endLane, [&](std::size_t lane, double baseline) {
                const std::string label = NoteLabel(lanes[lane].note);
                const double width = m_canvas.TextWidth(label, font);
                m_canvas.FillRect({x, LaneTopY(lane), x + width + 6, LaneBottomY(lane)},
                                  palette::kPaper, 0.8);
                m_canvas.Text(x + 3, baseline, label, font,
                              lanes[lane].playable ? palette::kLabel : palette::kMutedLabel);
                if (lane < m_labelEnds.size()) m_labelEnds[lane] = x + width + 6;
            });
            ForEachControlLabel(firstLane, endLane,
                                [&](std::size_t lane, double baseline, std::string_view words) {
                                    ControlLabel(m_labelEnds[lane], lane, baseline, words);
                                });
        });
    }

    // The control holes' words at the left edge of the lanes, where a window or a page begins.
    void DrawControlLabels(const Box& area, std::size_t firstLane, std::size_t endLane) {
        if (!m_expression || area.x0 > m_layout.LanesLeft() + kControlLabelWidth + 6) return;
        ForEachControlLabel(firstLane, endLane,
                            [&](std::size_t lane, double baseline, std::string_view words) {
                                ControlLabel(m_layout.LanesLeft(), lane, baseline, words);
                            });
    }

    void ControlLabel(double x, std::size_t lane, double baseline, std::string_view words) {
        const TextFont font = LabelFont();
        const std::string_view shown = Fitting(m_canvas, words, font, kControlLabelWidth);
        const double width = m_canvas.TextWidth(shown, font);
        // The ground as high as the words where the lanes are lower.
        const double top = std::min(LaneTopY(lane), baseline - std::ceil(font.size * 0.8) - 1);
        const double bottom = std::max(LaneBottomY(lane), baseline + 2);
        m_canvas.FillRect({x, top, x + width + 6, bottom}, palette::kPaper, 0.8);
        m_canvas.Text(x + 3, baseline, shown, font, palette::kControlLabel);
    }

    void DrawGutter(const Box& area) {
        if (area.Empty()) return;
        m_canvas.BeginPart(PicturePart::gutter);
        m_canvas.PushClip(area);
        m_canvas.FillRect(area, palette::kGutter);
        m_canvas.FillRect(VerticalRule(RollLayout::kGutterWidth - 1, area.y0, area.y1),
                          palette::kGutterRule);
        m_canvas.FillRect(HorizontalRule(area.x0, area.x1, m_layout.LanesTop() - 1),
                          palette::kGutterRule);

        // What the rows of the scale and the marker strip show.
        const double scaleTop = m_layout.ScaleTop();
        const double right = RollLayout::kGutterWidth - 6;
        RightAligned("time", right, scaleTop + 11.5, kCaptionFont, palette::kMutedLabel);
        RightAligned("inches", right, scaleTop + RollLayout::kScaleHeight / 2 + 11.5, kCaptionFont,
                     palette::kMutedLabel);
        RightAligned("texts", right, m_layout.MarkerRowTop(0) + kMarkerBaseline, kCaptionFont,
                     palette::kMutedLabel);
        if (m_expression) DrawExpressionCaptions(right);

        const double lanesTop = m_layout.LanesTop();
        m_canvas.PushClip({area.x0, lanesTop, area.x1, area.y1});
        const auto [firstLane, endLane] = LanesIn(std::max(area.y0, lanesTop), area.y1);
        const auto& lanes = m_scene.Lanes();
        ForEachLaneLabel(firstLane, endLane, [&](std::size_t lane, double baseline) {
            RightAligned(NoteLabel(lanes[lane].note), right - 4, baseline, LabelFont(),
                         lanes[lane].playable ? palette::kLabel : palette::kMutedLabel);
        });
        // Little key marks beside the labels: black keys dark, the rest light.
        for (std::size_t lane = firstLane; lane < endLane; ++lane) {
            const SceneLane& l = lanes[lane];
            if (!l.playable || l.gap) continue;
            const double top = LaneTopY(lane);
            const double bottom = LaneBottomY(lane);
            m_canvas.FillRect({right, top, right + 4, std::max(top + 1, bottom)},
                              IsBlackKey(l.note) ? palette::kTitle : palette::kWhiteKeyLane);
        }
        m_canvas.PopClip();
        m_canvas.PopClip();
        m_canvas.EndPart();
    }

    // The expression strip's velocity scale, which curve is which half's, and the pedals' rows.
    void DrawExpressionCaptions(double right) {
        const bool roomy = m_layout.LevelPlotHeight() >= kRoomyLevelPlot;
        for (std::size_t i = 0; i < std::size(kVelocityMarks); ++i) {
            if (!roomy && i % 2 == 1) continue;
            const double velocity = kVelocityMarks[i];
            const double y = std::floor(m_layout.LevelY(velocity));
            RightAligned(std::to_string(static_cast<int>(velocity)), right, y + 3.5, kCaptionFont,
                         palette::kScaleText);
            m_canvas.FillRect({right + 1, y, right + 5, y + 1}, palette::kScaleTick);
        }
        const double top = m_layout.LevelY(127);
        if (roomy) m_canvas.Text(6, top + 12, "velocity", kCaptionFont, palette::kMutedLabel);
        for (std::size_t half = 0; half < 2; ++half)
            m_canvas.Text(6, top + (roomy ? 32 : 10) + 12 * static_cast<double>(half),
                          kHalfNames[half], kCaptionFont, kLevelColours[half]);
        for (std::size_t pedal = 0; pedal < 2; ++pedal)
            RightAligned(kPedalNames[pedal], right,
                         m_layout.PedalRowTop(pedal) + RollLayout::kPedalRowHeight - 1.5,
                         kCaptionFont, palette::kMutedLabel);
    }

    void DrawHeader(const Box& area) {
        if (area.Empty()) return;
        m_canvas.BeginPart(PicturePart::header);
        m_canvas.PushClip(area);
        m_canvas.FillRect(area, palette::kHeader);
        m_canvas.FillRect(HorizontalRule(area.x0, area.x1, RollLayout::kHeaderHeight - 1),
                          palette::kHeaderRule);
        const double legendWidth = LegendWidth();
        const bool legend = m_view.width >= 900;
        const double textRight = m_view.width - (legend ? legendWidth + 24 : 12);
        // A roll read without its annotation file says so where its title would be.
        const SceneHeader& header = m_scene.Header();
        const std::string_view title = Fitting(
            m_canvas, header.note.empty() ? header.title : header.note, kTitleFont, textRight - 12);
        m_canvas.Text(12, 21, title, kTitleFont,
                      header.note.empty() ? palette::kTitle : palette::kSubtitle);
        // Composer and performer after the title, as far as they fit.
        const double creditsX = 12 + m_canvas.TextWidth(title, kTitleFont) + 14;
        const std::string credits = HeaderCredits(m_scene);
        m_canvas.Text(creditsX, 21, Fitting(m_canvas, credits, kSummaryFont, textRight - creditsX),
                      kSummaryFont, palette::kSubtitle);
        const std::string summary = HeaderSummary(m_scene);
        m_canvas.Text(12, 40, Fitting(m_canvas, summary, kSummaryFont, textRight - 12),
                      kSummaryFont, palette::kSubtitle);
        if (legend) DrawLegend(m_view.width - legendWidth - 12);
        m_canvas.PopClip();
        m_canvas.EndPart();
    }

    struct LegendItem {
        Colour colour;
        const char* text;
    };
    static constexpr LegendItem kLegend[] = {
        {palette::kNote, "note"},           {palette::kMutedHole, "not a note"},
        {palette::kCopyright, "copyright"}, {palette::kLyric, "lyric"},
        {palette::kText, "text"},           {palette::kCode, "code"},
    };

    double LegendWidth() {
        double width = 0;
        for (const LegendItem& item : kLegend)
            width += 14 + m_canvas.TextWidth(item.text, kSmallFont) + 12;
        return width - 12;
    }

    void DrawLegend(double x) {
        for (const LegendItem& item : kLegend) {
            m_canvas.FillRect({x, 31, x + 10, 41}, item.colour);
            m_canvas.Text(x + 14, 40, item.text, kSmallFont, palette::kSubtitle);
            x += 14 + m_canvas.TextWidth(item.text, kSmallFont) + 12;
        }
    }

    PictureCanvas& m_canvas;
    const RollScene& m_scene;
    const RollView& m_view;
    RollLayout m_layout;
    ColumnMapping m_map;
    bool m_everyItem;
    const MarkerTextRows* m_rows;
    std::optional<MarkerTextRows> m_ownRows;
    const SceneExpression* m_expression;
    std::vector<ScaleMark> m_marks;
    std::vector<Point> m_points;      // of a level curve
    std::vector<double> m_labelEnds;  // by lane: where a repeated label ends
};

bool Drawable(const RollView& view) {
    return view.pixelsPerInch > 0 && std::isfinite(view.pixelsPerInch) && view.laneHeight > 0 &&
           std::isfinite(view.laneHeight) && std::isfinite(view.leftTime) &&
           std::isfinite(view.scrollY);
}

}  // namespace

void DrawRoll(PictureCanvas& canvas, const RollScene& scene, const RollView& view,
              const MarkerTextRows* rows) {
    if (!Drawable(view)) return;
    const Box area = canvas.Area();
    if (area.Empty()) return;
    Drawing(canvas, scene, view, rows).Draw(area);
}

void DrawCursor(PictureCanvas& canvas, const RollScene& scene, const RollView& view, double time) {
    if (!Drawable(view) || !std::isfinite(time)) return;
    const Box area = canvas.Area();
    if (area.Empty()) return;
    Drawing(canvas, scene, view, nullptr).DrawCursor(area, time);
}

}  // namespace rollscribe
