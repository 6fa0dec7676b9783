#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace testing_support {

// One event of a checked track, as the checker met it.
struct MidiEvent {
    std::size_t offset;      // of the event's status byte in the file
    std::uint64_t tick;      // absolute time: the sum of the deltas so far
    std::uint32_t delta;     // this event's own delta
    std::size_t deltaBytes;  // how many bytes the delta took
    std::uint8_t status;     // 0x80 to 0xFF
    std::uint8_t metaType;   // for status 0xFF, the meta event's type; else 0
    std::string_view data;   // channel events: the data bytes; meta and sysex: the payload
};

// Checks a whole Standard MIDI File as this program writes it: a header chunk (length 6, format
// 0, one track, 480 ticks per quarter note) and exactly one track chunk whose length is the size
// of the rest of the file. In the track: every delta and every length is a variable-length
// quantity of at most 4 bytes, every event carries its status byte and stays inside the track,
// data bytes are below 0x80, and there is exactly one end of track, empty and last.
// Returns an empty text when all holds, else what is wrong and where. onEvent, when given, is
// called for every event in file order.
std::string CheckMidiFile(std::string_view file,
                          const std::function<void(const MidiEvent&)>& onEvent = {});

}  // namespace testing_support
