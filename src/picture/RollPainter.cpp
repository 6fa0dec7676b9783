#include "picture/RollPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "picture/ColumnRuns.h"
#include "picture/NoteNames.h"
#include "picture/RollPalette.h"
#include "picture/SceneTexts.h"
#include "picture/TimeScale.h"

namespace rollscribe {

namespace {

constexpr const char* kFont = "DejaVu Sans";
// Markers closer than this (in pixels) to a neighbour get no line across the lanes.
constexpr std::int64_t kMarkerLineSpacing = 6;

struct Box {
    double x0, y0, x1, y1;
    bool Empty() const { return !(x1 > x0 && y1 > y0); }
};

Box Intersect(const Box& a, const Box& b) {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

void SetColour(cairo_t* cr, Colour c, double alpha = 1.0) {
    cairo_set_source_rgba(cr, c.Red(), c.Green(), c.Blue(), alpha);
}

// Saves the drawing state and limits drawing to box; the caller restores it.
void SaveAndClipTo(cairo_t* cr, const Box& box) {
    cairo_save(cr);
    cairo_rectangle(cr, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
    cairo_clip(cr);
}

void FillBox(cairo_t* cr, const Box& box, Colour c) {
    if (box.Empty()) return;
    SetColour(cr, c);
    cairo_rectangle(cr, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
    cairo_fill(cr);
}

// A line one pixel wide along a column or a row, on whole pixels.
void VerticalRule(cairo_t* cr, double x, double y0, double y1) {
    cairo_rectangle(cr, std::floor(x), y0, 1, y1 - y0);
}
void HorizontalRule(cairo_t* cr, double x0, double x1, double y) {
    cairo_rectangle(cr, x0, std::floor(y), x1 - x0, 1);
}

void UseFont(cairo_t* cr, double size, bool bold = false) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

double TextWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

// Draws text with its baseline at y, cut off at maxX.
void ShowText(cairo_t* cr, double x, double y, const std::string& text, double maxX) {
    if (maxX <= x || text.empty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, x, y - 40, maxX - x, 60);
    cairo_clip(cr);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

class Painter {
  public:
    Painter(cairo_t* cr, const RollScene& scene, const RollView& view)
        : m_cr(cr),
          m_scene(scene),
          m_view(view),
          m_layout(scene, view),
          m_map(m_layout.Columns()) {}

    void Paint(const Box& clip) {
        const double lanesTop = m_layout.LanesTop();
        const double left = RollLayout::kGutterWidth;
        FillBox(m_cr, clip, palette::kPaper);
        PaintLanes(Intersect(clip, {left, lanesTop, m_view.width, m_view.height}));
        PaintMarkerStrip(
            Intersect(clip, {left, m_layout.MarkerStripTop(), m_view.width, m_view.height}));
        PaintScale(
            Intersect(clip, {left, m_layout.ScaleTop(), m_view.width, m_layout.MarkerStripTop()}));
        PaintGutter(Intersect(clip, {0, m_layout.ScaleTop(), left, m_view.height}));
        PaintHeader(Intersect(clip, {0, 0, m_view.width, RollLayout::kHeaderHeight}));
    }

    void PaintCursor(const Box& clip, double time) {
        const double x = std::floor(m_layout.XOfTime(time));
        const double top = m_layout.ScaleTop();
        const Box area =
            Intersect(clip, {RollLayout::kGutterWidth, top, m_view.width, m_view.height});
        if (area.Empty() || x + 2 < area.x0 || x - 1 > area.x1) return;
        SaveAndClipTo(m_cr, area);
        SetColour(m_cr, palette::kCursor);
        cairo_rectangle(m_cr, x, top, 2, m_view.height - top);
        cairo_move_to(m_cr, x - kCursorReachLeft, top);
        cairo_line_to(m_cr, x + kCursorReachRight, top);
        cairo_line_to(m_cr, x + 1, top + 8);
        cairo_close_path(m_cr);
        cairo_fill(m_cr);
        cairo_restore(m_cr);
    }

  private:
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

    std::int64_t ColumnFloor(double x) const { return static_cast<std::int64_t>(std::floor(x)); }
    std::int64_t ColumnCeil(double x) const { return static_cast<std::int64_t>(std::ceil(x)); }

    void PaintLanes(const Box& area) {
        if (area.Empty()) return;
        SaveAndClipTo(m_cr, area);
        const auto [firstLane, endLane] = LanesIn(area.y0, area.y1);
        const auto& lanes = m_scene.Lanes();
        // The roll's stretch of the lanes: from its start to its end.
        const double rollX0 = std::max(area.x0, std::floor(m_layout.XOfTime(0)));
        const double rollX1 =
            std::min(area.x1, std::max(rollX0, std::ceil(m_layout.XOfTime(m_scene.EndTime()))));
        for (std::size_t lane = firstLane; lane < endLane; ++lane) {
            const SceneLane& l = lanes[lane];
            const Colour colour = !l.playable          ? palette::kMutedLane
                                  : IsBlackKey(l.note) ? palette::kBlackKeyLane
                                                       : palette::kWhiteKeyLane;
            FillBox(m_cr, {rollX0, LaneTopY(lane), rollX1, LaneBottomY(lane)}, colour);
        }
        // A rule under every C, and between the played lanes and the others.
        SetColour(m_cr, palette::kOctaveRule);
        for (std::size_t lane = firstLane; lane < endLane; ++lane) {
            const bool boundary = lane > 0 && lanes[lane].playable != lanes[lane - 1].playable;
            if (lanes[lane].note % 12 == 0 || boundary)
                HorizontalRule(m_cr, rollX0, rollX1, LaneBottomY(lane) - 1);
        }
        cairo_fill(m_cr);
        PaintSecondGrid(area);
        PaintBars(area, firstLane, endLane, true);
        PaintBars(area, firstLane, endLane, false);
        // The roll's start and end.
        SetColour(m_cr, palette::kRollEnd);
        for (double time : {0.0, static_cast<double>(m_scene.EndTime())}) {
            const double x = std::floor(m_layout.XOfTime(time));
            if (x >= area.x0 - 1 && x <= area.x1 && endLane > firstLane)
                VerticalRule(m_cr, x, LaneTopY(endLane - 1), LaneBottomY(firstLane));
        }
        cairo_fill(m_cr);
        PaintMarkerLines(area);
        if (lanes.empty()) {
            SetColour(m_cr, palette::kSubtitle);
            UseFont(m_cr, kNoHolesTextSize);
            ShowText(m_cr, m_layout.LanesLeft() + kNoHolesTextX,
                     m_layout.LanesTop() + kNoHolesTextY, std::string(kNoHolesText), area.x1);
        }
        cairo_restore(m_cr);
    }

    // Faint lines at the labelled seconds of the scale, to read times off the holes.
    void PaintSecondGrid(const Box& area) {
        CollectScaleMarks(m_scene, m_layout, area.x0, area.x1, m_marks);
        const double bottom = std::min(area.y1, m_layout.LanesBottom());
        for (const ScaleMark& mark : m_marks) {
            if (mark.seconds && mark.major) VerticalRule(m_cr, mark.x, area.y0, bottom);
        }
        SetColour(m_cr, palette::kScaleTick, 0.16);
        cairo_fill(m_cr);
    }

    void PaintBars(const Box& area, std::size_t firstLane, std::size_t endLane, bool playable) {
        const auto& lanes = m_scene.Lanes();
        const std::int64_t from = ColumnFloor(area.x0);
        const std::int64_t to = ColumnCeil(area.x1);
        const double inset = m_view.laneHeight >= 4 ? 1 : 0;
        bool any = false;
        for (std::size_t lane = firstLane; lane < endLane; ++lane) {
            if (lanes[lane].playable != playable) continue;
            const double top = LaneTopY(lane) + inset;
            const double height = std::max(1.0, LaneBottomY(lane) - inset - top);
            ForEachColumnRun(m_scene.Bars(lane), m_map, from, to,
                             [&](std::int64_t first, std::int64_t end) {
                                 cairo_rectangle(m_cr, static_cast<double>(first), top,
                                                 static_cast<double>(end - first), height);
                                 any = true;
                             });
        }
        if (!any) return;
        SetColour(m_cr, playable ? palette::kNote : palette::kMutedHole);
        cairo_fill(m_cr);
    }

    // Lines across the lanes for markers that stand apart; where markers crowd (far zoomed
    // out) they are shown in the marker strip only, so that they do not hide the holes.
    void PaintMarkerLines(const Box& area) {
        const double bottom = std::min(area.y1, m_layout.LanesBottom());
        if (bottom <= area.y0) return;
        const std::int64_t from = ColumnFloor(area.x0);
        const std::int64_t to = ColumnCeil(area.x1);
        bool pending = false;
        std::int64_t pendingColumn = 0;
        std::int64_t previousColumn = std::numeric_limits<std::int64_t>::min() / 2;
        std::int32_t pendingCode = 0;
        auto line = [&](std::int64_t nextColumn) {
            const bool apart = pendingColumn - previousColumn >= kMarkerLineSpacing &&
                               nextColumn - pendingColumn >= kMarkerLineSpacing;
            if (apart && pendingColumn >= from) {
                SetColour(m_cr, MarkerColour(pendingCode), 0.5);
                VerticalRule(m_cr, static_cast<double>(pendingColumn), area.y0, bottom);
                cairo_fill(m_cr);
            }
        };
        ForEachMarkerColumn(m_scene.Markers(), m_map, from - kMarkerLineSpacing,
                            to + kMarkerLineSpacing,
                            [&](std::int64_t column, const SceneMarker& marker) {
                                if (pending) {
                                    line(column);
                                    previousColumn = pendingColumn;
                                }
                                pending = column < to;
                                pendingColumn = column;
                                pendingCode = marker.code;
                            });
        if (pending) line(std::numeric_limits<std::int64_t>::max() / 2);
    }

    void PaintMarkerStrip(const Box& clip) {
        const double top = m_layout.MarkerStripTop();
        const Box area = Intersect(clip, {clip.x0, top, clip.x1, m_layout.LanesTop()});
        if (area.Empty()) return;
        SaveAndClipTo(m_cr, area);
        FillBox(m_cr, area, palette::kPaper);
        SetColour(m_cr, palette::kHeaderRule);
        HorizontalRule(m_cr, area.x0, area.x1, m_layout.LanesTop() - 1);
        cairo_fill(m_cr);
        UseFont(m_cr, 10);
        // Texts reaching into the area from markers left of it are drawn too.
        ForEachMarkerLabel(
            m_scene.Markers(), m_map, ColumnFloor(area.x0 - kMaxMarkerLabel), ColumnCeil(area.x1),
            [&](std::int64_t column, const SceneMarker& marker, double room) {
                const double x = static_cast<double>(column);
                SetColour(m_cr, MarkerColour(marker.code));
                cairo_rectangle(m_cr, x, top + 2, 1, RollLayout::kMarkerStripHeight - 4);
                cairo_fill(m_cr);
                if (room > 0)
                    ShowText(m_cr, x + kMarkerLabelIndent, top + 13, MarkerLabel(m_scene, marker),
                             x + room);
            });
        cairo_restore(m_cr);
    }

    void PaintScale(const Box& area) {
        if (area.Empty()) return;
        SaveAndClipTo(m_cr, area);
        const double top = m_layout.ScaleTop();
        const double middle = top + RollLayout::kScaleHeight / 2;
        const double bottom = top + RollLayout::kScaleHeight;
        FillBox(m_cr, area, palette::kScale);
        SetColour(m_cr, palette::kHeaderRule);
        HorizontalRule(m_cr, area.x0, area.x1, middle);
        HorizontalRule(m_cr, area.x0, area.x1, bottom - 1);
        cairo_fill(m_cr);
        // Labels start right of their mark: take in marks up to a label's width to the left.
        CollectScaleMarks(m_scene, m_layout, area.x0 - 60, area.x1, m_marks);
        SetColour(m_cr, palette::kScaleTick);
        for (const ScaleMark& mark : m_marks) {
            const double rowBottom = (mark.seconds ? middle : bottom) - 1;
            const double length = mark.major ? RollLayout::kScaleHeight / 2 - 1 : 4;
            VerticalRule(m_cr, mark.x, rowBottom - length, rowBottom);
        }
        cairo_fill(m_cr);
        SetColour(m_cr, palette::kScaleText);
        UseFont(m_cr, 10);
        for (const ScaleMark& mark : m_marks) {
            if (!mark.major) continue;
            const double x = std::floor(mark.x) + 3;
            ShowText(m_cr, x, (mark.seconds ? top : middle) + 11.5, mark.label, x + 200);
        }
        cairo_restore(m_cr);
    }

    void PaintGutter(const Box& area) {
        if (area.Empty()) return;
        SaveAndClipTo(m_cr, area);
        FillBox(m_cr, area, palette::kGutter);
        SetColour(m_cr, palette::kGutterRule);
        VerticalRule(m_cr, RollLayout::kGutterWidth - 1, area.y0, area.y1);
        HorizontalRule(m_cr, area.x0, area.x1, m_layout.LanesTop() - 1);
        cairo_fill(m_cr);

        // What the rows of the scale and the marker strip show.
        SetColour(m_cr, palette::kMutedLabel);
        UseFont(m_cr, 9);
        const double scaleTop = m_layout.ScaleTop();
        const double right = RollLayout::kGutterWidth - 6;
        RightAligned("time", right, scaleTop + 11.5);
        RightAligned("inches", right, scaleTop + RollLayout::kScaleHeight / 2 + 11.5);
        RightAligned("texts", right, m_layout.MarkerStripTop() + 13);

        const double lanesTop = m_layout.LanesTop();
        cairo_rectangle(m_cr, area.x0, lanesTop, area.x1 - area.x0, area.y1 - lanesTop);
        cairo_clip(m_cr);
        const auto [firstLane, endLane] = LanesIn(std::max(area.y0, lanesTop), area.y1);
        const auto& lanes = m_scene.Lanes();
        const double h = m_view.laneHeight;
        const bool all = h >= 8;
        const double size = all ? std::min(11.0, h - 1) : 8;
        UseFont(m_cr, size);
        std::int64_t lastC = -1000;  // index of the last labelled C, when only C's are
        for (std::size_t lane = 0; lane < endLane; ++lane) {
            const SceneLane& l = lanes[lane];
            bool show = all;
            if (!all && l.note % 12 == 0) {
                const auto index = static_cast<std::int64_t>(lane);
                show = (index - lastC) * h >= size + 1;
                if (show) lastC = index;
            }
            if (!show || lane < firstLane) continue;
            // Little key marks beside the labels: black keys dark, the rest light.
            const double top = LaneTopY(lane);
            const double bottom = LaneBottomY(lane);
            SetColour(m_cr, l.playable ? palette::kLabel : palette::kMutedLabel);
            const double baseline = std::round((top + bottom) / 2 + size * 0.36);
            RightAligned(NoteLabel(l.note), right - 4, baseline);
        }
        for (std::size_t lane = firstLane; lane < endLane; ++lane) {
            const SceneLane& l = lanes[lane];
            if (!l.playable) continue;
            const double top = LaneTopY(lane);
            const double bottom = LaneBottomY(lane);
            FillBox(m_cr, {right, top, right + 4, std::max(top + 1, bottom)},
                    IsBlackKey(l.note) ? palette::kTitle : palette::kWhiteKeyLane);
        }
        cairo_restore(m_cr);
    }

    void RightAligned(const std::string& text, double right, double baseline) {
        const double width = TextWidth(m_cr, text);
        cairo_move_to(m_cr, right - width, baseline);
        cairo_show_text(m_cr, text.c_str());
    }

    void PaintHeader(const Box& area) {
        if (area.Empty()) return;
        SaveAndClipTo(m_cr, area);
        FillBox(m_cr, area, palette::kHeader);
        SetColour(m_cr, palette::kHeaderRule);
        HorizontalRule(m_cr, area.x0, area.x1, RollLayout::kHeaderHeight - 1);
        cairo_fill(m_cr);

        const SceneHeader& header = m_scene.Header();
        const double legendWidth = LegendWidth();
        const bool legend = m_view.width >= 900;
        const double textRight = m_view.width - (legend ? legendWidth + 24 : 12);
        SetColour(m_cr, palette::kTitle);
        UseFont(m_cr, 15, true);
        ShowText(m_cr, 12, 21, header.title, textRight);
        SetColour(m_cr, palette::kSubtitle);
        UseFont(m_cr, 11);
        ShowText(m_cr, 12, 40, HeaderSummary(m_scene), textRight);
        if (legend) PaintLegend(m_view.width - legendWidth - 12);
        cairo_restore(m_cr);
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
        UseFont(m_cr, 10);
        double width = 0;
        for (const LegendItem& item : kLegend) width += 14 + TextWidth(m_cr, item.text) + 12;
        return width - 12;
    }

    void PaintLegend(double x) {
        UseFont(m_cr, 10);
        for (const LegendItem& item : kLegend) {
            FillBox(m_cr, {x, 31, x + 10, 41}, item.colour);
            SetColour(m_cr, palette::kSubtitle);
            cairo_move_to(m_cr, x + 14, 40);
            cairo_show_text(m_cr, item.text);
            x += 14 + TextWidth(m_cr, item.text) + 12;
        }
    }

    cairo_t* m_cr;
    const RollScene& m_scene;
    const RollView& m_view;
    RollLayout m_layout;
    ColumnMapping m_map;
    std::vector<ScaleMark> m_marks;
};

// The part of the view inside the context's clip, or an empty box.
Box ClipOf(cairo_t* cr, const RollView& view) {
    Box clip;
    cairo_clip_extents(cr, &clip.x0, &clip.y0, &clip.x1, &clip.y1);
    clip = Intersect(clip, {0, 0, view.width, view.height});
    // Whole pixels, so that every part is drawn over whole columns.
    return {std::floor(clip.x0), std::floor(clip.y0), std::ceil(clip.x1), std::ceil(clip.y1)};
}

bool Drawable(const RollView& view) {
    return view.pixelsPerInch > 0 && std::isfinite(view.pixelsPerInch) && view.laneHeight > 0 &&
           std::isfinite(view.laneHeight) && std::isfinite(view.leftTime) &&
           std::isfinite(view.scrollY);
}

}  // namespace

void PaintRoll(cairo_t* cr, const RollScene& scene, const RollView& view) {
    if (!Drawable(view)) return;
    const Box clip = ClipOf(cr, view);
    if (clip.Empty()) return;
    cairo_save(cr);
    Painter(cr, scene, view).Paint(clip);
    cairo_restore(cr);
}

void PaintCursor(cairo_t* cr, const RollScene& scene, const RollView& view, double time) {
    if (!Drawable(view) || !std::isfinite(time)) return;
    const Box clip = ClipOf(cr, view);
    if (clip.Empty()) return;
    cairo_save(cr);
    Painter(cr, scene, view).PaintCursor(clip, time);
    cairo_restore(cr);
}

}  // namespace rollscribe
