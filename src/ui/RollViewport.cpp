#include "ui/RollViewport.h"

#include <algorithm>
#include <cmath>

#include "picture/RollDrawing.h"
#include "picture/SceneTexts.h"

namespace rollscribe {

namespace {

// The most units a scroll bar is given: well inside an int, whatever the toolkit adds to it.
constexpr double kMaxScrollUnits = 1 << 30;
// The cursor's arrow head, with a pixel to spare, is out of view this close to the right edge.
constexpr double kCursorWidth = kCursorReachRight + 1;

// The heights Taller Lanes and Shorter Lanes step through.
constexpr double kLaneSteps[] = {2, 3, 4, 5, 6, 7, 8, 10, 12, 14, 17, 20, 24, 28, 32};

int ToUnits(double pixels, double unit) {
    return static_cast<int>(std::clamp(std::round(pixels / unit), 0.0, kMaxScrollUnits));
}

}  // namespace

void RollViewport::SetScene(const RollScene* scene) {
    m_markerTexts.reset();
    m_scene = scene;
    m_view.leftTime = 0;
    m_view.scrollY = 0;
    m_wholeRoll = true;
    FitLaneHeight();
    // The highest lane with holes on top (the tracker bar's lanes above it may have none).
    if (m_scene) {
        const auto& lanes = m_scene->Lanes();
        for (std::size_t above = 0; above < lanes.size(); ++above) {
            if (lanes[lanes.size() - 1 - above].barCount == 0) continue;
            m_view.scrollY = static_cast<double>(above) * m_view.laneHeight;
            break;
        }
    }
    Clamp();
}

void RollViewport::SetSize(double width, double height) {
    m_view.width = std::max(0.0, width);
    m_view.height = std::max(0.0, height);
    FitLaneHeight();
    Clamp();
}

void RollViewport::FitLaneHeight() {
    m_view.header = true;
    m_view.levelPlotHeight = RollLayout::kLevelPlotHeight;
    m_view.markerRows = RollLayout::kMarkerRows;
    if (!m_scene || m_scene->Lanes().empty()) {
        m_view.laneHeight = kMaxLaneHeight;
        return;
    }
    const double lanes = static_cast<double>(m_scene->Lanes().size());
    auto room = [&] {
        return m_view.height - RollLayout(*m_scene, m_view).LanesTop() - RollLayout::kBottomMargin;
    };
    // The bands above the lanes give way until kLeastLanes lanes (or all) have kRoomyLaneHeight:
    // first the level plot grows lower, then the header goes, then marker rows; at each step
    // the plot takes what is left.
    const double wanted = std::min(lanes, kLeastLanes) * kRoomyLaneHeight;
    auto lowerPlot = [&] {
        if (!m_scene->Expression()) return;
        m_view.levelPlotHeight = RollLayout::kLevelPlotHeight;
        const double shortBy = std::max(0.0, wanted - room());
        m_view.levelPlotHeight = std::max(RollLayout::kLeastLevelPlotHeight,
                                          RollLayout::kLevelPlotHeight - std::ceil(shortBy));
    };
    lowerPlot();
    if (room() < wanted) {
        m_view.header = false;
        lowerPlot();
    }
    for (int rows = RollLayout::kMarkerRows - 1; rows >= 1 && room() < wanted; --rows) {
        m_view.markerRows = rows;
        lowerPlot();
    }
    const double fit = std::floor(room() / lanes);
    m_view.laneHeight =
        m_laneChoice > 0 ? m_laneChoice : std::clamp(fit, kMinLaneHeight, kMaxLaneHeight);
}

void RollViewport::SetLaneHeightChoice(double height) {
    const bool valid = height >= kLeastChosenLane && height <= kMostChosenLane;
    const double before = m_view.laneHeight;
    m_laneChoice = valid ? std::round(height) : 0;
    FitLaneHeight();
    // The lanes at the top of the view stay there.
    if (before > 0) m_view.scrollY *= m_view.laneHeight / before;
    Clamp();
}

bool RollViewport::CanMakeLanesTaller() const noexcept {
    return m_scene && m_view.laneHeight < kMostChosenLane;
}

bool RollViewport::CanMakeLanesShorter() const noexcept {
    return m_scene && m_view.laneHeight > kLeastChosenLane;
}

bool RollViewport::TallerLanes() {
    if (!CanMakeLanesTaller()) return false;
    const double* next =
        std::upper_bound(std::begin(kLaneSteps), std::end(kLaneSteps), m_view.laneHeight);
    SetLaneHeightChoice(next == std::end(kLaneSteps) ? kMostChosenLane : *next);
    return true;
}

bool RollViewport::ShorterLanes() {
    if (!CanMakeLanesShorter()) return false;
    const double* below =
        std::lower_bound(std::begin(kLaneSteps), std::end(kLaneSteps), m_view.laneHeight);
    SetLaneHeightChoice(below == std::begin(kLaneSteps) ? kLeastChosenLane : *(below - 1));
    return true;
}

double RollViewport::MinPixelsPerInch() const noexcept {
    return m_scene ? RollLayout::FitPixelsPerInch(*m_scene, m_view.width) : kMaxPixelsPerInch;
}

double RollViewport::MaxPixelsPerInch() const noexcept {
    return kMaxPixelsPerInch;
}

bool RollViewport::ShowsWholeRoll() const noexcept {
    return m_wholeRoll;
}

bool RollViewport::CanZoomIn() const noexcept {
    return m_scene && m_view.pixelsPerInch < MaxPixelsPerInch();
}

bool RollViewport::CanZoomOut() const noexcept {
    return m_scene && !m_wholeRoll;
}

void RollViewport::Clamp() {
    const double low = MinPixelsPerInch();
    if (m_wholeRoll || !(m_view.pixelsPerInch > low)) {
        m_view.pixelsPerInch = low;
        m_wholeRoll = true;
    }
    m_view.pixelsPerInch = std::min(m_view.pixelsPerInch, MaxPixelsPerInch());
    m_view.leftTime = std::clamp(m_view.leftTime, 0.0, MaxLeftTime());
    m_view.scrollY = std::clamp(m_view.scrollY, 0.0, MaxScrollY());
}

void RollViewport::ZoomAt(double factor, double x) {
    if (!m_scene || !(factor > 0)) return;
    const double left = RollLayout::kGutterWidth;
    if (!(x >= left && x <= m_view.width)) x = left + LanesWidth() / 2;
    const double anchor = m_view.leftTime + (x - left) / PixelsPerUnit();
    const double low = MinPixelsPerInch();
    const double zoom = std::clamp(m_view.pixelsPerInch * factor, low, MaxPixelsPerInch());
    m_view.pixelsPerInch = zoom;
    m_wholeRoll = zoom <= low;
    m_view.leftTime = anchor - (x - left) / PixelsPerUnit();
    Clamp();
}

void RollViewport::ZoomIn() {
    ZoomAt(kZoomStep, -1);
}

void RollViewport::ZoomOut() {
    ZoomAt(1 / kZoomStep, -1);
}

void RollViewport::ZoomToFit() {
    m_wholeRoll = true;
    m_view.leftTime = 0;
    Clamp();
}

double RollViewport::LanesWidth() const noexcept {
    return std::max(0.0, m_view.width - RollLayout::kGutterWidth);
}

double RollViewport::VisibleTime() const noexcept {
    return LanesWidth() / PixelsPerUnit();
}

double RollViewport::MaxLeftTime() const noexcept {
    if (!m_scene) return 0;
    const double content = m_scene->EndTime() + RollLayout::kRightMargin / PixelsPerUnit();
    return std::max(0.0, content - VisibleTime());
}

double RollViewport::MaxScrollY() const noexcept {
    if (!m_scene) return 0;
    const RollLayout layout(*m_scene, m_view);
    const double lanes =
        RollLayout::ContentHeight(*m_scene, m_view.laneHeight, m_view) - layout.LanesTop();
    return std::max(0.0, lanes - (m_view.height - layout.LanesTop()));
}

void RollViewport::ScrollToTime(double leftTime) {
    if (std::isnan(leftTime)) return;
    m_view.leftTime = leftTime;
    Clamp();
}

void RollViewport::ScrollToY(double scrollY) {
    if (std::isnan(scrollY)) return;
    m_view.scrollY = scrollY;
    Clamp();
}

void RollViewport::ScrollBy(double dx, double dy) {
    ScrollToTime(m_view.leftTime + dx / PixelsPerUnit());
    ScrollToY(m_view.scrollY + dy);
}

double RollViewport::HorizontalUnit() const noexcept {
    const double content = (MaxLeftTime() + VisibleTime()) * PixelsPerUnit();
    return std::max(1.0, std::ceil(content / kMaxScrollUnits));
}

ScrollBarState RollViewport::HorizontalBar() const noexcept {
    if (!m_scene) return {};
    const double unit = HorizontalUnit();
    const double ppu = PixelsPerUnit();
    const int thumb = ToUnits(LanesWidth(), unit);
    const int range = std::max(thumb, ToUnits((MaxLeftTime() + VisibleTime()) * ppu, unit));
    const int position = std::min(ToUnits(m_view.leftTime * ppu, unit), range - thumb);
    return {position, thumb, range};
}

void RollViewport::SetHorizontalPosition(int position) {
    if (!m_scene) return;
    // The last position shows the roll's end, even where rounding to units falls short of it.
    const ScrollBarState bar = HorizontalBar();
    if (position >= bar.range - bar.thumb) {
        ScrollToTime(MaxLeftTime());
        return;
    }
    ScrollToTime(position * HorizontalUnit() / PixelsPerUnit());
}

ScrollBarState RollViewport::VerticalBar() const noexcept {
    if (!m_scene) return {};
    const RollLayout layout(*m_scene, m_view);
    const int thumb = ToUnits(std::max(0.0, m_view.height - layout.LanesTop()), 1);
    const int range = std::max(thumb, thumb + ToUnits(MaxScrollY(), 1));
    return {ToUnits(m_view.scrollY, 1), thumb, range};
}

void RollViewport::SetVerticalPosition(int position) {
    ScrollToY(position);
}

double RollViewport::XOfTime(double time) const noexcept {
    return RollLayout::kGutterWidth + (time - m_view.leftTime) * PixelsPerUnit();
}

bool RollViewport::Follow(double time) {
    if (!m_scene || !std::isfinite(time)) return false;
    const double x = XOfTime(time);
    if (x >= RollLayout::kGutterWidth && x <= m_view.width - kCursorWidth) return false;
    const double before = m_view.leftTime;
    ScrollToTime(time - VisibleTime() * kFollowLead);
    return m_view.leftTime != before;
}

const MarkerTextRows& RollViewport::MarkerTexts() const {
    static const RollScene kNoScene;
    const double pixelsPerUnit = PixelsPerUnit();
    if (!m_markerTexts || m_markerTexts->PixelsPerUnit() != pixelsPerUnit) {
        if (!m_measure) m_measure = std::make_unique<TextMeasure>();
        m_markerTexts.emplace(
            m_scene ? *m_scene : kNoScene, pixelsPerUnit,
            [this](std::string_view text) { return m_measure->Width(text, kMarkerTextFont); });
    }
    return *m_markerTexts;
}

std::optional<std::string> RollViewport::StatusTextAt(double x, double y) const {
    if (!m_scene) return std::nullopt;
    const RollLayout layout(*m_scene, m_view);
    if (const std::optional<HoleAtPoint> hole = layout.HoleAt(x, y))
        return DescribeHole(*m_scene, hole->lane, hole->bar);
    if (x < RollLayout::kGutterWidth || x >= m_view.width || y < layout.ScaleTop() ||
        y >= m_view.height)
        return std::nullopt;
    if (y >= layout.MarkerStripTop() && y < layout.LanesTop())
        if (std::optional<std::string> marker = MarkerTextAt(layout, x, y)) return marker;
    // Elsewhere over the roll (the scale, the strip, the lanes, between the markers): the time,
    // up to the pixel column of its end.
    const double time = layout.TimeOfX(x);
    if (!(time >= 0 && time < m_scene->EndTime() + 1 / PixelsPerUnit())) return std::nullopt;
    return PlaceTextAt(layout, time, y);
}

std::string RollViewport::PlaceTextAt(const RollLayout& layout, double time, double y) const {
    if (m_scene->Expression() && y >= layout.ExpressionTop() && y < layout.MarkerStripTop()) {
        for (std::size_t pedal = 0; pedal < 2; ++pedal) {
            const double top = layout.PedalRowTop(pedal);
            if (y >= top - 1 && y < top + RollLayout::kPedalRowHeight + 1)
                return DescribePedal(*m_scene, pedal, time);
        }
        if (y >= std::floor(layout.LevelY(127)) - 2 && y <= std::floor(layout.LevelY(1)) + 2)
            return DescribeLevels(*m_scene, time);
    }
    const int lane = layout.LaneAt(y);
    return DescribePlace(
        *m_scene, time,
        lane < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(lane)));
}

