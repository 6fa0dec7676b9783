#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "platform/CString.h"

class CRollscribeDoc;

namespace rollscribe {

// What the MIDI file of the roll in a document holds, counted by the conversion's own rules, from
// the document as it is (after a load, or part-way through a failed one).
struct MidiSummary {
    std::int64_t events = 0;     // roll events decoded
    std::int64_t notes = 0;      // note-ons written
    std::uint64_t lastTick = 0;  // the tick of the last event written
    std::int32_t midiTempo = 0;  // microseconds a quarter note, as the file's tempo event says
    std::size_t cutTexts = 0;    // texts longer than a MIDI text can be, and so cut short

    // The file's length in seconds: the last event's tick at the file's tempo (480 ticks a
    // quarter note).
    double Seconds() const noexcept {
        return static_cast<double>(lastTick) * midiTempo / 480.0 / 1e6;
    }
};

MidiSummary SummarizeMidi(const CRollscribeDoc& doc);

// The summary's cutTexts alone, without a pass over the events unless a text among them can be
// that long (the information text holds every event text).
std::size_t CountCutTexts(const CRollscribeDoc& doc);

// The length of the text of a MIDI event made of these parts in turn, before it is cut to the
// longest a MIDI text can be: up to the first 0 byte.
std::size_t MidiTextLength(std::initializer_list<const CString*> parts) noexcept;

}  // namespace rollscribe
