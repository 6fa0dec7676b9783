#include "picture/SceneTexts.h"

#include <cctype>
#include <cstdio>

#include "picture/NoteNames.h"
#include "picture/TimeScale.h"
#include "roll/RollEvent.h"

namespace rollscribe {

namespace {

constexpr const char* kDot = "  \xC2\xB7  ";
constexpr const char* kEnDash = "\xE2\x80\x93";

std::string Inches(std::int32_t time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f in", time / 1000.0);
    return text;
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

}  // namespace rollscribe
