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
constexpr std::int64_t kDropped = INT64_MIN;  // a roll event with no shaped event

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
// position is 0.4 of a tick (kTicksPerPosition).
std::int64_t Later(std::int64_t position, double milliseconds, TempoMap& tempo) {
    const double seconds = tempo.SecondsAt(static_cast<double>(position) * kTicksPerPosition);
    const double later =
        std::round(tempo.TickAt(seconds + milliseconds / 1000) * kPositionsPerTick);
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(later), position, INT32_MAX);
}

}  // namespace

bool ShapesHoles(const RollProfile& profile) noexcept {
    const TrackerBar& bar = profile.trackerBar;
    return bar.firstNote != kStandardFirstNote || bar.noteBridge > 0 || bar.controlBridge > 0 ||
           bar.aperture > 0 || bar.accentLead > 0 || profile.pedalTravel.sustainMs > 0 ||
           profile.pedalTravel.softMs > 0;
}

namespace {

// One track's holes as they are read, in roll order: the hole open now, the hole closed last
// (it may yet go on, when the track reopens within the bridge), and the last hole shaped (its
// end may yet change, when the next one reaches it).
struct Track {
    // What the profile makes of the track: a note's or another hole's bridge, the opening
    // brought forward (a snakebite's), the pedal's travel.
    bool isNote = false;
    std::int64_t bridge = 0, early = 0;
    double travel = 0;

    bool open = false;
    std::int64_t openTime = 0;
    std::size_t openAt = 0;
    bool closed = false;
    Hole last{};
    bool shaped = false;
    Hole previous{};
};

// Shapes one roll's holes, track by track as the roll is read, into each roll event's position
// (kDropped for those that make no event).
class Shaper {
  public:
    Shaper(const RollProfile& profile, std::int32_t rollTempo, std::vector<ShapedEvent>& events)
        : m_aperture(Thousandths(profile.trackerBar.aperture)),
          m_tempo(rollTempo, profile.spoolAcceleration),
          m_events(events) {
        const std::int64_t lead = Thousandths(profile.trackerBar.accentLead);
        const std::int64_t noteBridge = Thousandths(profile.trackerBar.noteBridge);
        const std::int64_t controlBridge = Thousandths(profile.trackerBar.controlBridge);
        for (std::int32_t note = 0; note < 128; ++note) {
            Track& t = m_tracks[static_cast<std::size_t>(note)];
            const ControlHole* control = profile.HoleOf(note);
            t.isNote = profile.IsNote(note);
            t.bridge = t.isNote ? noteBridge : controlBridge;
            t.early = control && control->action == HoleAction::snakebite ? lead : 0;
            t.travel = control ? TravelOf(control->action, profile.pedalTravel) : 0;
        }
    }

    void Opens(std::int32_t note, std::int64_t time, std::size_t at) {
        Track& t = m_tracks[static_cast<std::size_t>(note)];
        if (t.open) return;
        if (t.closed && time - t.last.close <= t.bridge) {
            t.closed = false;  // one hole with the last: its end and this opening go
            t.open = true;
            t.openTime = t.last.open;
            t.openAt = t.last.openAt;
            return;
        }
        if (t.closed) Shape(note, t.last);
        t.closed = false;
        t.open = true;
        t.openTime = time;
        t.openAt = at;
    }

    void Closes(std::int32_t note, std::int64_t time, std::size_t at) {
        Track& t = m_tracks[static_cast<std::size_t>(note)];
        if (!t.open) return;
        t.open = false;
        t.closed = true;
        t.last = {t.openTime, time, t.openAt, at};
    }

    // The roll's end: what each track holds is final.
    void End() {
        for (std::int32_t note = 0; note < 128; ++note) {
            Track& t = m_tracks[static_cast<std::size_t>(note)];
            if (t.closed) Shape(note, t.last);
            if (t.open) Shape(note, {t.openTime, kOpenEnd, t.openAt, t.openAt});
            if (t.shaped) Place(note, t.previous);
        }
    }

  private:
    // A hole whose chain is complete: its end extended, its opening brought forward, then
    // joined to the track's previous hole when they touch.
    void Shape(std::int32_t note, Hole h) {
        Track& t = m_tracks[static_cast<std::size_t>(note)];
        h.open = std::max<std::int64_t>(0, h.open - t.early);
        if (h.close != kOpenEnd) h.close += m_aperture;
        if (t.shaped && h.open <= t.previous.close) {
            if (!t.isNote) {
                t.previous.close = std::max(t.previous.close, h.close);
                t.previous.closeAt = std::max(t.previous.closeAt, h.closeAt);
                return;
            }
            // A note struck again: the earlier one ends where it starts.
            t.previous.close = std::max(t.previous.open, h.open);
        }
        if (t.shaped) Place(note, t.previous);
        t.previous = h;
        t.shaped = true;
    }

