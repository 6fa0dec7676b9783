// The expression walk: one pass over a roll's events that runs the emulation and hands what
// the expression file holds to a sink (ExpressionSinks.h), in file order.
#include "expression/ExpressionWalk.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "expression/Emulator.h"
#include "expression/Expression.h"
#include "expression/ExpressionSinks.h"
#include "expression/HoleShaping.h"
#include "expression/RollProfile.h"
#include "expression/TempoMap.h"
#include "midi/CMidiFile.h"
#include "roll/CRollscribeDoc.h"
#include "roll/MidiConversion.h"
#include "roll/SideOutput.h"

namespace rollscribe {

namespace {

// The walk, for each kind of sink. The sink:
//
//   static constexpr bool kWantsLevels;        // Level is called
//   static constexpr bool kRecordsVelocities;  // RecordVelocity is called
//   // The track, written straight: room for bytes and where they go; then where they end and
//   // the tick of the last event written. PendingBytes: the bytes written not yet flushed.
//   std::uint8_t* Reserve(std::size_t bytes);
//   void Commit(const std::uint8_t* end, std::uint64_t lastTick);
//   std::size_t PendingBytes(); std::uint64_t LastTick();
//   // Events through the sink's own calls, each at its tick.
//   void Tempo(std::uint64_t tick, std::int32_t tempo);
//   void Controller(std::uint64_t tick, std::int32_t controller, std::int32_t value);
//   std::size_t Note(std::uint64_t tick, std::int32_t note, std::int32_t velocity);
//       // a note-on (velocity 0: its note-off); returns its velocity's place among the
//       // pending bytes
//   void Lyric(std::uint64_t tick, const CString& text);
//   void Patch(std::size_t place, std::int32_t velocity);  // a note-on's velocity changed
//   bool WantsCheckpoint(); void Checkpoint();  // at a new position: no Patch reaches back
//   void RecordVelocity(std::size_t index, std::int32_t velocity);  // of roll event index
//   void PedalUp(const PedalInterval& interval);  // an interval ends
//   void Level(Half half, double position, double velocity);
//   void End(std::uint64_t tick);
//
// Ticks are those of the MIDI file (TickClock over the written events). The emulation's clock is
// the tempo map's real time at each event's roll position. The control holes at a position act
// before the notes there: a note struck before a control hole at its position in the roll's
// order gets its velocity changed. A pedal's controller is written where its hole is, the soft
// pedal going down before the next note, the sustain pedal going down after the last note of
// its tick, a pedal down and up again within one tick not at all.
//
// Between control holes each half's level is a straight line (LevelPiece): a note's velocity is
// read off it, and the emulator is asked again only where the line ends.
template <class Sink>
class ExpressionWalk {
  public:
    ExpressionWalk(const CRollscribeDoc& doc, const RollProfile& profile, Sink& sink)
        : m_doc(doc),
          m_sink(sink),
          m_emulator(MakeEmulator(profile)),
          m_tempo(doc.m_tempo, profile.spoolAcceleration) {
        for (std::int32_t note = 0; note < 128; ++note) {
            m_hole[note] = profile.HoleOf(note);
            m_role[note] = profile.IsNote(note) ? kNote : m_hole[note] ? kControl : kSilent;
            m_half[note] = static_cast<std::uint8_t>(profile.HalfOf(note));
            if (m_role[note] != kNote) continue;
            m_common[note] = 128;
            m_notesOf[m_half[note]].push_back(static_cast<std::uint8_t>(note));
        }
        if (m_tempo.Accelerates()) m_nextTempoTick = m_tempo.At(1).tick;
        m_tickWork = m_nextTempoTick;
        FollowTempoSegment(0);
        Refresh();
        if constexpr (Sink::kWantsLevels) AddLevels(0);
    }

    // The next events walked, in the order of the file (ShapeHoles, HoleStream).
    void Feed(const ShapedEvent* events, const std::size_t count) {
        std::size_t i = 0;
        while (i < count) {
            i = Common(events, i, count);
            if (i < count) {
                Uncommon(events[i]);
                ++i;
            }
        }
    }

