#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "picture/ColumnRuns.h"
#include "picture/RollScene.h"

namespace rollscribe {

// The line under the title: roll number, type, tempo, length, holes and the notes played.
std::string HeaderSummary(const RollScene& scene);

// What follows the title: "Composer NAME  ·  Performer NAME", either left out when the
// annotation file names none; empty for neither.
std::string HeaderCredits(const RollScene& scene);

// A count and its noun, the count with thousands separators: "1 hole", "0 holes",
// "2,509,929 holes".
std::string Counted(std::size_t count, std::string_view one, std::string_view many);

// What a marker shows: its text, or for a bare control code (245 to 255) its number.
std::string MarkerLabel(const RollScene& scene, const SceneMarker& marker);

// A hole described for a status bar: its note and name, where it starts and ends on the roll
// and when it sounds in the MIDI file, e.g. "Note 60 C4: 12.345 in to 12.900 in, 0:06.172 to
// 0:06.450". A hole the MIDI file does not play as a note says so.
std::string DescribeHole(const RollScene& scene, std::size_t lane, const HoleBar& bar);

// What the lanes of a roll without holes say, and where the text's baseline starts, from the
// left edge and the top of the lanes.
inline constexpr std::string_view kNoHolesText = "This roll has no holes.";
inline constexpr double kNoHolesTextSize = 12;
inline constexpr double kNoHolesTextX = 12;
inline constexpr double kNoHolesTextY = 24;

// The texts of the marker strip, the same in every picture: the first marker of a pixel column
// shows its text, from its line up to kMarkerLabelGap before the next marked column, at most
// kMaxMarkerLabel wide; where that leaves less than kMinMarkerLabel it shows none.
inline constexpr double kMaxMarkerLabel = 480;
inline constexpr double kMinMarkerLabel = 18;
inline constexpr double kMarkerLabelGap = 4;
// Where a marker's text starts, right of its line's column.
inline constexpr double kMarkerLabelIndent = 3;

// The room for the text of the marker in a column whose next marked column is nextColumn: the
// width from the left edge of the column to where the text must end, or 0 for no text.
constexpr double MarkerLabelRoom(std::int64_t column, std::int64_t nextColumn) noexcept {
    const double room =
        std::min(kMaxMarkerLabel, static_cast<double>(nextColumn - column) - kMarkerLabelGap);
    return room >= kMinMarkerLabel ? room : 0;
}

}  // namespace rollscribe
