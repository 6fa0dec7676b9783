#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace rollscribe {

// The emulation a roll system's expression follows.
enum class ExpressionModel : std::uint8_t {
    plain,           // 88-note rolls: one velocity, another for accented notes
    welte,           // Welte-Mignon: a level per half, moved by crescendo and sforzando holes
    duoArt,          // Duo-Art: accompaniment and theme steps, themes through the snakebites
    ampicoA,         // Ampico A: intensities and a crescendo per half, an automatic amplifier
    ampicoB,         // Ampico B: intensities per half, one crescendo with an amplifier hole
    weltePneumatic,  // Welte-Mignon: the bellows' travel per half, driven through a flow law
};

// A half of the keyboard: each has its own level on the reproducing systems.
enum class Half : std::uint8_t { bass = 0, treble = 1 };

// What a control hole does. Actions ending in On or Off latch when their hole opens; the others
// act while their hole is open.
enum class HoleAction : std::uint8_t {
    none,  // a hole with no effect on the sound (blower, blank, shut-off)
    rewind,
    sustain,  // sustain pedal: down while open
    sustainOn,
    sustainOff,
    soft,  // soft pedal: down while open
    softOn,
    softOff,
    mezzoForte,  // Welte: the mezzo-forte hook, while open
    mezzoForteOn,
    mezzoForteOff,
    crescendo,  // slow crescendo while open (Welte green, Ampico)
    crescendoOn,
    crescendoOff,
    fastCrescendo,    // Welte: sforzando forte; Ampico: the fast crescendo hole
    fastDecrescendo,  // Welte: sforzando piano
    accompaniment,    // Duo-Art: an accompaniment power hole (its value: 1, 2, 4 or 8)
    theme,            // Duo-Art: a theme power hole (its value)
    snakebite,        // Duo-Art and 88-note rolls: the half's notes are themes or accents
    intensity,        // Ampico: an intensity, latched (its value: 2, 4 or 6)
    cancel,           // Ampico: clears the half's intensities
    amplifier,        // Ampico B: the amplifier hole
};

// The action's name in a profile ("sustain_on"), and the action of a name; false when unknown.
std::string_view ActionName(HoleAction action) noexcept;
bool ActionOfName(std::string_view name, HoleAction& action) noexcept;
// Whether the action concerns one half (and so needs a side) or carries a value.
bool ActionHasSide(HoleAction action) noexcept;
bool ActionHasValue(HoleAction action) noexcept;
// Whether the model uses the action (pedals, rewind and none belong to every model).
bool ModelUsesAction(ExpressionModel model, HoleAction action) noexcept;

std::string_view ModelName(ExpressionModel model) noexcept;
bool ModelOfName(std::string_view name, ExpressionModel& model) noexcept;

// A control hole: its MIDI note (track + 15), what it does and the words that label its lane.
struct ControlHole {
    std::int32_t note = 0;
    HoleAction action = HoleAction::none;
    Half side = Half::bass;  // for the actions of one half
    std::int32_t value = 0;  // for accompaniment, theme and intensity holes
    std::string label;
};

// Welte-Mignon: levels in velocity units, times in milliseconds.
struct WelteParameters {
    double piano = 35, mezzoForte = 60, loud = 75, forte = 90;
    std::int32_t bassOffset = -5;  // added to the level for the bass half's notes
    double slowMs = 2380;          // the slow crescendo's time from piano to mezzo-forte
    double fastCrescendoMs = 300;  // the fast crescendo's time from piano to mezzo-forte
    double fastDecrescendoMs = 400;
    // Whether the fast decrescendo's time covers forte to piano (else mezzo-forte to piano).
    bool fastDecrescendoFromForte = true;

    // Rates in level units a second.
    double SlowRate() const noexcept { return (mezzoForte - piano) * 1000.0 / slowMs; }
    double FastCrescendoRate() const noexcept {
        return (mezzoForte - piano) * 1000.0 / fastCrescendoMs;
    }
    double FastDecrescendoRate() const noexcept {
        return ((fastDecrescendoFromForte ? forte : mezzoForte) - piano) * 1000.0 /
               fastDecrescendoMs;
    }
};

// The pneumatic Welte model's parameters of one half: travel 0 (open, softest) to 1 (closed,
// loudest), rates a second, times in milliseconds.
struct PneumaticHalf {
    double alpha = 1;  // the flow law's exponent
    double mezzoForte = 0.77;
    double crescendoRate = 1, crescendoTarget = 0.93;
    double releaseRate = 0.5, releaseTarget = -0.5;
    double sforzandoRate = 2, sforzandoTarget = 2;
    double sforzandoAssistRate = 20;
    double tripThreshold = 0.1;
    double membraneFillMs = 1, assistFillMs = 10, valveTailMs = 50;
    double inertiaMs = 15;
    double valveBand = 0.01;
    double throughFlowLoad = 0.15;  // seconds
    double stopRestitution = 0.5;
};

// A travel and the velocity it plays at; a map is interpolated linearly.
struct TravelVelocity {
    double travel = 0;
    double velocity = 0;
};

struct PneumaticParameters {
    PneumaticHalf halves[2];  // by half
    std::vector<TravelVelocity> velocityMap;
    std::int32_t bassOffset = -5;
    double stepMs = 1;  // the longest step of the emulation
    // A half whose level can move by less than this (velocity units) until its next hole is at
    // rest: it is no longer stepped. 0: stepped until it stops dead.
    double restLevel = 0.01;
};

