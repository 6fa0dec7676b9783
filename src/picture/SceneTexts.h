#pragma once

#include <cstddef>
#include <string>

#include "picture/RollScene.h"

namespace rollscribe {

// The line under the title: roll number, type, tempo, length, holes and the notes played.
std::string HeaderSummary(const RollScene& scene);

// What a marker shows: its text, or for a bare control code (245 to 255) its number.
std::string MarkerLabel(const RollScene& scene, const SceneMarker& marker);

// A hole described for a status bar: its note and name, where it starts and ends on the roll
// and when it sounds in the MIDI file, e.g. "Note 60 C4: 12.345 in to 12.900 in, 0:06.172 to
// 0:06.450". A hole the MIDI file does not play as a note says so.
std::string DescribeHole(const RollScene& scene, std::size_t lane, const HoleBar& bar);

}  // namespace rollscribe