  private:
    // A block of common events: room for each at its largest (a 2-byte delta and the event).
    static constexpr std::size_t kBlockEvents = 8192;
    static constexpr std::size_t kCommonNoteBytes = 5;

    // The common events from index i on, up to the first uncommon one (returned): notes of the
    // range whose velocity stays, at a tick with no other work and a delta of 2 bytes at most,
    // written straight into the track. They take no branch that the roll's data decides. The
    // tick, the position and the notes struck there live in locals here (written bytes may
    // alias members).
    std::size_t Common(const ShapedEvent* events, std::size_t i, const std::size_t count) {
        if (m_pedals[1].pending) return i;
        std::uint8_t* const start = m_sink.Reserve(kBlockEvents * kCommonNoteBytes);
        const std::size_t offset = m_sink.PendingBytes();
        const std::uint64_t work = m_tickWork;
        const bool checkpoint = m_sink.WantsCheckpoint();
        const std::size_t end = std::min(count, i + kBlockEvents);
        std::uint8_t* out = start;
        std::uint64_t last = m_sink.LastTick();
        std::uint64_t tick = m_tick;
        std::uint32_t position = m_position;
        std::size_t struck = m_struckCount;
        // Room to remember every note of the block as struck at one position.
        if (m_struckPlace.size() < struck + (end - i)) GrowStruck(struck + (end - i));
        // The place of the velocity of the note written before out, as the sink counts it.
        const std::size_t base = offset + 2;
        for (; i < end; ++i) {
            const ShapedEvent& e = events[i];
            // A note of 0 to 127 opening (kind 1) or closing (kind 0) is index note + 128 kind
            // of m_common; anything else is uncommon (a note above 127 is not written at all).
            const std::uint32_t code =
                static_cast<std::uint32_t>(e.note) | static_cast<std::uint32_t>(e.kind) << 7;
            std::uint8_t entry = m_common[code & 255];
            const std::uint64_t eventTick = TickTimeOf(static_cast<std::int32_t>(e.time));
            const std::uint32_t time = static_cast<std::uint32_t>(e.time);
            const bool moved = time > position;
            if (entry == kMoving) {
                // A note-on while its half's level moves: read off the level's line, within
                // the piece and the tempo segment.
                const double at = std::max(position, time);
                const double seconds =
                    m_segmentSeconds + (at - m_segmentStart) * m_secondsPerPosition;
                entry = at < m_segmentEnd && seconds <= m_piece.until
                            ? static_cast<std::uint8_t>(Rounded(m_piece.LevelAt(
                                  static_cast<Half>(m_half[e.note & 127]), seconds)))
                            : 0;
            }
            const std::uint64_t newTick = eventTick > tick ? eventTick : tick;
            const std::uint64_t delta = newTick - last;
            if ((code > 255) | (static_cast<std::uint32_t>(e.note) > 127) | (entry == 0) |
                (eventTick >= work) | (delta >= 16384) | (moved & checkpoint))
                break;
            const std::size_t on = code >> 7;
            tick = newTick;
            last = newTick;
            position = std::max(position, time);
            struck &= static_cast<std::size_t>(moved) - 1;  // 0 at a new position
            out = CMidiFile::EncodeShortDelta(out, static_cast<std::uint32_t>(delta));
            const std::uint8_t written = entry & 0x7F;  // a note-off's entry is 128
            if constexpr (Sink::kRecordsVelocities) m_sink.RecordVelocity(e.from, written);
            // Remembered, in case a control hole later at this position changes its level.
            m_struckPlace[struck] = base + static_cast<std::size_t>(out - start);
            m_struckNote[struck] = static_cast<std::uint8_t>(e.note);
            if constexpr (Sink::kRecordsVelocities) m_struckIndex[struck] = e.from;
            struck += on;
            out = CMidiFile::EncodeNoteOn(out, static_cast<std::uint8_t>(e.note), written);
        }
        m_sink.Commit(out, last);
        m_tick = tick;
        m_position = position;
        m_struckCount = struck;
        return i;
    }

