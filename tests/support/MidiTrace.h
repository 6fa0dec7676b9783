#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// The events of a MIDI file as this program writes it, one line each after its tick:
// "400 on 60 85" (a note-on), "400 off 60" (a note-on of velocity 0), "400 cc 64 127",
// "2400 tempo 1000000", "400 lyric la". Signatures, names and texts are left out. Fails the
// current test when the file does not pass CheckMidiFile.
std::vector<std::string> MidiTrace(std::string_view file);

// Only the lines of the trace whose kind (the word after the tick) is one of kinds ("on cc").
std::vector<std::string> MidiTrace(std::string_view file, std::string_view kinds);

}  // namespace testing_support
