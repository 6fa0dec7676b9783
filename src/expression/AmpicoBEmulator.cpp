// The Ampico B's expression: intensities latch per half as on the A, but one crescendo position
// (0 to 1) serves both halves. The slow crescendo hole moves it up while open and down
// otherwise, the fast hole faster; the amplifier hole drives it up to the top. When the
// amplifier hole closes the position stays in the stage it reached: the first stage up to its
// top, the second up to 1, until it falls below the stage. Each half's vacuum lies within its
// intensity set's range at the position. Straight lines between control holes: exact.
#include <algorithm>

#include "expression/Emulator.h"

namespace rollscribe {

namespace {

class AmpicoBEmulator final : public Emulator {
  public:
    explicit AmpicoBEmulator(const AmpicoParameters& p) : m_p(p) {}

    void AdvanceTo(double seconds, std::vector<LevelBreak>* breaks) override {
        double dt = seconds - m_now;
        if (!(dt > 0)) return;
        const Motion m = MotionNow();
        const double x0 = m_position;
        const double moved = x0 + m.rate * dt;
        const bool stops = m.rate > 0 ? moved >= m.stop : m.rate < 0 && moved <= m.stop;
        const double duration = stops ? (m.stop - x0) / m.rate : dt;
        m_position = stops ? m.stop : moved;
        while (m_stage > 0 && m_position < m_p.stageTops[m_stage - 1]) --m_stage;
        if (breaks) {
            for (int h = 0; h < 2; ++h) {
                Half half = static_cast<Half>(h);
                AddTableBreaks(m_p.velocityTable, half, m_now, duration, VacuumAt(half, x0),
                               VacuumAt(half, m_position), *breaks);
                if (stops) breaks->push_back({m_now + duration, half, Level(half)});
            }
        }
        m_now = seconds;
    }

    LevelPiece Piece() const override {
        LevelPiece piece;
        piece.start = m_now;
        const Motion m = MotionNow();
        if (m.rate != 0) piece.until = m_now + (m.stop - m_position) / m.rate;
        for (int h = 0; h < 2; ++h) {
            const Half half = static_cast<Half>(h);
            const VacuumRange& range = m_p.vacuum[m_set[h]];
            const double vacuum = VacuumAt(half, m_position);
            const double vacuumRate = (range.high - range.low) * m.rate;
            piece.level[h] = InterpolateVelocity(m_p.velocityTable, vacuum);
            if (vacuumRate != 0) {
                TableSlope slope = VelocitySlope(m_p.velocityTable, vacuum, vacuumRate > 0);
                piece.rate[h] = slope.slope * vacuumRate;
                piece.until =
                    std::min(piece.until, m_now + slope.toNextEntry / std::fabs(vacuumRate));
            }
        }
        return piece;
    }

    void Hole(const ControlHole& hole, bool open) override {
        const int step = open ? 1 : -1;
        switch (hole.action) {
            case HoleAction::intensity:
                if (open) m_set[static_cast<int>(hole.side)] |= IntensityBit(hole.value);
                break;
            case HoleAction::cancel:
                if (open) m_set[static_cast<int>(hole.side)] = 0;
                break;
            case HoleAction::crescendo:
                m_slow += step;
                break;
            case HoleAction::fastCrescendo:
                m_fast += step;
                break;
            case HoleAction::amplifier:
                m_amplifier += step;
                // The position locks into the stage it reached.
                if (m_amplifier == 0)
                    m_stage = m_position >= m_p.stageTops[1]   ? 2
                              : m_position >= m_p.stageTops[0] ? 1
                                                               : 0;
                break;
            default:
                break;
        }
    }

  private:
    // How the position moves now: its rate a second and where it stops (rate 0: it stays).
    struct Motion {
        double rate;
        double stop;
    };
    Motion MotionNow() const {
        double rate, stop;
        if (m_amplifier > 0) {
            rate = m_p.amplifierPositionRate;
            stop = 1;
        } else {
            rate = (m_slow > 0 ? 1 : -1) * (m_fast > 0 ? m_p.fastPositionRate : m_p.positionRate);
            stop = rate > 0 ? std::max(m_p.stageTops[m_stage], m_position) : 0.0;
        }
        if (stop == m_position) rate = 0;
        return {rate, stop};
    }

    double VacuumAt(Half half, double position) const {
        const VacuumRange& range = m_p.vacuum[m_set[static_cast<int>(half)]];
        return range.low + (range.high - range.low) * position;
    }

    AmpicoParameters m_p;
    unsigned m_set[2] = {0, 0};
    double m_position = 0;
    int m_stage = 0;
    int m_slow = 0, m_fast = 0, m_amplifier = 0;
    double m_now = 0;
};

}  // namespace

std::unique_ptr<Emulator> MakeAmpicoBEmulator(const AmpicoParameters& parameters) {
    return std::make_unique<AmpicoBEmulator>(parameters);
}

}  // namespace rollscribe
