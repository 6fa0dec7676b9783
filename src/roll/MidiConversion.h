#pragma once

#include <cstdint>

#include "platform/CString.h"

// The notes that a roll type plays at full velocity.
struct PlayableRange {
    std::int32_t lowest;
    std::int32_t highest;
};

// 21 to 108, or the range of the last of "duoart", "duo-art", "ampico", "welte" (in that order)
// that occurs in the lowercased roll type.
PlayableRange PlayableRangeFor(const CString& rollType);

// Microseconds a quarter note at a roll tempo. The parser puts the tempo into 10 to 500; anything
// else is taken as the default, 100.
inline std::int32_t MidiTempoOf(std::int32_t tempo) noexcept {
    return 60000000 / (tempo >= 10 && tempo <= 500 ? tempo : 100);
}

// MIDI ticks (480 a quarter note) for a roll position (1200 thousandths of an inch a quarter
// note), computed in 64 bits so that no position wraps.
inline std::uint64_t TickTimeOf(std::int32_t time) noexcept {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(time)) * 480u / 1200u;
}
