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

// A tempo in force from a tick on: where the tick lies in time and how long a quarter note lasts.
struct TempoSpan {
    std::uint64_t tick;
    std::int64_t microseconds;
    std::int32_t tempo;  // microseconds a quarter note
};

// The channel messages of a Standard MIDI File (format 0, 1 or 2; all tracks merged) in the order
// they are to be played, timed by the file's tempo events. Meta and system-exclusive events are
// left out; their times still count.
struct MidiSequence {
    std::vector<TimedMessage> messages;
    // Where the file ends: its last event, or a later end of track.
    std::int64_t lengthMicroseconds = 0;
    // How ticks map to time, for a position given in ticks: the file's division (ticks a
    // quarter note, or its SMPTE form) and its tempo changes, the first at tick 0.
    std::uint16_t division = 480;
    std::vector<TempoSpan> tempos;
};

// The time of a tick, and the tick at a time (the last tick not after it), by the file's tempos.
std::int64_t MicrosecondsAtTick(const MidiSequence& sequence, std::int64_t tick);
std::int64_t TickAtMicroseconds(const MidiSequence& sequence, std::int64_t microseconds);

// Reads a file's bytes. Throws CException naming name and what is wrong with the bytes.
MidiSequence ParseMidiSequence(const std::uint8_t* data, std::size_t size, const std::string& name);
// Reads a MIDI file. Throws CFileException naming path and the system's reason when it cannot be
// read, CException when it is not a MIDI file.
MidiSequence ReadMidiSequence(const std::string& path);

}  // namespace rollscribe
