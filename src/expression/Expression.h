#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "expression/RollProfile.h"
#include "platform/CString.h"

class CRollscribeDoc;

namespace rollscribe {

// The expression of a roll: its notes played as the roll system's piano plays them, with the
// pedals and the take-up spool's speed-up. Made from a loaded roll (its events and tempo) and a
// profile (ProfileLocator.h: LoadProfile, ChooseProfileName).

enum class Pedal : std::uint8_t { sustain = 0, soft = 1 };
// The controllers of the pedals in the expression file.
inline constexpr std::int32_t kSustainController = 64;
inline constexpr std::int32_t kSoftController = 67;

// A time a pedal was down: from the event that put it down to the one that let it up (or the
// roll's end), as roll positions (thousandths of an inch) and as the ticks of the expression
// file. A pedal that goes down and up within one tick is not counted.
struct PedalInterval {
    Pedal pedal;
    std::int32_t start;
    std::int32_t end;
    std::uint64_t startTick;
    std::uint64_t endTick;
};

// A point of a half's level curve: the velocity a note of that half struck at the roll position
// (thousandths of an inch) would get, before rounding.
struct LevelPoint {
    double position;
    double velocity;
};

// A tempo event of the expression file's tempo map.
struct TempoChange {
    std::uint64_t tick;
    std::int32_t tempo;  // microseconds a quarter note
};

struct ExpressionResult {
    std::string profileName;
    // For each roll event by index, the velocity (1 to 127) of its note-on in the expression
    // file; 0 for every event that is not a note-on there (control holes, notes outside the
    // profile's range, note-offs, texts).
    std::vector<std::uint8_t> velocities;
    // The pedals' times down, in the order they came up.
    std::vector<PedalInterval> pedals;
    // The level curves of the bass half ([0]) and the treble half ([1]): points in the order of
    // their positions, joined by straight lines; two points at one position make a step. The
    // first point is at position 0, the last at the roll's last event.
    std::array<std::vector<LevelPoint>, 2> levels;
    // The tempo map: the tempo at tick 0 and each change after it.
    std::vector<TempoChange> tempos;
};

// Runs the profile's emulation over the roll.
ExpressionResult EmulateExpression(const CRollscribeDoc& doc, const RollProfile& profile);

// Writes the roll's expression file at path, atomically, as the MIDI file is written: format
// 0, 480 ticks a quarter note, channel 1; the MIDI file's header events and texts; every event at
// its tick in the MIDI file; the tempo map; notes of the profile's range only, each note-on with
// its emulated velocity; sustain (controller 64) and soft (67) pedals, 127 down and 0 up. At one
// tick: tempo, pedals going up, the soft pedal going down, the notes and texts in the MIDI file's
// order, the sustain pedal going down (so that a note struck with the pedal is held by it, and one
// released with it is not). Fills result too when given. Throws CFileException naming path;
// the file then stays as it was.
void WriteExpressionFile(const CRollscribeDoc& doc, const RollProfile& profile, const CString& path,
                         ExpressionResult* result = nullptr);

// The expression file of the roll loaded into doc: TITLE_BAR_e_expression.mid beside it.
CString ExpressionFilePath(const CRollscribeDoc& doc);

}  // namespace rollscribe
