#include "picture/SceneTexts.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "picture/NoteNames.h"
#include "picture/TimeScale.h"
#include "roll/RollEvent.h"

namespace rollscribe {

namespace {

constexpr const char* kDot = "  \xC2\xB7  ";
constexpr const char* kEnDash = "\xE2\x80\x93";

std::string Inches(double time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f in", time / 1000.0);
    return text;
}

// "7.000 in, 0:03.500": a roll position (held to the roll) and its time in the MIDI file.
std::string Where(const RollScene& scene, double time) {
    const auto held = static_cast<std::int32_t>(std::lround(
        std::clamp(std::isnan(time) ? 0.0 : time, 0.0, static_cast<double>(scene.EndTime()))));
    return Inches(held) + ", " + FormatClock(scene.SecondsAt(held), 0.001);
}

}  // namespace

std::string HeaderSummary(const RollScene& scene) {
    const SceneHeader& header = scene.Header();
    std::string text =
        header.rollNumber.empty() ? std::string() : "Roll " + header.rollNumber + kDot;
    text += header.rollType + kDot + "Tempo " + header.tempoText;
    if (header.tempoText != std::to_string(header.tempo))
        text += " (played at " + std::to_string(header.tempo) + ")";
    text += kDot + FormatClock(scene.SecondsAt(scene.EndTime()), 1) + kDot +
            Counted(scene.AllBars().size(), "hole", "holes") + kDot + "notes " +
            std::to_string(header.range.lowest) + kEnDash + std::to_string(header.range.highest);
    if (const SceneExpression* expression = scene.Expression())
        text += kDot + std::string("expression ") + expression->profileName;
    return text;
}

std::string HeaderCredits(const RollScene& scene) {
    const SceneHeader& header = scene.Header();
    std::string text;
    if (!header.composer.empty()) text = "Composer " + header.composer;
    if (!header.performer.empty())
        text += (text.empty() ? "" : kDot) + std::string("Performer ") + header.performer;
    return text;
}

std::string Counted(std::size_t count, std::string_view one, std::string_view many) {
    std::string digits = std::to_string(count);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return digits + " " + std::string(count == 1 ? one : many);
}

std::string MarkerLabel(const RollScene& scene, const SceneMarker& marker) {
    if (marker.code > RollEvent::kLastText) return std::to_string(marker.code);
    return std::string(scene.MarkerText(marker));
}

std::string DescribeMarker(const RollScene& scene, const SceneMarker& marker) {
    const char* kind = marker.code == RollEvent::kCopyright  ? "Copyright"
                       : marker.code == RollEvent::kLyric    ? "Lyric"
                       : marker.code <= RollEvent::kLastText ? "Text"
                                                             : "Code";
    std::string text = kind;
    if (marker.code > RollEvent::kLastText) text += " " + std::to_string(marker.code);
    text += " at " + Inches(marker.time) + ", " + FormatClock(scene.SecondsAt(marker.time), 0.001);
    if (marker.code <= RollEvent::kLastText) text += ": " + std::string(scene.MarkerText(marker));
    return text;
}

std::string DescribeHole(const RollScene& scene, std::size_t lane, const HoleBar& bar) {
    const SceneLane& l = scene.Lanes().at(lane);
    std::string text = "Note " + NoteLabel(l.note);
    const SceneExpression* expression = scene.Expression();
    if (expression && lane < expression->laneLabels.size() &&
        !expression->laneLabels[lane].empty()) {
        // A control hole, by what it does.
        text = expression->laneLabels[lane];
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        text += ", hole " + std::to_string(l.note - 15);
    } else if (l.note > 127) {
        text += " (track " + std::to_string(l.note - 15) + ", not in the MIDI file)";
    } else if (!l.playable) {
        text += " (track " + std::to_string(l.note - 15) + ", played silently)";
    }
    text += ": " + Inches(bar.start) + " to " + Inches(bar.end) + ", " +
            FormatClock(scene.SecondsAt(bar.start), 0.001) + " to " +
            FormatClock(scene.SecondsAt(bar.end), 0.001);
    const auto bars = scene.Bars(lane);
    if (l.openAtEnd && !bars.empty() && bar.start == bars.back().start)
        text += ", still open at the end";
    return text;
}

std::string DescribePlace(const RollScene& scene, double time, std::optional<std::size_t> lane) {
    std::string text = "At " + Where(scene, time);
    if (lane && *lane < scene.Lanes().size())
        text += ", lane of note " + NoteLabel(scene.Lanes()[*lane].note);
    return text;
}

std::optional<double> LevelAt(std::span<const LevelPoint> curve, double time) {
    if (curve.empty()) return std::nullopt;
    // The first point after the time; the level runs straight from the one before it.
    const auto after = std::partition_point(
        curve.begin(), curve.end(), [time](const LevelPoint& p) { return p.position <= time; });
    if (after == curve.begin()) return curve.front().velocity;
    if (after == curve.end()) return curve.back().velocity;
    const LevelPoint& a = *(after - 1);
    const LevelPoint& b = *after;
    const double span = b.position - a.position;
    if (!(span > 0)) return b.velocity;
    return a.velocity + (b.velocity - a.velocity) * (time - a.position) / span;
}

std::string DescribeLevels(const RollScene& scene, double time) {
    // The levels first, so that a narrow status bar still shows them.
    std::string levels;
    if (const SceneExpression* expression = scene.Expression()) {
        const char* names[] = {"bass", "treble"};
        for (std::size_t half = 0; half < expression->levels.size(); ++half) {
            const std::optional<double> level = LevelAt(expression->levels[half], time);
            if (!level) continue;
            levels += (levels.empty() ? "" : ", ") + std::string(names[half]) + " " +
                      std::to_string(static_cast<int>(std::lround(std::clamp(*level, 0.0, 127.0))));
        }
    }
    if (levels.empty()) return "Levels at " + Where(scene, time);
    levels[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(levels[0])));
    return levels + " at " + Where(scene, time);
}

std::string DescribePedal(const RollScene& scene, std::size_t pedal, double time) {
    std::string text = pedal == 0 ? "Sustain pedal" : "Soft pedal";
    const SceneExpression* expression = scene.Expression();
    const HoleBar* down = nullptr;
    if (expression && pedal < expression->pedals.size()) {
        const std::vector<HoleBar>& bars = expression->pedals[pedal];
        // The times down follow one another: the last that starts at or before the time.
        const auto after = std::partition_point(
            bars.begin(), bars.end(), [time](const HoleBar& b) { return b.start <= time; });
        if (after != bars.begin() && time <= (after - 1)->end) down = &*(after - 1);
    }
    if (!down) return text + " up at " + Where(scene, time);
    return text + " down at " + Where(scene, time) + " (" + Inches(down->start) + " to " +
           Inches(down->end) + ")";
}

}  // namespace rollscribe