    // Any other written event, through the sink's own calls.
    void Uncommon(const ShapedEvent& e) {
        if (e.note > 127) return;  // not written
        const std::uint64_t eventTick = TickTimeOf(static_cast<std::int32_t>(e.time));
        if (eventTick >= m_tickWork) TickWork(eventTick);
        m_tick = std::max(m_tick, eventTick);
        const std::uint32_t time = static_cast<std::uint32_t>(e.time);
        const bool moved = time > m_position;
        m_position = std::max(m_position, time);
        if (moved) {
            m_struckCount = 0;
            if (m_sink.WantsCheckpoint()) m_sink.Checkpoint();
        }
        const Role role = RoleOf(e);
        if (role == kNote) {
            if (m_pedals[1].pending) WriteDown(Pedal::soft);
            const bool on = e.kind == RollEvent::kTrackOpened;
            const int h = m_half[e.note];
            int velocity = 0;
            if (on) velocity = m_fixed[h] ? m_fixed[h] : MovingVelocity(h);
            if constexpr (Sink::kRecordsVelocities) m_sink.RecordVelocity(e.from, velocity);
            const std::size_t token = m_sink.Note(m_tick, e.note, velocity);
            if (on) {
                if (m_struckPlace.size() <= m_struckCount) GrowStruck(m_struckCount + 1);
                m_struckPlace[m_struckCount] = token;
                m_struckNote[m_struckCount] = static_cast<std::uint8_t>(e.note);
                m_struckIndex[m_struckCount] = e.from;
                ++m_struckCount;
            }
        } else if (role == kControl) {
            Control(e);
        } else if (e.kind == RollEvent::kLyric) {
            m_sink.Lyric(m_tick, m_doc.m_events[static_cast<std::int32_t>(e.from)].text);
        }
    }

    // Room for at least count notes struck at one position.
    void GrowStruck(std::size_t count) {
        const std::size_t size = std::max(count, 2 * m_struckPlace.size());
        m_struckPlace.resize(size);
        m_struckNote.resize(size);
        m_struckIndex.resize(size);
    }

    enum Role : std::uint8_t { kSilent, kNote, kControl };
    static constexpr std::uint64_t kNever = static_cast<std::uint64_t>(-1);

    struct PedalState {
        bool latched = false;
        int held = 0;
        bool down = false;     // as the holes say
        bool written = false;  // down in the file
        bool pending = false;  // down in the file, to be written within the tick
        std::int32_t start = 0;
        std::uint64_t startTick = 0;
    };

    // For a written event (note up to 127).
    Role RoleOf(const ShapedEvent& e) const {
        return static_cast<std::uint32_t>(e.kind) <= RollEvent::kTrackOpened && e.note >= 0
                   ? static_cast<Role>(m_role[e.note])
                   : kSilent;
    }

    // Real time at a roll position, through the tempo segment it lies in.
    double Seconds(double position) {
        if (position >= m_segmentEnd) FollowTempoSegment(position);
        return m_segmentSeconds + (position - m_segmentStart) * m_secondsPerPosition;
    }
    // The segment of a position at or after the one followed so far.
    void FollowTempoSegment(double position) {
        const double tick = position * kTicksPerPosition;
        if (m_tempo.Accelerates())
            while (static_cast<double>(m_tempo.At(m_segment + 1).tick) <= tick) ++m_segment;
        const TempoMap::Segment s = m_tempo.At(m_segment);  // a copy, as At may move it
        m_segmentStart = static_cast<double>(s.tick) / kTicksPerPosition;
        m_segmentEnd = m_tempo.Accelerates()
                           ? static_cast<double>(m_tempo.At(m_segment + 1).tick) / kTicksPerPosition
                           : INFINITY;
        m_segmentSeconds = s.seconds;
        m_secondsPerPosition = s.tempo * kTicksPerPosition / 480e6;
    }

