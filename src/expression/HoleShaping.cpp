// The holes of a roll as the tracker bar reads them for the expression. Each track's holes
// become intervals [open, close); a closing and reopening within the bridge is one hole; each
// end is then moved later by the aperture (a note's end never past its track's next opening), a
// snakebite's opening earlier by the accent lead; intervals that then touch are one hole.
#include "expression/HoleShaping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "expression/TempoMap.h"
#include "roll/MidiConversion.h"
#include "roll/RollEventArray.h"

namespace rollscribe {

namespace {

// A position in thousandths of an inch from a length in inches.
std::int32_t Thousandths(double inches) {
    return static_cast<std::int32_t>(inches * 1000 + 0.5);
}

struct Hole {
    std::int64_t open, close;     // positions; close is kOpenEnd for a hole never closed
    std::size_t openAt, closeAt;  // the roll events they come from
};

constexpr std::int64_t kOpenEnd = INT64_MAX;

// An event of the result with its sort key: position, then the event it comes from.
struct Keyed {
    std::int64_t time;
    std::size_t from;
    std::int32_t kind, note;
};

// The pedal's travel for a hole's action, in milliseconds (0 for a hole that is no pedal's).
double TravelOf(HoleAction action, const PedalTravel& travel) {
    switch (action) {
        case HoleAction::sustain:
        case HoleAction::sustainOn:
        case HoleAction::sustainOff:
            return travel.sustainMs;
        case HoleAction::soft:
        case HoleAction::softOn:
        case HoleAction::softOff:
            return travel.softMs;
        default:
            return 0;
    }
}

// The position reached milliseconds of playing after position, through the spool's tempos: a
// position is 0.4 of a tick (1200 thousandths of an inch a quarter note of 480 ticks).
std::int64_t Later(std::int64_t position, double milliseconds, TempoMap& tempo) {
    const double seconds = tempo.SecondsAt(static_cast<double>(position) * 0.4);
    const double later = std::round(tempo.TickAt(seconds + milliseconds / 1000) * 2.5);
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(later), position, INT32_MAX);
}

}  // namespace

bool ShapesHoles(const RollProfile& profile) noexcept {
    const TrackerBar& bar = profile.trackerBar;
    return bar.firstNote != kStandardFirstNote || bar.noteBridge > 0 || bar.controlBridge > 0 ||
           bar.aperture > 0 || bar.accentLead > 0 || profile.pedalTravel.sustainMs > 0 ||
           profile.pedalTravel.softMs > 0;
}

ShapedEvents ShapeHoles(const RollEventArray& events, const RollProfile& profile,
                        std::int32_t rollTempo) {
    const TrackerBar& bar = profile.trackerBar;
    const std::int32_t shift = bar.firstNote - kStandardFirstNote;
    const std::int64_t aperture = Thousandths(bar.aperture);
    const std::int64_t lead = Thousandths(bar.accentLead);
    const std::int64_t noteBridge = Thousandths(bar.noteBridge);
    const std::int64_t controlBridge = Thousandths(bar.controlBridge);

    TempoMap tempo(rollTempo, profile.spoolAcceleration);

    // The holes of each note (after renumbering), and the other events as they are.
    std::vector<std::vector<Hole>> holes(128);
    std::vector<Keyed> keyed;
    const std::size_t count = static_cast<std::size_t>(events.GetSize());
    for (std::size_t i = 0; i < count; ++i) {
        const RollEvent& e = events[static_cast<std::int32_t>(i)];
        const bool track = e.kind == RollEvent::kTrackOpened || e.kind == RollEvent::kTrackClosed;
        if (!track || !IsWrittenEvent(e) || e.note < 0) {
            if (!track) keyed.push_back({e.time, i, e.kind, e.note});
            continue;
        }
        const std::int32_t note = e.note + shift;
        if (note < 0 || note > 127) continue;  // no hole of this tracker bar
        std::vector<Hole>& list = holes[static_cast<std::size_t>(note)];
        const bool isOpen = !list.empty() && list.back().close == kOpenEnd;
        if (e.kind == RollEvent::kTrackOpened && !isOpen)
            list.push_back({e.time, kOpenEnd, i, i});
        else if (e.kind == RollEvent::kTrackClosed && isOpen)
            list.back().close = e.time, list.back().closeAt = i;
    }

    for (std::int32_t note = 0; note < 128; ++note) {
        std::vector<Hole>& list = holes[static_cast<std::size_t>(note)];
        if (list.empty()) continue;
        const bool isNote = profile.IsNote(note);
        const ControlHole* control = profile.HoleOf(note);
        const std::int64_t bridge = isNote ? noteBridge : controlBridge;
        const std::int64_t early = control && control->action == HoleAction::snakebite ? lead : 0;
        const double travel = control ? TravelOf(control->action, profile.pedalTravel) : 0;
        // Chains joined, ends extended, openings brought forward; touching holes joined.
        std::vector<Hole> shaped;
        for (std::size_t k = 0; k < list.size(); ++k) {
            Hole h = list[k];
            while (k + 1 < list.size() && h.close != kOpenEnd &&
                   list[k + 1].open - h.close <= bridge)
                h.close = list[k + 1].close, h.closeAt = list[k + 1].closeAt, ++k;
            h.open = std::max<std::int64_t>(0, h.open - early);
            if (h.close != kOpenEnd) h.close += aperture;
            if (!shaped.empty() && h.open <= shaped.back().close) {
                if (isNote) {
                    // A note struck again: the earlier one ends where it starts.
                    shaped.back().close = std::max(shaped.back().open, h.open);
                } else {
                    shaped.back().close = std::max(shaped.back().close, h.close);
                    shaped.back().closeAt = std::max(shaped.back().closeAt, h.closeAt);
                    continue;
                }
            }
            shaped.push_back(h);
        }
        if (travel > 0) {
            for (Hole& h : shaped) {
                h.open = Later(h.open, travel, tempo);
                if (h.close != kOpenEnd) h.close = Later(h.close, travel, tempo);
            }
        }
        for (const Hole& h : shaped) {
            keyed.push_back({h.open, h.openAt, RollEvent::kTrackOpened, note});
            if (h.close != kOpenEnd)
                keyed.push_back({h.close, h.closeAt, RollEvent::kTrackClosed, note});
        }
    }

    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.time != b.time ? a.time < b.time : a.from < b.from;
    });
    ShapedEvents result;
    result.events.reserve(keyed.size());
    result.origin.reserve(keyed.size());
    for (const Keyed& k : keyed) {
        RollEvent e;
        e.kind = k.kind;
        e.note = k.note;
        e.time = static_cast<std::int32_t>(std::min<std::int64_t>(k.time, INT32_MAX));
        if (k.kind != RollEvent::kTrackOpened && k.kind != RollEvent::kTrackClosed)
            e = events[static_cast<std::int32_t>(k.from)];
        result.events.push_back(std::move(e));
        result.origin.push_back(k.from);
    }
    return result;
}

}  // namespace rollscribe
