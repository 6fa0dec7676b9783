#pragma once

#include <cstdint>
#include <vector>

#include "roll/RollEventArray.h"

namespace rollscribe {

// The velocity that the expression file gives each hole of a roll, found by the hole's note and
// opening position (what the picture knows of a hole), from the velocities of the roll's events
// by index (ExpressionResult::velocities).
class NoteVelocities {
  public:
    NoteVelocities() = default;
    NoteVelocities(const RollEventArray& events, const std::vector<std::uint8_t>& velocities);

    // The velocity (1 to 127) of the note-on of the hole of note opening at time; 0 when the
    // expression file has no note-on for it.
    int At(std::int32_t note, std::int32_t time) const;
    bool IsEmpty() const noexcept { return m_notes.empty(); }

  private:
    struct NoteOn {
        std::int32_t note;
        std::int32_t time;
        std::uint8_t velocity;
    };
    std::vector<NoteOn> m_notes;  // by note, then time; the first of equal ones counts
};

}  // namespace rollscribe