    // A final hole: its ends, later by the pedal's travel, become its events' positions.
    void Place(std::int32_t note, Hole h) {
        const double travel = m_tracks[static_cast<std::size_t>(note)].travel;
        if (travel > 0) {
            h.open = Later(h.open, travel, m_tempo);
            if (h.close != kOpenEnd) h.close = Later(h.close, travel, m_tempo);
        }
        m_events[h.openAt].time = h.open;
        if (h.close != kOpenEnd) m_events[h.closeAt].time = h.close;
    }

    const std::int64_t m_aperture;
    TempoMap m_tempo;
    std::vector<ShapedEvent>& m_events;
    Track m_tracks[128];
};

// Drops the events that make none and sorts the others, given in roll order, by position,
// keeping roll order at one position; then holds positions to INT32_MAX. Shaping moves events by
// little, so the order is nearly right: an insertion sort, unless it would move too much (a
// hostile roll), then a full sort.
void SortByPosition(std::vector<ShapedEvent>& events) {
    std::size_t budget = 16 * events.size() + 4096;
    std::size_t kept = 0;
    std::int64_t latest = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const ShapedEvent e = events[i];
        if (e.time == kDropped) continue;
        latest = std::max(latest, e.time);
        std::size_t j = kept++;
        for (; budget > 0 && j > 0 && events[j - 1].time > e.time; --j, --budget)
            events[j] = events[j - 1];
        events[j] = e;
    }
    events.resize(kept);
    if (budget == 0)
        std::sort(events.begin(), events.end(), [](const ShapedEvent& a, const ShapedEvent& b) {
            return a.time != b.time ? a.time < b.time : a.from < b.from;
        });
    if (latest > INT32_MAX)
        for (ShapedEvent& e : events) e.time = std::min<std::int64_t>(e.time, INT32_MAX);
}

// A roll event as it is read, at its own position.
ShapedEvent AsRead(const RollEvent& e, std::size_t from) {
    const std::int32_t note = IsWrittenEvent(e) ? std::max(e.note, -1) : 128;
    return {e.time, static_cast<std::uint32_t>(from), static_cast<std::int16_t>(note),
            static_cast<std::uint8_t>(e.kind)};
}

}  // namespace

ShapedEvents ShapeHoles(const RollEventArray& events, const RollProfile& profile,
                        std::int32_t rollTempo) {
    const std::int32_t shift = profile.trackerBar.firstNote - kStandardFirstNote;
    const std::size_t count = static_cast<std::size_t>(events.GetSize());
    const RollEvent* const roll = events.begin();

    // By roll event: each one's position once shaped (kDropped: none), the others' as they are.
    ShapedEvents result;
    std::vector<ShapedEvent>& shaped = result.events;
    shaped.reserve(count);
    {
        Shaper shaper(profile, rollTempo, shaped);
        for (std::size_t i = 0; i < count; ++i) {
            const RollEvent& e = roll[i];
            shaped.push_back(AsRead(e, i));
            const bool track =
                e.kind == RollEvent::kTrackOpened || e.kind == RollEvent::kTrackClosed;
            if (!track) continue;
            shaped[i].time = kDropped;
            if (!IsWrittenEvent(e) || e.note < 0) continue;
            const std::int32_t note = e.note + shift;
            if (note < 0 || note > 127) continue;  // no hole of this tracker bar
            shaped[i].note = static_cast<std::int16_t>(note);
            if (e.kind == RollEvent::kTrackOpened)
                shaper.Opens(note, e.time, i);
            else
                shaper.Closes(note, e.time, i);
        }
        shaper.End();
    }
    SortByPosition(shaped);
    return result;
}

ShapedEvents AsPunched(const RollEventArray& events) {
    ShapedEvents result;
    const std::size_t count = static_cast<std::size_t>(events.GetSize());
    result.events.reserve(count);
    for (std::size_t i = 0; i < count; ++i) result.events.push_back(AsRead(events.begin()[i], i));
    return result;
}

}  // namespace rollscribe
