#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "expression/Emulator.h"
#include "expression/Expression.h"
#include "expression/RollProfile.h"
#include "expression/TempoMap.h"
#include "roll/CRollscribeDoc.h"
#include "roll/MidiConversion.h"

namespace rollscribe {

// One pass over a roll's events that runs the emulation and hands what the expression file holds
// to a sink, tick by tick, in file order:
//
//   void Tempo(std::uint64_t tick, std::int32_t tempo);
//   void Controller(std::uint64_t tick, std::int32_t controller, std::int32_t value);
//   void NoteOn(std::uint64_t tick, std::int32_t note, std::int32_t velocity, std::int32_t index);
//   void NoteOff(std::uint64_t tick, std::int32_t note);
//   void Lyric(std::uint64_t tick, const CString& text);
//   void PedalUp(const PedalInterval& interval);  // an interval ends
//   void Level(Half half, double position, double velocity);  // when kWantsLevels
//   void End(std::uint64_t tick);
//
// Ticks are those of the MIDI file (TickClock over the written events). The emulation's clock is
// the tempo map's real time at each event's roll position. Control holes at one position act
// before the notes struck there.
template <class Sink>
class ExpressionWalk {
  public:
    ExpressionWalk(const CRollscribeDoc& doc, const RollProfile& profile, Sink& sink)
        : m_doc(doc),
          m_profile(profile),
          m_sink(sink),
          m_emulator(MakeEmulator(profile)),
          m_tempo(doc.m_tempo, profile.spoolAcceleration) {
        for (std::int32_t note = 0; note < 128; ++note) {
            m_hole[note] = profile.HoleOf(note);
            m_role[note] = profile.IsNote(note) ? kNote : m_hole[note] ? kControl : kSilent;
        }
    }

    void Run() {
        const RollEvent* events = m_doc.m_events.begin();
        const std::size_t count = static_cast<std::size_t>(m_doc.m_events.GetSize());
        if constexpr (Sink::kWantsLevels) AddLevels(0);
        std::size_t i = 0;
        while (i < count) {
            if (!IsWrittenEvent(events[i])) {
                ++i;
                continue;
            }
            const std::uint64_t tick = m_clock.Advance(events[i].time);
            if constexpr (Sink::kWantsLevels) AddTempoLevels(tick);
            // The tick's events: the written ones up to the first of a later tick.
            std::size_t end = i + 1;
            while (end < count &&
                   (!IsWrittenEvent(events[end]) || TickTimeOf(events[end].time) <= tick))
                ++end;
            Emulate(events, i, end);
            Write(events, i, end, tick);
            i = end;
        }
        const std::uint64_t last = m_clock.Last();
        for (Pedal pedal : {Pedal::sustain, Pedal::soft}) {
            PedalState& p = m_pedals[static_cast<int>(pedal)];
            if (!p.down) continue;
            m_sink.Controller(last, ControllerOf(pedal), 0);
            m_sink.PedalUp({pedal, p.start, m_lastTime, p.startTick, last});
        }
        if constexpr (Sink::kWantsLevels) AddLevels(m_position);
        m_sink.End(last);
    }

  private:
    enum Role : std::uint8_t { kSilent, kNote, kControl };

    struct PedalState {
        bool latched = false;
        int held = 0;
        bool down = false;          // now
        bool downBefore = false;    // at the start of the tick
        bool cameUp = false;        // within the tick
        std::int32_t upTime = 0;    // the first time it came up within the tick
        std::int32_t downTime = 0;  // the last time it went down
        std::int32_t start = 0;     // the interval's start
        std::uint64_t startTick = 0;
    };

    static std::int32_t ControllerOf(Pedal pedal) {
        return pedal == Pedal::sustain ? kSustainController : kSoftController;
    }

    Role RoleOf(const RollEvent& e) const {
        return e.note >= 0 && e.note < 128 && (e.kind == 0 || e.kind == 1) ? m_role[e.note]
                                                                           : kSilent;
    }

