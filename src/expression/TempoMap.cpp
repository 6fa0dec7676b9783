#include "expression/TempoMap.h"

#include <algorithm>
#include <cmath>

#include "roll/MidiConversion.h"

namespace rollscribe {

namespace {

// Seconds in a tick at a tempo of one microsecond a quarter note.
constexpr double kSecondsPerTempoTick = 1.0 / (480.0 * 1e6);

}  // namespace

TempoMap::TempoMap(std::int32_t rollTempo, double acceleration)
    : m_tempo(EffectiveRollTempo(rollTempo)), m_acceleration(acceleration > 0 ? acceleration : 0) {
    m_segments.push_back({0, MidiTempoFor(rollTempo), 0.0});
}

void TempoMap::Extend() {
    const double k = static_cast<double>(m_segments.size());
    const Segment& previous = m_segments.back();
    // sum of 480 v_i for i < k, with v_i = tempo / 10 + 0.1 a i
    double start = 48.0 * m_tempo * k + 24.0 * m_acceleration * k * (k - 1);
    // U0 v0 / v_k, with v0 / v_k = tempo / (tempo + a k)
    double tempo = m_segments.front().tempo * m_tempo / (m_tempo + m_acceleration * k);
    Segment next;
    next.tick = static_cast<std::uint64_t>(std::llround(start));
    next.tempo = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(tempo)));
    next.seconds = previous.seconds + static_cast<double>(next.tick - previous.tick) *
                                          previous.tempo * kSecondsPerTempoTick;
    m_segments.push_back(next);
}

const TempoMap::Segment& TempoMap::At(std::size_t k) {
    while (m_segments.size() <= k) Extend();
    return m_segments[k];
}

std::size_t TempoMap::SegmentOfTick(double tick) {
    if (!Accelerates()) return 0;
    while (static_cast<double>(m_segments.back().tick) <= tick) Extend();
    auto starts = [this](std::size_t k) { return static_cast<double>(m_segments[k].tick); };
    if (!(starts(m_cursor) <= tick && tick < starts(m_cursor + 1))) {
        if (m_cursor + 2 < m_segments.size() && starts(m_cursor + 1) <= tick &&
            tick < starts(m_cursor + 2)) {
            ++m_cursor;
        } else {
            auto after = std::upper_bound(
                m_segments.begin(), m_segments.end(), tick,
                [](double t, const Segment& s) { return t < static_cast<double>(s.tick); });
            m_cursor = static_cast<std::size_t>(after - m_segments.begin()) - 1;
        }
    }
    return m_cursor;
}

std::size_t TempoMap::SegmentOfSeconds(double seconds) {
    if (!Accelerates()) return 0;
    while (m_segments.back().seconds <= seconds) Extend();
    auto after = std::upper_bound(m_segments.begin(), m_segments.end(), seconds,
                                  [](double t, const Segment& s) { return t < s.seconds; });
    return after == m_segments.begin() ? 0
                                       : static_cast<std::size_t>(after - m_segments.begin()) - 1;
}

double TempoMap::SecondsAt(double tick) {
    if (tick < 0) tick = 0;
    const Segment& s = m_segments[SegmentOfTick(tick)];
    return s.seconds + (tick - static_cast<double>(s.tick)) * s.tempo * kSecondsPerTempoTick;
}

double TempoMap::TickAt(double seconds) {
    if (seconds < 0) seconds = 0;
    const Segment& s = m_segments[SegmentOfSeconds(seconds)];
    return static_cast<double>(s.tick) + (seconds - s.seconds) / (s.tempo * kSecondsPerTempoTick);
}

}  // namespace rollscribe
