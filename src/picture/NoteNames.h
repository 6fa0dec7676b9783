#pragma once

#include <cstdint>
#include <string>

namespace rollscribe {

// The name of a MIDI note with its octave, C4 being 60 and the black keys written as sharps:
// "C4", "C#4", "A0". Empty for numbers outside the MIDI notes 0 to 127.
std::string NoteName(std::int32_t note);

// A lane's label: the note number and its name, "60 C4"; beyond 127 the number alone, "128".
std::string NoteLabel(std::int32_t note);

// Whether the note is a black key of the piano (the pattern repeats above 127 as well).
bool IsBlackKey(std::int32_t note) noexcept;

}  // namespace rollscribe