    // The piece of the levels from now on, and the velocities that stay for the whole piece.
    void Refresh() {
        m_piece = m_emulator->Piece();
        for (int h = 0; h < 2; ++h) {
            const int fixed =
                m_piece.rate[h] == 0 && m_piece.until == INFINITY ? Rounded(m_piece.level[h]) : 0;
            if (fixed == m_fixed[h] && m_commonMade) continue;
            m_fixed[h] = fixed;
            const std::uint8_t entry = fixed ? static_cast<std::uint8_t>(fixed) : kMoving;
            for (std::uint8_t note : m_notesOf[h]) m_common[128 + note] = entry;
        }
        m_commonMade = true;
    }
    static int Rounded(double level) {
        return static_cast<int>(std::clamp(level, 1.0, 127.0) + 0.5);
    }

    // The emulation moved on to real time seconds.
    void AdvanceTo(double seconds) {
        std::vector<LevelBreak>* breaks = nullptr;
        if constexpr (Sink::kWantsLevels) breaks = &m_breaks;
        m_emulator->AdvanceTo(seconds, breaks);
        if constexpr (Sink::kWantsLevels) AddBreaks();
        Refresh();
    }

    // The velocity of a note of half h now, when the level moves.
    int MovingVelocity(int h) {
        const double seconds = Seconds(m_position);
        if (seconds > m_piece.until) {
            AdvanceTo(seconds);
            if (m_fixed[h]) return m_fixed[h];
        }
        return Rounded(m_piece.LevelAt(static_cast<Half>(h), seconds));
    }

    // A control hole opens or closes at the position reached.
    void Control(const ShapedEvent& e) {
        const bool open = e.kind == RollEvent::kTrackOpened;
        if (m_open[e.note] == open) return;  // no change
        m_open[e.note] = open;
        const ControlHole& hole = *m_hole[e.note];
        switch (hole.action) {
            case HoleAction::sustain:
                m_pedals[0].held += open ? 1 : -1;
                PedalMoves(Pedal::sustain, static_cast<std::int32_t>(e.time));
                break;
            case HoleAction::sustainOn:
            case HoleAction::sustainOff:
                if (!open) break;
                m_pedals[0].latched = hole.action == HoleAction::sustainOn;
                PedalMoves(Pedal::sustain, static_cast<std::int32_t>(e.time));
                break;
            case HoleAction::soft:
                m_pedals[1].held += open ? 1 : -1;
                PedalMoves(Pedal::soft, static_cast<std::int32_t>(e.time));
                break;
            case HoleAction::softOn:
            case HoleAction::softOff:
                if (!open) break;
                m_pedals[1].latched = hole.action == HoleAction::softOn;
                PedalMoves(Pedal::soft, static_cast<std::int32_t>(e.time));
                break;
            case HoleAction::none:
            case HoleAction::rewind:
                break;
            default: {
                AdvanceTo(Seconds(m_position));
                if constexpr (Sink::kWantsLevels) AddLevels(m_position);
                m_emulator->Hole(hole, open);
                Refresh();
                if constexpr (Sink::kWantsLevels) AddLevels(m_position);
                // The notes struck at this position before the hole in the roll's order take
                // the level after it.
                for (std::size_t k = 0; k < m_struckCount; ++k) {
                    const int h = m_half[m_struckNote[k]];
                    const int velocity = m_fixed[h] ? m_fixed[h] : MovingVelocity(h);
                    m_sink.Patch(m_struckPlace[k], velocity);
                    if constexpr (Sink::kRecordsVelocities)
                        m_sink.RecordVelocity(m_struckIndex[k], velocity);
                }
                break;
            }
        }
    }

