#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rollscribe {

// One channel message of a MIDI file (status byte and its one or two data bytes) at its time.
struct TimedMessage {
    std::int64_t microseconds;  // from the start of the file, by its tempo map
    std::uint8_t bytes[3];
    std::uint8_t size;
};

// The channel messages of a Standard MIDI File (format 0, 1 or 2; all tracks merged) in the order
// they are to be played, timed by the file's tempo events. Meta and system-exclusive events are
// left out; their times still count.
struct MidiSequence {
    std::vector<TimedMessage> messages;
    // Where the file ends: its last event, or a later end of track.
    std::int64_t lengthMicroseconds = 0;
};

// Reads a file's bytes. Throws CException naming name and what is wrong with the bytes.
MidiSequence ParseMidiSequence(const std::uint8_t* data, std::size_t size, const std::string& name);
// Reads a MIDI file. Throws CFileException naming path and the system's reason when it cannot be
// read, CException when it is not a MIDI file.
MidiSequence ReadMidiSequence(const std::string& path);

}  // namespace rollscribe
