#pragma once

#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

#include "expression/RollProfile.h"

namespace rollscribe {

// A point where a half's level changes its slope on its own, between control holes (a level
// reaching a limit, say): for drawing the level curve.
struct LevelBreak {
    double seconds;
    Half half;
    double level;
};

// The levels from the time reached on, until the next control hole: each half's level goes in a
// straight line up to until (when its slope next changes: a limit, an entry of a table), or on
// for ever when until is infinite.
struct LevelPiece {
    double start = 0;  // seconds
    double until = INFINITY;
    double level[2] = {0, 0};  // by half, at start
    double rate[2] = {0, 0};   // a second

    double LevelAt(Half half, double seconds) const {
        return level[static_cast<int>(half)] + rate[static_cast<int>(half)] * (seconds - start);
    }
};

// A roll system's expression mechanism, run through the roll's real time: control holes open
// and close, and every note struck gets the level of its half at that moment. The pedals and
// the note range are the caller's; an emulator sees only the holes of its own model's actions.
class Emulator {
  public:
    virtual ~Emulator() = default;

    // Moves on to real time seconds (never back: an earlier time is the time reached). When
    // breaks is given, appends the points where a level's slope changed on the way, in order.
    virtual void AdvanceTo(double seconds, std::vector<LevelBreak>* breaks) = 0;
    // A control hole of the model opened (open) or closed at the time reached. Each hole opens
    // and closes in turn: the caller passes only changes.
    virtual void Hole(const ControlHole& hole, bool open) = 0;
    // The levels from the time reached on.
    virtual LevelPiece Piece() const = 0;

    // The velocity, before rounding, of a note of the half struck now.
    double Level(Half half) const { return Piece().level[static_cast<int>(half)]; }
};

// The emulator of the profile's model, at its starting state at time 0.
std::unique_ptr<Emulator> MakeEmulator(const RollProfile& profile);

// The emulators of each model (Emulator.cpp chooses among them).
std::unique_ptr<Emulator> MakePlainEmulator(const PlainParameters& parameters);
std::unique_ptr<Emulator> MakeWelteEmulator(const WelteParameters& parameters);
std::unique_ptr<Emulator> MakeDuoArtEmulator(const DuoArtParameters& parameters);
std::unique_ptr<Emulator> MakeAmpicoAEmulator(const AmpicoParameters& parameters);
std::unique_ptr<Emulator> MakeAmpicoBEmulator(const AmpicoParameters& parameters);
std::unique_ptr<Emulator> MakePneumaticEmulator(const PneumaticParameters& parameters);

// A table's velocity at x, its entries' key (a vacuum, a travel) in rising order: interpolated
// linearly between entries, held at its ends; 1 for an empty table.
template <class Entry>
double TableVelocity(const std::vector<Entry>& table, double Entry::*key, double x) noexcept {
    if (table.empty()) return 1;
    if (x <= table.front().*key) return table.front().velocity;
    for (std::size_t i = 1; i < table.size(); ++i) {
        if (x <= table[i].*key) {
            const Entry& a = table[i - 1];
            const Entry& b = table[i];
            return a.velocity + (b.velocity - a.velocity) * (x - a.*key) / (b.*key - a.*key);
        }
    }
    return table.back().velocity;
}

// A travel map's velocity at a travel.
inline double MapTravel(const std::vector<TravelVelocity>& map, double travel) noexcept {
    return TableVelocity(map, &TravelVelocity::travel, travel);
}

// A velocity table's value at a vacuum.
inline double InterpolateVelocity(const std::vector<VacuumVelocity>& table,
                                  double vacuum) noexcept {
    return TableVelocity(table, &VacuumVelocity::vacuum, vacuum);
}

// The slope of a velocity table at a vacuum, going up (rising) or down, and the distance to the
// next entry that way (infinite past the ends).
struct TableSlope {
    double slope;
    double toNextEntry;
};
TableSlope VelocitySlope(const std::vector<VacuumVelocity>& table, double vacuum,
                         bool rising) noexcept;

// For a half's vacuum moving linearly from v0 at seconds to v1 at seconds + duration: appends
// a break where it crosses an entry of the velocity table, where the velocity's slope changes.
void AddTableBreaks(const std::vector<VacuumVelocity>& table, Half half, double seconds,
                    double duration, double v0, double v1, std::vector<LevelBreak>& breaks);

// An Ampico half's latched intensities as an intensity set (see kIntensitySets): an intensity
// hole's value (2, 4 or 6) as its bit.
inline unsigned IntensityBit(std::int32_t value) noexcept {
    return value == 2 ? 1u : value == 4 ? 2u : value == 6 ? 4u : 0u;
}

}  // namespace rollscribe
