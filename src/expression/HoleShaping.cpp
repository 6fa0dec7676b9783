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
// A hole's end whose position is not yet known, while the roll is shaped as it comes.
constexpr std::int64_t kUndecided = INT64_MAX - 1;

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

// Shapes one roll's holes, track by track as the roll is read, into each roll event's position.
// Slots (by roll event): Set(at, position) gives an event its shaped position, Drop(at) says it
// makes none. A hole's opening is placed when it opens; its end once no later hole can change
// it (Settle, while the roll comes in order) or at the roll's end.
template <class Slots>
class Shaper {
  public:
    Shaper(const RollProfile& profile, std::int32_t rollTempo, Slots& slots)
        : m_aperture(Thousandths(profile.trackerBar.aperture)),
          m_tempo(rollTempo, profile.spoolAcceleration),
          m_slots(slots) {
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
            m_earliest = std::max(m_earliest, t.early);
        }
    }

    void Opens(std::int32_t note, std::int64_t time, std::size_t at) {
        Track& t = m_tracks[static_cast<std::size_t>(note)];
        if (t.open) return m_slots.Drop(at);
        if (t.closed && time - t.last.close <= t.bridge) {
            t.closed = false;  // one hole with the last: its end and this opening go
            t.open = true;
            t.openTime = t.last.open;
            t.openAt = t.last.openAt;
            m_slots.Drop(t.last.closeAt);
            return m_slots.Drop(at);
        }
        if (t.closed) Shape(note, t.last);
        t.closed = false;
        t.open = true;
        t.openTime = time;
        t.openAt = at;
        Begin(t, time, at);
    }

    void Closes(std::int32_t note, std::int64_t time, std::size_t at) {
        Track& t = m_tracks[static_cast<std::size_t>(note)];
        if (!t.open) return m_slots.Drop(at);
        t.open = false;
        t.closed = true;
        t.last = {t.openTime, time, t.openAt, at};
    }

    // The roll has come in order up to position now: every hole end that no later hole can
    // reach is placed. Returns the position before which every event now placed, and every
    // one still to come, lies (the shaped roll is final before it).
    std::int64_t Settle(std::int64_t now) {
        std::int64_t final = std::max<std::int64_t>(0, now - m_earliest);
        for (std::int32_t note = 0; note < 128; ++note) {
            Track& t = m_tracks[static_cast<std::size_t>(note)];
            if (t.closed && now - t.last.close > t.bridge) {
                Shape(note, t.last);  // no later opening is within the bridge
                t.closed = false;
            }
            if (!t.open && !t.closed && t.shaped &&
                std::max<std::int64_t>(0, now - t.early) > t.previous.close) {
                PlaceEnd(t, t.previous);  // no later opening reaches it
                t.shaped = false;
            }
            // An end that a later opening may yet bridge is never before its position now. (A
            // shaped end still held is after now less the lead, as is any opening to come.)
            if (t.closed) final = std::min(final, t.last.close + m_aperture);
        }
        return final;
    }

    // The roll's end: what each track holds is final.
    void End() {
        for (std::int32_t note = 0; note < 128; ++note) {
            Track& t = m_tracks[static_cast<std::size_t>(note)];
            if (t.closed) Shape(note, t.last);
            if (t.open) Shape(note, {t.openTime, kOpenEnd, t.openAt, t.openAt});
            if (t.shaped) PlaceEnd(t, t.previous);
        }
    }

  private:
    // A hole opens, not within the bridge of the last: what it does to the hole before it is
    // known now. A control hole that reaches it is one hole with it (its end and this opening
    // go); a note struck again ends the earlier one where it starts. The opening is placed.
    void Begin(Track& t, std::int64_t time, std::size_t at) {
        const std::int64_t open = std::max<std::int64_t>(0, time - t.early);
        if (t.shaped && open <= t.previous.close) {
            if (!t.isNote) {
                m_slots.Drop(t.previous.closeAt);
                return m_slots.Drop(at);
            }
            t.previous.close = std::max(t.previous.open, open);
        }
        if (t.shaped) PlaceEnd(t, t.previous);
        t.shaped = false;
        m_slots.Set(at, t.travel > 0 ? Later(open, t.travel, m_tempo) : open);
    }

    // A hole whose chain is complete: its end extended, its opening brought forward; joined to
    // the track's previous hole when Begin found them to touch.
    void Shape(std::int32_t note, Hole h) {
        Track& t = m_tracks[static_cast<std::size_t>(note)];
        h.open = std::max<std::int64_t>(0, h.open - t.early);
        if (h.close != kOpenEnd) h.close += m_aperture;
        if (t.shaped) {
            t.previous.close = std::max(t.previous.close, h.close);
            t.previous.closeAt = std::max(t.previous.closeAt, h.closeAt);
            return;
        }
        t.previous = h;
        t.shaped = true;
    }

    // A final hole's end, later by the pedal's travel, becomes its event's position.
    void PlaceEnd(const Track& t, const Hole& h) {
        if (h.close == kOpenEnd) return;
        m_slots.Set(h.closeAt, t.travel > 0 ? Later(h.close, t.travel, m_tempo) : h.close);
    }

    const std::int64_t m_aperture;
    std::int64_t m_earliest = 0;  // the most any opening is brought forward
    TempoMap m_tempo;
    Slots& m_slots;
    Track m_tracks[128];
};