std::optional<std::string> RollViewport::MarkerTextAt(const RollLayout& layout, double x,
                                                      double y) const {
    // A text under the point, else a marker's mark within a pixel or two of it: the first there
    // whose text the strip does not show, else the first.
    const MarkerTextRows& rows = MarkerTexts();
    const ColumnMapping columns = layout.Columns();
    const auto markers = m_scene->Markers();
    const std::size_t begin = static_cast<std::size_t>(
        std::partition_point(
            markers.begin(), markers.end(),
            [&](const SceneMarker& m) { return m.time < layout.TimeOfX(x - rows.Reach()); }) -
        markers.begin());
    const SceneMarker* near = nullptr;
    for (std::size_t i = begin; i < markers.size(); ++i) {
        const double column = static_cast<double>(columns.Column(markers[i].time));
        if (column > x + rows.Reach()) break;
        if (const auto placed = rows.Of(i)) {
            const double top = layout.MarkerRowTop(placed->row);
            const double left = column + placed->offset;
            if (x >= left && x < left + placed->width && y >= top &&
                y < top + RollLayout::kMarkerRowHeight)
                return DescribeMarker(*m_scene, markers[i]);
        }
        if (std::fabs(column + 0.5 - x) <= 2 &&
            (!near || (!rows.Of(i) && rows.Of(static_cast<std::size_t>(near - markers.data())))))
            near = &markers[i];
    }
    if (near) return DescribeMarker(*m_scene, *near);
    return std::nullopt;
}

std::optional<HoleAtPoint> RollViewport::HoleAt(double x, double y) const {
    if (!m_scene) return std::nullopt;
    return RollLayout(*m_scene, m_view).HoleAt(x, y);
}

std::optional<double> RollViewport::TimeAt(double x, double y) const {
    if (!m_scene) return std::nullopt;
    const RollLayout layout(*m_scene, m_view);
    if (x < RollLayout::kGutterWidth || x >= m_view.width || y < layout.ScaleTop() ||
        y >= m_view.height)
        return std::nullopt;
    return std::clamp(layout.TimeOfX(x), 0.0, static_cast<double>(m_scene->EndTime()));
}

}  // namespace rollscribe