    void PedalMoves(Pedal pedal, std::int32_t time) {
        PedalState& p = m_pedals[static_cast<int>(pedal)];
        const bool down = p.latched || p.held > 0;
        if (down == p.down) return;
        p.down = down;
        if (down) {
            // Written within the tick: the soft pedal before the next note, the sustain pedal
            // after the tick's last.
            p.pending = true;
            p.start = time;
            p.startTick = m_tick;
            m_tickWork = std::min(m_tickWork, m_tick + 1);
        } else if (p.pending) {
            p.pending = false;  // down and up within one tick
        } else if (p.written) {
            p.written = false;
            m_sink.Controller(m_tick, ControllerOf(pedal), 0);
            m_sink.PedalUp({pedal, p.start, time, p.startTick, m_tick});
        }
    }
    static std::int32_t ControllerOf(Pedal pedal) {
        return pedal == Pedal::sustain ? kSustainController : kSoftController;
    }
    void WriteDown(Pedal pedal) {
        PedalState& p = m_pedals[static_cast<int>(pedal)];
        p.pending = false;
        p.written = true;
        m_sink.Controller(m_tick, ControllerOf(pedal), 127);
    }

    // The roll moves on to a later tick with work waiting: the pedals going down at the end of
    // the last one, then the tempo changes up to the new one.
    void TickWork(std::uint64_t tick) {
        if (m_pedals[1].pending) WriteDown(Pedal::soft);
        if (m_pedals[0].pending) WriteDown(Pedal::sustain);
        while (m_nextTempoTick <= tick) {
            // A copy: making the next segment may move the map's segments.
            const TempoMap::Segment s = m_tempo.At(m_nextSegment++);
            m_nextTempoTick = m_tempo.At(m_nextSegment).tick;
            m_sink.Tempo(s.tick, s.tempo);
            if constexpr (Sink::kWantsLevels) {
                // Within a segment, roll position and real time go in step: the levels where
                // it starts make the curves' straight lines exact.
                AdvanceTo(s.seconds);
                AddLevels(static_cast<double>(s.tick) / kTicksPerPosition);
            }
        }
        m_tickWork = m_nextTempoTick;
    }

  public:
    // The end: a pedal that went down in the last tick is left out; the others come up.
    void Finish() {
        for (Pedal pedal : {Pedal::sustain, Pedal::soft}) {
            PedalState& p = m_pedals[static_cast<int>(pedal)];
            if (!p.written) continue;
            m_sink.Controller(m_tick, ControllerOf(pedal), 0);
            m_sink.PedalUp(
                {pedal, p.start, static_cast<std::int32_t>(m_position), p.startTick, m_tick});
        }
        if constexpr (Sink::kWantsLevels) {
            AdvanceTo(Seconds(m_position));
            AddLevels(m_position);
        }
        m_sink.End(m_tick);
    }

  private:
    // The levels at a position, on both curves.
    void AddLevels(double position) {
        for (int h = 0; h < 2; ++h) m_sink.Level(static_cast<Half>(h), position, m_piece.level[h]);
    }
    void AddBreaks() {
        for (const LevelBreak& b : m_breaks)
            m_sink.Level(b.half, m_tempo.TickAt(b.seconds) / kTicksPerPosition, b.level);
        m_breaks.clear();
    }

    const CRollscribeDoc& m_doc;
    Sink& m_sink;
    std::unique_ptr<Emulator> m_emulator;
    TempoMap m_tempo;
    std::uint8_t m_role[128];
    std::uint8_t m_half[128];
    const ControlHole* m_hole[128];
    bool m_open[128] = {};
    PedalState m_pedals[2];

    std::uint64_t m_tick = 0;      // the MIDI file's tick reached
    std::uint32_t m_position = 0;  // the roll position reached, thousandths of an inch
    // The notes struck at the position reached: their velocities' places in the track, their
    // notes (0 to 127) and events; a control hole there changes them all.
    std::vector<std::size_t> m_struckPlace = std::vector<std::size_t>(256);
    std::vector<std::uint8_t> m_struckNote = std::vector<std::uint8_t>(256);
    std::vector<std::size_t> m_struckIndex = std::vector<std::size_t>(256);
    std::size_t m_struckCount = 0;
    std::size_t m_nextSegment = 1;           // segment 0's tempo is the header's
    std::uint64_t m_nextTempoTick = kNever;  // its tick
    std::uint64_t m_tickWork = kNever;       // the tick from which TickWork has work