    // The emulation through the tick's events, a position at a time: its control holes, then
    // its notes' velocities.
    void Emulate(const RollEvent* events, std::size_t begin, std::size_t end) {
        for (int p = 0; p < 2; ++p) {
            m_pedals[p].downBefore = m_pedals[p].down;
            m_pedals[p].cameUp = false;
        }
        m_velocities.assign(end - begin, 0);
        std::size_t group = begin;
        while (group < end) {
            if (!IsWrittenEvent(events[group])) {
                ++group;
                continue;
            }
            double position = std::max(m_position, PositionOf(events[group]));
            std::size_t groupEnd = group;
            bool controls = false, notes = false;
            for (; groupEnd < end; ++groupEnd) {
                const RollEvent& e = events[groupEnd];
                if (!IsWrittenEvent(e)) continue;
                if (std::max(m_position, PositionOf(e)) != position) break;
                Role role = RoleOf(e);
                controls |= role == kControl;
                notes |= role == kNote && e.kind == 1;
            }
            m_position = position;
            if (controls || notes) {
                std::vector<LevelBreak>* breaks = nullptr;
                if constexpr (Sink::kWantsLevels) breaks = &m_breaks;
                m_emulator->AdvanceTo(m_tempo.SecondsAt(position * 0.4), breaks);
                if constexpr (Sink::kWantsLevels) AddBreaks();
            }
            if (controls) {
                if constexpr (Sink::kWantsLevels) AddLevels(position);
                for (std::size_t k = group; k < groupEnd; ++k) {
                    const RollEvent& e = events[k];
                    if (IsWrittenEvent(e) && RoleOf(e) == kControl) Control(e);
                }
                if constexpr (Sink::kWantsLevels) AddLevels(position);
            }
            if (notes) {
                for (std::size_t k = group; k < groupEnd; ++k) {
                    const RollEvent& e = events[k];
                    if (e.kind != 1 || !IsWrittenEvent(e) || RoleOf(e) != kNote) continue;
                    double level = m_emulator->Level(m_profile.HalfOf(e.note));
                    m_velocities[k - begin] =
                        static_cast<std::uint8_t>(std::clamp<long>(std::lround(level), 1, 127));
                }
            }
            group = groupEnd;
        }
    }

    // A control hole opens or closes.
    void Control(const RollEvent& e) {
        const bool open = e.kind == 1;
        if (m_open[e.note] == open) return;  // no change
        m_open[e.note] = open;
        const ControlHole& hole = *m_hole[e.note];
        switch (hole.action) {
            case HoleAction::sustain:
                PedalHeld(Pedal::sustain, open, e.time);
                break;
            case HoleAction::sustainOn:
            case HoleAction::sustainOff:
                if (open) PedalLatch(Pedal::sustain, hole.action == HoleAction::sustainOn, e.time);
                break;
            case HoleAction::soft:
                PedalHeld(Pedal::soft, open, e.time);
                break;
            case HoleAction::softOn:
            case HoleAction::softOff:
                if (open) PedalLatch(Pedal::soft, hole.action == HoleAction::softOn, e.time);
                break;
            case HoleAction::none:
            case HoleAction::rewind:
                break;
            default:
                m_emulator->Hole(hole, open);
                break;
        }
    }

    void PedalHeld(Pedal pedal, bool open, std::int32_t time) {
        PedalState& p = m_pedals[static_cast<int>(pedal)];
        p.held += open ? 1 : -1;
        PedalMoves(p, time);
    }
    void PedalLatch(Pedal pedal, bool on, std::int32_t time) {
        PedalState& p = m_pedals[static_cast<int>(pedal)];
        p.latched = on;
        PedalMoves(p, time);
    }
    void PedalMoves(PedalState& p, std::int32_t time) {
        bool down = p.latched || p.held > 0;
        if (down == p.down) return;
        p.down = down;
        if (down) {
            p.downTime = time;
        } else if (!p.cameUp) {
            p.cameUp = true;
            p.upTime = time;
        }
    }