// One piece of a piecewise-linear velocity: slope * x + offset for x up to upTo.
struct VelocityPiece {
    double upTo = 0;  // the last piece has no end: +infinity
    double slope = 0;
    double offset = 0;
};

// Duo-Art: pressures (inches of water) of each step, and velocity from pressure.
struct DuoArtParameters {
    std::vector<double> accompanimentPressures;  // by accompaniment step, 0 up
    std::vector<double> themePressures;          // by theme step, 0 up
    std::vector<VelocityPiece> velocity;
    // Whether a step holds its last value while none of its holes is open (else it is 0).
    bool holdLastStep = true;
};

// 88-note rolls.
struct PlainParameters {
    std::int32_t velocity = 60;
    std::int32_t accentVelocity = 85;  // a note struck while its half's snakebite is open
};

// A vacuum (inches of water) and the velocity it gives; a table is interpolated linearly.
struct VacuumVelocity {
    double vacuum = 0;
    double velocity = 0;
};

// The latched intensities of an Ampico half as a set: bit 0 for 2, bit 1 for 4, bit 2 for 6.
// The sets in profile order: none, 2, 4, 2+4, 6, 2+6, 4+6, 2+4+6.
inline constexpr std::size_t kIntensitySets = 8;
std::string_view IntensitySetName(std::size_t set) noexcept;

struct VacuumRange {
    double low = 0;   // at amplifier 0 (model A) or crescendo position 0 (model B)
    double high = 0;  // at 1
};

// Ampico A and B.
struct AmpicoParameters {
    std::array<VacuumRange, kIntensitySets> vacuum{};
    std::vector<VacuumVelocity> velocityTable;
    // Model A: the crescendo vacuum, its rates (by intensity set) in inches a second.
    std::array<double, kIntensitySets> crescendoRates{};
    double fastCrescendoRate = 12;
    double crescendoLow = 6, crescendoHigh = 30;
    // Model A: the amplifier's fixed targets by set (negative: it follows the vacuum, aiming at
    // (vacuum - threshold) / span), and its speed in amplifier units (0 to 1) a second.
    std::array<double, kIntensitySets> amplifierTargets{};
    double amplifierThreshold = 15, amplifierSpan = 15, amplifierRate = 2;
    // Model B: the crescendo position (0 to 1): rates a second, and the tops of the three
    // stages (without the amplifier, its first and its second stage).
    double positionRate = 0.25, fastPositionRate = 1.25, amplifierPositionRate = 1.25;
    std::array<double, 3> stageTops{0.3, 0.85, 1.0};
};

// The MIDI note of a scan's track 0 in the standard numbering (note = track + 15).
inline constexpr std::int32_t kStandardFirstNote = 15;

// How the tracker bar reads a scan's holes for the expression (lengths in inches of paper).
struct TrackerBar {
    std::int32_t firstNote = kStandardFirstNote;  // the note of the scan's track 0
    double noteBridge = 0.06;     // a note hole closing and reopening within this is one hole
    double controlBridge = 0.09;  // the same for the pedal and expression holes
    double aperture = 0.043;      // added to every hole's end: the tracker hole's bore
    double accentLead = 0.05;     // a snakebite accents notes struck this much before it opens
};

// How long a pedal takes from its hole to the point where it acts (the relay and the travel to
// half way), in milliseconds of playing; 0: it acts as its hole opens and closes, as the archive's
// files have it. The mechanism's figures: sustain 91 ms, soft 47 ms.
struct PedalTravel {
    double sustainMs = 0;
    double softMs = 0;
};

// The parameters of the profile's model: one type a model, Ampico A and B sharing theirs.
using ModelParameters = std::variant<PlainParameters, WelteParameters, DuoArtParameters,
                                     AmpicoParameters, PneumaticParameters>;

// A roll system's profile: which holes are notes, what the others do, and the model with its
// parameters. Read from a JSON file (ProfileReader.h).
struct RollProfile {
    std::string name;         // "welte-red"
    std::string description;  // for menus and documents
    std::string source;       // the file it was read from
    ExpressionModel model = ExpressionModel::plain;
    std::int32_t lowestNote = 21, highestNote = 108;
    std::int32_t bassHighestNote = 64;  // notes up to it are the bass half's
    std::vector<ControlHole> holes;
    // The take-up spool's acceleration in feet a minute per minute; 0: a constant speed.
    double spoolAcceleration = 0;
    TrackerBar trackerBar;
    PedalTravel pedalTravel;
    ModelParameters parameters;  // the type of model's

    bool IsNote(std::int32_t note) const noexcept {
        return note >= lowestNote && note <= highestNote;
    }
    Half HalfOf(std::int32_t note) const noexcept {
        return note <= bassHighestNote ? Half::bass : Half::treble;
    }
    // The control hole of a note, or null.
    const ControlHole* HoleOf(std::int32_t note) const noexcept;
    // The tracker bar as a scan's notes (note = track + 15) read it: the lowest and highest
    // note whose track meets one of its holes, notes or control holes.
    std::pair<std::int32_t, std::int32_t> ScanNoteRange() const noexcept;
};

}  // namespace rollscribe