// Every roll event's slot, the roll held whole.
struct WholeRoll {
    std::vector<ShapedEvent>& events;
    void Set(std::size_t at, std::int64_t time) { events[at].time = time; }
    void Drop(std::size_t at) { events[at].time = kDropped; }
};

// Drops the events that make none and sorts the others, given in roll order, by position,
// keeping roll order at one position; then holds positions to INT32_MAX. Shaping moves events by
// little, so the order is nearly right: an insertion sort, unless it would move too much (a
// hostile roll), then a full sort.
// Returns how many are kept, at the front.
std::size_t SortByPosition(ShapedEvent* events, std::size_t count) {
    std::size_t budget = 16 * count + 4096;
    std::size_t kept = 0;
    std::int64_t latest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const ShapedEvent e = events[i];
        if (e.time == kDropped) continue;
        latest = std::max(latest, e.time);
        std::size_t j = kept++;
        for (; budget > 0 && j > 0 && events[j - 1].time > e.time; --j, --budget)
            events[j] = events[j - 1];
        events[j] = e;
    }
    if (budget == 0)
        std::sort(events, events + kept, [](const ShapedEvent& a, const ShapedEvent& b) {
            return a.time != b.time ? a.time < b.time : a.from < b.from;
        });
    if (latest > INT32_MAX)
        for (std::size_t i = 0; i < kept; ++i)
            events[i].time = std::min<std::int64_t>(events[i].time, INT32_MAX);
    return kept;
}

// A roll event as it is read, at its own position.
ShapedEvent AsRead(const RollEvent& e, std::size_t from) {
    const std::int32_t note = IsWrittenEvent(e) ? std::max(e.note, -1) : 128;
    return {e.time, static_cast<std::uint32_t>(from), static_cast<std::int16_t>(note),
            static_cast<std::uint8_t>(e.kind)};
}

// Reads roll event i into its slot, renumbered by shift, and its hole into the shaper; a hole
// the shaper takes is unplaced until it places it.
template <class Slots>
void Read(const RollEvent& e, std::size_t i, std::int32_t shift, std::int64_t unplaced,
          ShapedEvent& slot, Shaper<Slots>& shaper) {
    slot = AsRead(e, i);
    if (e.kind != RollEvent::kTrackOpened && e.kind != RollEvent::kTrackClosed) return;
    slot.time = kDropped;
    if (!IsWrittenEvent(e) || e.note < 0) return;
    const std::int32_t note = e.note + shift;
    if (note < 0 || note > 127) return;  // no hole of this tracker bar
    slot.note = static_cast<std::int16_t>(note);
    slot.time = unplaced;
    if (e.kind == RollEvent::kTrackOpened)
        shaper.Opens(note, e.time, i);
    else
        shaper.Closes(note, e.time, i);
}

