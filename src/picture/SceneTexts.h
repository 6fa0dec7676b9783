#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "picture/ColumnRuns.h"
#include "picture/RollScene.h"

namespace rollscribe {

// The line under the title: roll number (when there is one), type, tempo, length, holes and the
// notes played, and the profile of the expression shown.
std::string HeaderSummary(const RollScene& scene);

// What follows the title: "Composer NAME  ·  Performer NAME", either left out when the
// annotation file names none; empty for neither.
std::string HeaderCredits(const RollScene& scene);

// A count and its noun, the count with thousands separators: "1 hole", "0 holes",
// "2,509,929 holes".
std::string Counted(std::size_t count, std::string_view one, std::string_view many);

// What a marker shows: its text, or for a bare control code (245 to 255) its number.
std::string MarkerLabel(const RollScene& scene, const SceneMarker& marker);

// A marker described for a status bar: what it is, where it lies on the roll, when the MIDI
// file has it, and its text, e.g. "Lyric at 4.000 in, 0:02.000: la la"; a bare code
// "Code 250 at 9.000 in, 0:04.500".
std::string DescribeMarker(const RollScene& scene, const SceneMarker& marker);

// A hole described for a status bar: its note and name, where it starts and ends on the roll
// and when it sounds in the MIDI file, e.g. "Note 60 C4: 12.345 in to 12.900 in, 0:06.172 to
// 0:06.450". A hole the MIDI file does not play as a note says so. With the expression shown, a
// control hole is named by what it does and its track ("Sustain pedal on, hole 106: ...").
std::string DescribeHole(const RollScene& scene, std::size_t lane, const HoleBar& bar);

// A place on the roll described for a status bar: where it lies and when the MIDI file reaches
// it, e.g. "At 7.000 in, 0:03.500"; over a lane, the lane's note follows (", lane of note 64 E4").
std::string DescribePlace(const RollScene& scene, double time, std::optional<std::size_t> lane);

// The expression's levels at a roll position, as the strip's curves show them (between their
// points in a straight line; before the first and after the last, the first and last level),
// e.g. "Bass 72, treble 65 at 7.000 in, 0:03.500" (the levels first, for a narrow status bar); a
// half without a curve is left out.
std::string DescribeLevels(const RollScene& scene, double time);
// The level of a curve at a roll position; none for a curve without points.
std::optional<double> LevelAt(std::span<const LevelPoint> curve, double time);

// A pedal (0 sustain, 1 soft) at a roll position: "Sustain pedal down at 7.000 in, 0:03.500
// (6.500 in to 9.000 in)" while down, else "Sustain pedal up at 7.000 in, 0:03.500".
std::string DescribePedal(const RollScene& scene, std::size_t pedal, double time);

// What the lanes of a roll without holes say, and where the text's baseline starts, from the
// left edge and the top of the lanes.
inline constexpr std::string_view kNoHolesText = "This roll has no holes.";
inline constexpr double kNoHolesTextSize = 12;
inline constexpr double kNoHolesTextX = 12;
inline constexpr double kNoHolesTextY = 24;

}  // namespace rollscribe
