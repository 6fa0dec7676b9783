#include "picture/RollLayout.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace rollscribe {

namespace {

constexpr double kMaxLaneHeight = 64;

}  // namespace

RollLayout::RollLayout(const RollScene& scene, const RollView& view)
    : m_scene(scene), m_view(view), m_pixelsPerUnit(view.pixelsPerInch / 1000.0) {}

double RollLayout::LanesBottom() const noexcept {
    return LanesTop() + static_cast<double>(m_scene.Lanes().size()) * m_view.laneHeight -
           m_view.scrollY;
}

double RollLayout::XOfTime(double time) const noexcept {
    return kGutterWidth + (time - m_view.leftTime) * m_pixelsPerUnit;
}

double RollLayout::LevelY(double velocity) const noexcept {
    const double v = std::clamp(std::isnan(velocity) ? 1.0 : velocity, 1.0, 127.0);
    return ExpressionTop() + kLevelPlotTop + (127 - v) / 126 * LevelPlotHeight();
}

double RollLayout::LevelPlotHeightOf(const RollView& view) noexcept {
    // Written so that a NaN gives the full height.
    return view.levelPlotHeight >= kLeastLevelPlotHeight && view.levelPlotHeight < kLevelPlotHeight
               ? view.levelPlotHeight
               : kLevelPlotHeight;
}

double RollLayout::TimeOfX(double x) const noexcept {
    return m_view.leftTime + (x - kGutterWidth) / m_pixelsPerUnit;
}

double RollLayout::LaneTop(std::size_t lane) const noexcept {
    const double fromTop = static_cast<double>(m_scene.Lanes().size() - 1 - lane);
    return LanesTop() + fromTop * m_view.laneHeight - m_view.scrollY;
}

int RollLayout::LaneAt(double y) const noexcept {
    const std::size_t lanes = m_scene.Lanes().size();
    if (y < LanesTop() || y >= m_view.height || lanes == 0) return -1;
    const double fromTop = std::floor((y - LanesTop() + m_view.scrollY) / m_view.laneHeight);
    if (fromTop < 0 || fromTop >= static_cast<double>(lanes)) return -1;
    return static_cast<int>(lanes - 1 - static_cast<std::size_t>(fromTop));
}

std::optional<HoleAtPoint> RollLayout::HoleAt(double x, double y) const noexcept {
    const int lane = LaneAt(y);
    if (lane < 0 || x < kGutterWidth || x >= m_view.width) return std::nullopt;
    const double time = TimeOfX(x);
    const double slack = 1.0 / m_pixelsPerUnit;  // bars are drawn at least a pixel wide
    std::optional<HoleAtPoint> best;
    double bestDistance = 0;
    for (const HoleBar& bar :
         m_scene.BarsBetween(static_cast<std::size_t>(lane), time - slack, time + slack)) {
        const double distance = time < bar.start ? bar.start - time
                                : time > bar.end ? time - bar.end
                                                 : 0.0;
        if (!best || distance < bestDistance) {
            best = HoleAtPoint{static_cast<std::size_t>(lane), bar};
            bestDistance = distance;
        }
    }
    return best;
}

double RollLayout::ContentWidth(const RollScene& scene, double pixelsPerInch) noexcept {
    return kGutterWidth + scene.EndTime() * pixelsPerInch / 1000.0 + kRightMargin;
}

double RollLayout::ContentHeight(const RollScene& scene, double laneHeight,
                                 const RollView& bands) noexcept {
    // A roll without holes keeps a line's room to say so.
    const double lanes = scene.Lanes().empty()
                             ? kEmptyLanesHeight
                             : static_cast<double>(scene.Lanes().size()) * laneHeight;
    return (bands.header ? kHeaderHeight : 0) + kScaleHeight + StripHeight(scene, bands) +
           kMarkerStripHeight - (kMarkerRows - MarkerRowsOf(bands)) * kMarkerRowHeight + lanes +
           kBottomMargin;
}

double RollLayout::FitPixelsPerInch(const RollScene& scene, double width) noexcept {
    const double lanesWidth = std::max(1.0, width - kGutterWidth - kRightMargin);
    const double inches = std::max(1.0, scene.EndTime() / 1000.0);
    return std::min(kMaxPixelsPerInch, lanesWidth / inches);
}

RollView WholeRollView(const RollScene& scene, const PictureOptions& options) {
    // Written so that a NaN fails the tests as well.
    if (!(options.pixelsPerInch > 0 && options.pixelsPerInch <= kMaxPixelsPerInch))
        throw std::invalid_argument(
            "the picture's density must be above 0 and at most 4000 "
            "pixels an inch");
    if (!(options.laneHeight > 0))
        throw std::invalid_argument("the picture's lane height must be above 0");
    RollView view;
    view.laneHeight = std::min(options.laneHeight, kMaxLaneHeight);
    view.labelRepeat = kPictureLabelRepeat;
    view.height = std::ceil(RollLayout::ContentHeight(scene, view.laneHeight));
    // The widest picture that fits both limits; the roll is scaled down to it when longer.
    const double widest = std::floor(std::min(kMaxPictureSide, kMaxPicturePixels / view.height));
    const double fixed = RollLayout::kGutterWidth + RollLayout::kRightMargin;
    const double inches = scene.EndTime() / 1000.0;
    view.pixelsPerInch = options.pixelsPerInch;
    if (fixed + inches * view.pixelsPerInch > widest)
        view.pixelsPerInch = (widest - fixed) / inches;
    view.width =
        std::min(widest, std::max(RollLayout::kMinPictureWidth,
                                  std::ceil(RollLayout::ContentWidth(scene, view.pixelsPerInch))));
    return view;
}

}  // namespace rollscribe
