#include "picture/TimeScale.h"

#include <cmath>
#include <cstdio>
#include <iterator>

#include "picture/RollLayout.h"
#include "picture/RollScene.h"

namespace rollscribe {

namespace {

double PowerStep(double pixelsPerUnit, double minSpacing) noexcept {
    const double least = minSpacing / pixelsPerUnit;
    if (!(least > 0) || !std::isfinite(least)) return 1;
    double power = std::pow(10.0, std::floor(std::log10(least)));
    for (;;) {
        for (double factor : {1.0, 2.0, 5.0}) {
            if (factor * power >= least) return factor * power;
        }
        power *= 10;
    }
}

// Digits after the point that the step needs (0 for whole steps, at most 3).
int DecimalsFor(double step) noexcept {
    int decimals = 0;
    while (decimals < 3 && std::fabs(step - std::round(step)) > 1e-9) {
        step *= 10;
        ++decimals;
    }
    return decimals;
}

}  // namespace

double SecondsStep(double pixelsPerSecond, double minSpacing) noexcept {
    static constexpr double kClockSteps[] = {
        1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    if (!(pixelsPerSecond > 0)) return 1;
    const double least = minSpacing / pixelsPerSecond;
    if (least <= 1) return PowerStep(pixelsPerSecond, minSpacing);
    for (double step : kClockSteps) {
        if (step >= least) return step;
    }
    // Beyond a day: whole days, 1, 2 or 5 times a power of ten of them.
    return 86400 * PowerStep(pixelsPerSecond * 86400, minSpacing);
}

double InchesStep(double pixelsPerInch, double minSpacing) noexcept {
    return PowerStep(pixelsPerInch, minSpacing);
}

std::string FormatClock(double seconds, double step) {
    const int decimals = DecimalsFor(step);
    const double scale = std::pow(10.0, decimals);
    // Rounded once, to the digits shown, so that 59.99 shows as 1:00.0 and not 0:60.0.
    const long long units = std::llround(std::fabs(seconds) * scale);
    const long long whole = units / static_cast<long long>(scale);
    const long long fraction = units % static_cast<long long>(scale);
    char text[64];
    const char* sign = seconds < 0 && units != 0 ? "-" : "";
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%s%lld:%02lld:%02lld", sign, whole / 3600,
                      whole / 60 % 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%s%lld:%02lld", sign, whole / 60, whole % 60);
    }
    std::string clock = text;
    if (decimals > 0) {
        const std::string digits = std::to_string(fraction);
        clock +=
            '.' + std::string(static_cast<std::size_t>(decimals) - digits.size(), '0') + digits;
    }
    return clock;
}

std::string FormatInches(double inches, double step) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", DecimalsFor(step), inches);
    return text;
}

int MinorDivisions(double step, bool clock) {
    if (clock && step >= 15) {
        static constexpr double kClock[][2] = {
            {15, 3},   {30, 3},   {60, 6},   {120, 4},   {300, 5},   {600, 5},   {900, 3},
            {1800, 3}, {3600, 4}, {7200, 4}, {10800, 3}, {21600, 6}, {43200, 4}, {86400, 4}};
        for (const auto& [clockStep, divisions] : kClock) {
            if (step == clockStep) return static_cast<int>(divisions);
        }
    }
    const double power = std::pow(10.0, std::floor(std::log10(step)));
    return std::round(step / power) == 2 ? 4 : 5;
}

namespace {

// The marks of one row: a label every step units, unitTime the roll position of one unit.
void CollectRow(const RollScene& scene, const RollLayout& layout, double x0, double x1, double step,
                double unitTime, bool seconds, std::vector<ScaleMark>& marks) {
    const int divisions = MinorDivisions(step, seconds);
    const double minor = step / divisions;
    // Marks at least a pixel apart, whatever the density: at one so small that no step reaches
    // the labels' spacing (the unit is less than the smallest number in pixels), the row has no
    // marks rather than one for every unit of the roll.
    if (!(layout.XOfTime(minor * unitTime) - layout.XOfTime(0) >= 1)) return;
    const double fromUnits = std::max(0.0, layout.TimeOfX(x0) / unitTime);
    const double toUnits = std::min(scene.EndTime() / unitTime, layout.TimeOfX(x1) / unitTime);
    const double last = std::floor(toUnits / minor);
    for (double k = std::ceil(fromUnits / minor); k <= last; ++k) {
        const double units = k * minor;
        ScaleMark mark{layout.XOfTime(units * unitTime), seconds, std::fmod(k, divisions) == 0, {}};
        if (mark.major) mark.label = seconds ? FormatClock(units, step) : FormatInches(units, step);
        marks.push_back(std::move(mark));
    }
}

}  // namespace

void CollectScaleMarks(const RollScene& scene, const RollLayout& layout, double x0, double x1,
                       std::vector<ScaleMark>& marks) {
    marks.clear();
    const double pixelsPerInch = layout.View().pixelsPerInch;
    if (!(pixelsPerInch > 0) || !(x1 > x0)) return;
    const double secondsPerInch = scene.SecondsPerInch();
    CollectRow(scene, layout, x0, x1,
               SecondsStep(pixelsPerInch / secondsPerInch, kSecondsLabelSpacing),
               1000.0 / secondsPerInch, true, marks);
    CollectRow(scene, layout, x0, x1, InchesStep(pixelsPerInch, kInchesLabelSpacing), 1000.0, false,
               marks);
}

}  // namespace rollscribe
