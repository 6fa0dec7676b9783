#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rollscribe {

// The roll's speed-up as the take-up spool fills, as MIDI tempos: the paper's speed is
// v = v0 + a t feet a minute (t in minutes of playing, v0 = tempo / 10 at the roll's tempo, a the
// profile's acceleration). Segment k is the k-th 0.1 minute of playing at v_k = v0 + 0.1 a k:
// it starts at tick round(sum of 480 v_i for i < k) and plays round(U0 v0 / v_k) microseconds a
// quarter note, U0 being the MIDI file's tempo (segment 0's tempo is U0 itself). With a = 0 there
// is segment 0 alone.
//
// Real time is the time a MIDI player takes to reach a tick through these tempos. Segments are
// made as far as they are asked for.
class TempoMap {
  public:
    struct Segment {
        std::uint64_t tick;  // where it starts
        std::int32_t tempo;  // microseconds a quarter note
        double seconds;      // real time at its start
    };

    // rollTempo as the document holds it; acceleration in feet a minute per minute.
    TempoMap(std::int32_t rollTempo, double acceleration);

    // Segment k (k = 0, 1, ...); only segment 0 when the speed is constant. The reference
    // holds until the next segment is made (a later At, SecondsAt or TickAt).
    const Segment& At(std::size_t k);
    // Whether there is a segment after the first.
    bool Accelerates() const noexcept { return m_acceleration > 0; }

    // Real time in seconds at a tick (fractions of a tick allowed), and the tick at a real time.
    // Fastest when asked in order.
    double SecondsAt(double tick);
    double TickAt(double seconds);

  private:
    // The segment that holds the tick (or the time): made as needed.
    std::size_t SegmentOfTick(double tick);
    std::size_t SegmentOfSeconds(double seconds);
    void Extend();

    std::int32_t m_tempo;  // the effective roll tempo (10 to 500)
    double m_acceleration;
    std::vector<Segment> m_segments;
    std::size_t m_cursor = 0;
};

}  // namespace rollscribe