std::int32_t ShiftOf(const RollProfile& profile) {
    return profile.trackerBar.firstNote - kStandardFirstNote;
}

}  // namespace

ShapedEvents ShapeHoles(const RollEventArray& events, const RollProfile& profile,
                        std::int32_t rollTempo) {
    const std::int32_t shift = ShiftOf(profile);
    const std::size_t count = static_cast<std::size_t>(events.GetSize());
    const RollEvent* const roll = events.begin();

    // By roll event: each one's position once shaped (kDropped: none), the others' as they are.
    ShapedEvents result;
    std::vector<ShapedEvent>& shaped = result.events;
    shaped.resize(count);
    {
        WholeRoll slots{shaped};
        Shaper<WholeRoll> shaper(profile, rollTempo, slots);
        for (std::size_t i = 0; i < count; ++i)
            Read(roll[i], i, shift, kDropped, shaped[i], shaper);
        shaper.End();
    }
    shaped.resize(SortByPosition(shaped.data(), shaped.size()));
    return result;
}

ShapedEvents AsPunched(const RollEventArray& events) {
    ShapedEvents result;
    const std::size_t count = static_cast<std::size_t>(events.GetSize());
    result.events.reserve(count);
    for (std::size_t i = 0; i < count; ++i) result.events.push_back(AsRead(events.begin()[i], i));
    return result;
}

// A thread's buffers of its last stream, kept for its next (a worker's next roll), so that the
// memory is not given back and faulted in again roll after roll; kept only while small.
struct StreamBuffers {
    static constexpr std::size_t kKeptSlots = std::size_t{1} << 16;
    std::vector<ShapedEvent> ring, ready;

    static StreamBuffers& OfThisThread() {
        thread_local StreamBuffers spare;
        return spare;
    }
    // Takes over the thread's buffers, the ring at least slots long (a power of two).
    void Take(std::size_t slots) {
        StreamBuffers& spare = OfThisThread();
        ring.swap(spare.ring);
        ready.swap(spare.ready);
        if (ring.size() < slots) ring.assign(slots, ShapedEvent{});
    }
    void GiveBack() noexcept {
        if (ring.size() > kKeptSlots || ready.capacity() > kKeptSlots) return;
        StreamBuffers& spare = OfThisThread();
        ring.swap(spare.ring);
        ready.swap(spare.ready);
    }
};

// The slots of the events not yet handed on, by roll event in a ring that grows as needed.
struct HoleStream::State {
    struct Ring {
        explicit Ring(std::vector<ShapedEvent>& buffer)
            : slots(buffer.data()), mask(buffer.size() - 1) {}
        ShapedEvent* slots;
        std::size_t mask;
        std::size_t Size() const { return mask + 1; }
        ShapedEvent& operator[](std::size_t at) { return slots[at & mask]; }
        void Set(std::size_t at, std::int64_t time) { (*this)[at].time = time; }
        void Drop(std::size_t at) { (*this)[at].time = kDropped; }
    };

