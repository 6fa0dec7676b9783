#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "expression/RollProfile.h"
#include "roll/RollEvent.h"

class RollEventArray;

namespace rollscribe {

// A roll event as the expression reads it: its kind and note (as the tracker bar numbers the
// holes) at its position; from: the roll event it comes from (a lyric's text is there).
struct ShapedEvent {
    std::int64_t time;
    std::uint32_t from;
    std::int16_t note;  // the roll event's, held to -1 .. 128 (128: above the MIDI notes)
    std::uint8_t kind;  // RollEvent::kind
};

// A roll's events as the expression reads them through the profile's tracker bar (see
// TrackerBar): renumbered, chains of holes joined, every hole's end later by the aperture, the
// snakebites opening earlier by the accent lead. In roll order (by position; events at one
// position in the order of the events they come from); positions up to INT32_MAX.
struct ShapedEvents {
    std::vector<ShapedEvent> events;
};

// Whether the tracker bar or the pedals' travel change any roll's events (else the roll's own
// events serve).
bool ShapesHoles(const RollProfile& profile) noexcept;

// rollTempo as the document holds it: with the profile's spool, it turns the pedals' travel
// (milliseconds) into paper. A pedal hole's opening and closing then both come that much later.
ShapedEvents ShapeHoles(const RollEventArray& events, const RollProfile& profile,
                        std::int32_t rollTempo);
// A roll's events as they are, for a profile that shapes none.
ShapedEvents AsPunched(const RollEventArray& events);

// Whether no event lies before the one before it, nor before position 0: the rolls that
// HoleStream shapes (every roll read from a file).
bool InRollOrder(const RollEventArray& events) noexcept;

// A roll's events shaped as they come, a block at a time, as the MIDI file is written: the
// events of ShapeHoles (or AsPunched), in its order, each handed on once no event still to
// come can lie before it. Holds only the events near the position reached.
class HoleStream {
  public:
    HoleStream(const RollProfile& profile, std::int32_t rollTempo);
    ~HoleStream();
    HoleStream(const HoleStream&) = delete;
    HoleStream& operator=(const HoleStream&) = delete;

    // The roll's events from where the last call ended up to end (roll points at the first
    // event; it stays in place until End). False when an event lies before the one before it
    // (or before 0), and nothing is handed on: such a roll is shaped whole (ShapeHoles).
    bool Add(const RollEvent* roll, std::size_t end);
    // The roll has ended: the rest is handed on.
    void End();
    // What the last Add or End handed on, in order.
    std::span<const ShapedEvent> Ready() const noexcept;

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace rollscribe
