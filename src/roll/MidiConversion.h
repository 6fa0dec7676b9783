#pragma once

#include <cstddef>
#include <cstdint>

#include "midi/CMidiFile.h"
#include "platform/CString.h"
#include "roll/RollEvent.h"

class CRollscribeDoc;

namespace rollscribe {

// The notes that a roll type plays at full velocity.
struct PlayableRange {
    std::int32_t lowest;
    std::int32_t highest;
};

// 21 to 108, or the range of the last of "duoart", "duo-art", "ampico", "welte" (in that order)
// that occurs in the lowercased roll type.
PlayableRange PlayableRangeFor(const CString& rollType);

// A roll position (1200 thousandths of an inch a quarter note) in MIDI ticks (480 a quarter note),
// and a tick in positions, as fractions.
inline constexpr double kTicksPerPosition = 480.0 / 1200.0;
inline constexpr double kPositionsPerTick = 1200.0 / 480.0;

// MIDI ticks (480 a quarter note) for a roll position (1200 thousandths of an inch a quarter
// note), computed in 64 bits so that no position wraps.
inline std::uint64_t TickTimeOf(std::int32_t time) noexcept {
    // x * 480 / 1200 as one multiplication and a shift: 0xCCCCCCCD / 2^33 exceeds 2 / 5 by less
    // than 0.1 / 2^32, so the quotient is the same for every 32-bit x (checked for all of
    // them), and the product fits 64 bits.
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(time)) * 0xCCCCCCCDu >> 33;
}

// Whether the conversion writes a roll event: tracks 113 and up (notes above 127) are left out.
inline bool IsWrittenEvent(const RollEvent& event) noexcept {
    return event.note <= 127;
}

// The longest wait one event's delta can carry: a 4-byte variable-length quantity. A longer wait
// is carried by empty text events (CMidiFile::WriteWait).
inline constexpr std::uint64_t kMaxMidiDelta = CMidiFile::kMaxDelta;

// The tick of each written event in turn: its position's tick, never before the previous one's.
class TickClock {
  public:
    // Moves on to a written event at roll position time; returns its tick.
    std::uint64_t Advance(std::int32_t time) noexcept {
        std::uint64_t tick = TickTimeOf(time);
        if (tick > m_last) m_last = tick;
        return m_last;
    }
    // The tick of the last event moved on to (0 before any).
    std::uint64_t Last() const noexcept { return m_last; }

  private:
    std::uint64_t m_last = 0;
};

// The roll tempo that the MIDI file plays at: the parser has put the tempo into 10 to 500; any
// other value is taken as the default 100.
inline std::int32_t EffectiveRollTempo(std::int32_t tempo) noexcept {
    return tempo >= 10 && tempo <= 500 ? tempo : 100;
}

// The MIDI tempo (microseconds a quarter note) written for a roll tempo.
inline std::int32_t MidiTempoFor(std::int32_t tempo) noexcept {
    return 60000000 / EffectiveRollTempo(tempo);
}

// The events that open a roll's track, after the signatures that CMidiFile starts it with: the
// tempo, the title, the copyright, the instrument name, the file-type text and one text for each
// annotation entry, all at tick 0. Every MIDI file made of a roll starts with them.
void WriteRollHeaderEvents(const CRollscribeDoc& doc, CMidiFile& midi);

// The track bytes planned for a file of the roll's events, without a pass over them: the header
// events and a full-sized event for each roll event (event texts left out).
std::size_t PlannedTrackBytes(const CRollscribeDoc& doc);

}  // namespace rollscribe