    // The tick's output: tempo changes up to it, pedals up, soft down, the notes and texts in
    // order, sustain down.
    void Write(const RollEvent* events, std::size_t begin, std::size_t end, std::uint64_t tick) {
        while (m_tempo.Accelerates() && m_tempo.At(m_nextSegment).tick <= tick) {
            const TempoMap::Segment& s = m_tempo.At(m_nextSegment++);
            m_sink.Tempo(s.tick, s.tempo);
        }
        bool goesDown[2];
        for (int i = 0; i < 2; ++i) {
            PedalState& p = m_pedals[i];
            Pedal pedal = static_cast<Pedal>(i);
            if (p.downBefore && p.cameUp) {
                m_sink.Controller(tick, ControllerOf(pedal), 0);
                m_sink.PedalUp({pedal, p.start, p.upTime, p.startTick, tick});
            }
            goesDown[i] = p.down && (!p.downBefore || p.cameUp);
            if (goesDown[i]) {
                p.start = p.downTime;
                p.startTick = tick;
            }
        }
        if (goesDown[1]) m_sink.Controller(tick, kSoftController, 127);
        for (std::size_t k = begin; k < end; ++k) {
            const RollEvent& e = events[k];
            if (!IsWrittenEvent(e)) continue;
            m_lastTime = e.time;
            if (e.kind == 242) {
                m_sink.Lyric(tick, e.text);
            } else if (RoleOf(e) == kNote) {
                if (e.kind == 1)
                    m_sink.NoteOn(tick, e.note, m_velocities[k - begin],
                                  static_cast<std::int32_t>(k));
                else
                    m_sink.NoteOff(tick, e.note);
            }
        }
        if (goesDown[0]) m_sink.Controller(tick, kSustainController, 127);
    }

    static double PositionOf(const RollEvent& e) {
        return static_cast<double>(static_cast<std::uint32_t>(e.time));
    }

    // The levels at a position, on both curves.
    void AddLevels(double position) {
        for (int h = 0; h < 2; ++h) {
            Half half = static_cast<Half>(h);
            m_sink.Level(half, position, m_emulator->Level(half));
        }
    }
    // The levels where each tempo segment up to tick starts: within a segment, roll position
    // and real time go in step, so the curves' straight lines between points are exact.
    void AddTempoLevels(std::uint64_t tick) {
        while (m_tempo.Accelerates() && m_tempo.At(m_nextLevelSegment).tick <= tick) {
            const TempoMap::Segment& s = m_tempo.At(m_nextLevelSegment++);
            m_emulator->AdvanceTo(s.seconds, &m_breaks);
            AddBreaks();
            AddLevels(static_cast<double>(s.tick) / 0.4);
        }
    }
    void AddBreaks() {
        for (const LevelBreak& b : m_breaks)
            m_sink.Level(b.half, m_tempo.TickAt(b.seconds) / 0.4, b.level);
        m_breaks.clear();
    }

    const CRollscribeDoc& m_doc;
    const RollProfile& m_profile;
    Sink& m_sink;
    std::unique_ptr<Emulator> m_emulator;
    TempoMap m_tempo;
    std::size_t m_nextSegment = 1;  // segment 0's tempo is the header's
    std::size_t m_nextLevelSegment = 1;
    Role m_role[128];
    const ControlHole* m_hole[128];
    bool m_open[128] = {};
    PedalState m_pedals[2];
    TickClock m_clock;
    double m_position = 0;                   // the roll position reached, thousandths of an inch
    std::int32_t m_lastTime = 0;             // the last written event's position
    std::vector<std::uint8_t> m_velocities;  // of the tick's events
    std::vector<LevelBreak> m_breaks;
};

}  // namespace rollscribe
