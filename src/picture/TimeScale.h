#pragma once

#include <string>
#include <vector>

namespace rollscribe {

class RollScene;
class RollLayout;

// The distance between labelled marks of a scale: the smallest of the usual steps (1, 2 or 5
// times a power of ten; for seconds also 15 and 30 seconds and whole minutes and hours) that
// leaves at least minSpacing pixels between two marks.
double SecondsStep(double pixelsPerSecond, double minSpacing) noexcept;
double InchesStep(double pixelsPerInch, double minSpacing) noexcept;

// A time on a clock, as precise as the step between marks needs: "0:05", "1:30", "0:01.5",
// "2:03:10".
std::string FormatClock(double seconds, double step);
// A number of inches, as precise as the step needs: "12", "2.5", "0.25".
std::string FormatInches(double inches, double step);

// How many minor marks divide a step between labels.
int MinorDivisions(double step, bool clock);

// One mark of the time scale.
struct ScaleMark {
    double x;
    bool seconds;  // on the row of seconds, else on the row of inches
    bool major;    // a labelled mark
    std::string label;
};

// The minimum distance between labelled marks, in pixels.
inline constexpr double kSecondsLabelSpacing = 70;
inline constexpr double kInchesLabelSpacing = 56;

// The marks of both rows of the scale whose x lies in x0..x1, from the roll's start to its end,
// as a view lays them out: seconds at the roll's tempo (the MIDI file's timing) and inches of
// roll. Replaces the contents of marks.
void CollectScaleMarks(const RollScene& scene, const RollLayout& layout, double x0, double x1,
                       std::vector<ScaleMark>& marks);

}  // namespace rollscribe
