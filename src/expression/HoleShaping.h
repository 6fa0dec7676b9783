#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "expression/RollProfile.h"
#include "roll/RollEvent.h"

class RollEventArray;

namespace rollscribe {

// A roll's events as the expression reads them through the profile's tracker bar (see
// TrackerBar): renumbered, chains of holes joined, every hole's end later by the aperture, the
// snakebites opening earlier by the accent lead. In roll order (by position; events at one
// position in the order of the events they come from).
struct ShapedEvents {
    std::vector<RollEvent> events;
    std::vector<std::size_t> origin;  // by shaped event: the index of the roll event it comes from
};

// Whether the tracker bar or the pedals' travel change any roll's events (else the roll's own
// events serve).
bool ShapesHoles(const RollProfile& profile) noexcept;

// rollTempo as the document holds it: with the profile's spool, it turns the pedals' travel
// (milliseconds) into paper. A pedal hole's opening and closing then both come that much later.
ShapedEvents ShapeHoles(const RollEventArray& events, const RollProfile& profile,
                        std::int32_t rollTempo);

}  // namespace rollscribe