    LevelPiece m_piece;
    int m_fixed[2] = {0, 0};  // the velocity of each half for the whole piece, or 0
    // For a note of the range: at note, 128 when it closes; at 128 + note, its velocity when it
    // opens for the whole piece, or kMoving when its half's level moves. 0 for other notes.
    static constexpr std::uint8_t kMoving = 255;
    std::uint8_t m_common[256] = {};
    bool m_commonMade = false;
    std::vector<std::uint8_t> m_notesOf[2];  // the notes of the range of each half
    std::size_t m_segment = 0;                           // the tempo segment followed
    double m_segmentStart = 0, m_segmentEnd = INFINITY;  // roll positions
    double m_segmentSeconds = 0, m_secondsPerPosition = 0;
    std::vector<LevelBreak> m_breaks;
};

// The walk as the roll's events come, through the shaping's stream.
template <class Sink>
class StreamedWalk final : public ExpressionFollower {
  public:
    StreamedWalk(const CRollscribeDoc& doc, const RollProfile& profile, Sink& sink)
        : m_doc(doc), m_walk(doc, profile, sink), m_holes(profile, doc.m_tempo) {}

    bool Follow(std::size_t end) override {
        if (!m_holes.Add(m_doc.m_events.begin(), end)) return false;
        Feed();
        return true;
    }
    void Finish() override {
        m_holes.End();
        Feed();
        m_walk.Finish();
    }

  private:
    void Feed() { m_walk.Feed(m_holes.Ready().data(), m_holes.Ready().size()); }

    const CRollscribeDoc& m_doc;
    ExpressionWalk<Sink> m_walk;
    HoleStream m_holes;
};

// The roll's events a block at a time; a roll out of order (no roll read from a file) is shaped
// whole.
template <class Sink>
void WalkWhole(const CRollscribeDoc& doc, const RollProfile& profile, Sink& sink) {
    if (ShapesHoles(profile) && !InRollOrder(doc.m_events)) {
        const ShapedEvents shaped = ShapeHoles(doc.m_events, profile, doc.m_tempo);
        ExpressionWalk<Sink> walk(doc, profile, sink);
        walk.Feed(shaped.events.data(), shaped.events.size());
        walk.Finish();
        return;
    }
    StreamedWalk<Sink> walk(doc, profile, sink);
    const std::size_t count = static_cast<std::size_t>(doc.m_events.GetSize());
    for (std::size_t done = 0; done < count;) {
        done = std::min(count, done + kFollowBlock);
        walk.Follow(done);
    }
    walk.Finish();
}

}  // namespace

void WalkExpression(const CRollscribeDoc& doc, const RollProfile& profile, ResultSink& sink) {
    WalkWhole(doc, profile, sink);
}

void WalkExpression(const CRollscribeDoc& doc, const RollProfile& profile, FileSink& sink) {
    WalkWhole(doc, profile, sink);
}

void WalkExpression(const CRollscribeDoc& doc, const RollProfile& profile, BothSinks& sink) {
    WalkWhole(doc, profile, sink);
}

std::unique_ptr<ExpressionFollower> FollowExpression(const CRollscribeDoc& doc,
                                                     const RollProfile& profile, FileSink& sink) {
    return std::make_unique<StreamedWalk<FileSink>>(doc, profile, sink);
}

std::unique_ptr<ExpressionFollower> FollowExpression(const CRollscribeDoc& doc,
                                                     const RollProfile& profile, BothSinks& sink) {
    return std::make_unique<StreamedWalk<BothSinks>>(doc, profile, sink);
}

}  // namespace rollscribe
