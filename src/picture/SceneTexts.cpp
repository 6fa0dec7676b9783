#include "picture/SceneTexts.h"

#include <cstdio>

#include "picture/NoteNames.h"
#include "picture/TimeScale.h"

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
        "Roll " + header.rollNumber + kDot + header.rollType + kDot + "Tempo " + header.tempoText;
    if (header.tempoText != std::to_string(header.tempo))
        text += " (played at " + std::to_string(header.tempo) + ")";
    text += kDot + FormatClock(scene.SecondsAt(scene.EndTime()), 1) + kDot +
            std::to_string(scene.AllBars().size()) + " holes" + kDot + "notes " +
            std::to_string(header.range.lowest) + kEnDash + std::to_string(header.range.highest);
    return text;
}

std::string MarkerLabel(const RollScene& scene, const SceneMarker& marker) {
    if (marker.code >= 245) return std::to_string(marker.code);
    return std::string(scene.MarkerText(marker));
}

std::string DescribeHole(const RollScene& scene, std::size_t lane, const HoleBar& bar) {
    const SceneLane& l = scene.Lanes().at(lane);
    std::string text = "Note " + NoteLabel(l.note);
    if (l.note > 127) {
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
