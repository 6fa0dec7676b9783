// The holes of a roll as the tracker bar reads them for the expression. Each track's holes
// become intervals [open, close); a closing and reopening within the bridge is one hole; each
// end is then moved later by the aperture (a note's end never past its track's next opening), a
// snakebite's opening earlier by the accent lead; intervals that then touch are one hole.
#include "expression/HoleShaping.h"

#include <algorithm>
#include <cstdint>

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

}  // namespace

bool TrackerBarShapes(const TrackerBar& bar) noexcept {
    return bar.firstNote != kStandardFirstNote || bar.noteBridge > 0 || bar.controlBridge > 0 ||
           bar.aperture > 0 || bar.accentLead > 0;
}

ShapedEvents ShapeHoles(const RollEventArray& events, const RollProfile& profile) {
    const TrackerBar& bar = profile.trackerBar;
    const std::int32_t shift = bar.firstNote - kStandardFirstNote;
    const std::int64_t aperture = Thousandths(bar.aperture);
    const std::int64_t lead = Thousandths(bar.accentLead);
    const std::int64_t noteBridge = Thousandths(bar.noteBridge);
    const std::int64_t controlBridge = Thousandths(bar.controlBridge);

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