    State(const RollProfile& profile, std::int32_t rollTempo)
        : shapes(ShapesHoles(profile)),
          shift(ShiftOf(profile)),
          earliest(Thousandths(profile.trackerBar.accentLead)),
          buffers(Taken(shapes)),
          ring(buffers.ring),
          shaper(profile, rollTempo, ring),
          ready(buffers.ready) {}
    ~State() { buffers.GiveBack(); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    static StreamBuffers Taken(bool shapes) {
        StreamBuffers buffers;
        buffers.Take(shapes ? std::size_t{1} << 14 : 0);
        return buffers;
    }

    void Grow() {
        std::vector<ShapedEvent> bigger(2 * ring.Size());
        const std::size_t mask = bigger.size() - 1;
        for (std::size_t k = low; k < next; ++k) bigger[k & mask] = ring[k];
        buffers.ring.swap(bigger);
        ring.slots = buffers.ring.data();
        ring.mask = mask;
    }

    // Room for count events handed on.
    ShapedEvent* ReadyRoom(std::size_t count) {
        if (ready.size() < count) ready.resize(std::max(count, 2 * ready.size()));
        return ready.data();
    }

    // Hands on every placed event before position final, in order.
    void Emit(std::int64_t final) {
        ShapedEvent* const first = ReadyRoom(next - low);
        ShapedEvent* out = first;
        std::size_t k = low;
        // The front of the ring: every slot before k handed on or dropped.
        for (; k < next; ++k) {
            ShapedEvent& slot = ring[k];
            if (slot.time >= final) break;
            if (slot.time != kDropped) *out++ = slot;
        }
        low = k;
        // Beyond it, the events placed before final among those still held.
        for (; k < next; ++k) {
            ShapedEvent& slot = ring[k];
            if (slot.time < final && slot.time != kDropped) {
                *out++ = slot;
                slot.time = kDropped;
            }
            // No event from this one on comes before final: none is brought forward further.
            if (roll[k].time - earliest >= final) break;
        }
        readyCount = SortByPosition(first, static_cast<std::size_t>(out - first));
    }

    const bool shapes;
    const std::int32_t shift;
    const std::int64_t earliest;
    StreamBuffers buffers;
    Ring ring;
    Shaper<Ring> shaper;
    std::vector<ShapedEvent>& ready;  // room: the events handed on are the first readyCount
    std::size_t readyCount = 0;
    const RollEvent* roll = nullptr;
    std::size_t low = 0, next = 0;  // the slots held: roll events low to next
    std::int64_t now = 0;           // the position reached
};

HoleStream::HoleStream(const RollProfile& profile, std::int32_t rollTempo)
    : m_state(std::make_unique<State>(profile, rollTempo)) {}

HoleStream::~HoleStream() = default;

bool HoleStream::Add(const RollEvent* roll, std::size_t end) {
    State& s = *m_state;
    s.readyCount = 0;
    s.roll = roll;
    if (!s.shapes) {
        if (s.next >= end) return true;
        ShapedEvent* out = s.ReadyRoom(end - s.next);
        for (; s.next < end; ++s.next) out[s.readyCount++] = AsRead(roll[s.next], s.next);
        return true;
    }
    if (s.next >= end) return true;
    std::int64_t now = s.now;
    for (std::size_t i = s.next; i < end; ++i) {
        const RollEvent& e = roll[i];
        if (e.time < now) return false;
        now = e.time;
        if (i - s.low == s.ring.Size()) {
            s.next = i;
            s.Grow();
        }
        Read(e, i, s.shift, kUndecided, s.ring[i], s.shaper);
    }
    s.next = end;
    s.now = now;
    s.Emit(s.shaper.Settle(now));
    return true;
}

void HoleStream::End() {
    State& s = *m_state;
    s.readyCount = 0;
    if (!s.shapes) return;
    s.shaper.End();
    for (std::size_t k = s.low; k < s.next; ++k)
        if (s.ring[k].time == kUndecided) s.ring[k].time = kDropped;  // never placed
    s.Emit(INT64_MAX);
}

std::span<const ShapedEvent> HoleStream::Ready() const noexcept {
    return {m_state->ready.data(), m_state->readyCount};
}

bool InRollOrder(const RollEventArray& events) noexcept {
    std::int32_t last = 0;
    for (const RollEvent& e : events) {
        if (e.time < last) return false;
        last = e.time;
    }
    return true;
}

}  // namespace rollscribe
