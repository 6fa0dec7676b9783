// The Ampico A's expression, per half: intensities 2, 4 and 6 latch and give a base vacuum that
// the amplifier raises from the low to the high end of its range; a crescendo vacuum rises while
// the slow crescendo hole is open and falls otherwise (faster with the fast hole). The amplifier
// moves at a constant speed towards its target: fixed for some intensity sets, else following
// the vacuum, which it raises in turn.
//
// Everything moves in straight lines between a few points (the crescendo reaching a limit, the
// amplifier catching up with its target, the target reaching 0 or 1), so each stretch is solved
// exactly, with no time steps.
#include <algorithm>
#include <cmath>
#include <limits>

#include "expression/Emulator.h"

namespace rollscribe {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();
// Closer than this, the amplifier has caught up with its target and follows it.
constexpr double kCaughtUp = 1e-12;

class AmpicoAEmulator final : public Emulator {
  public:
    explicit AmpicoAEmulator(const AmpicoParameters& p) : m_p(p) {
        for (State& half : m_halves) half.crescendo = p.crescendoLow;
    }

    void AdvanceTo(double seconds, std::vector<LevelBreak>* breaks) override {
        double dt = seconds - m_now;
        if (!(dt > 0)) return;
        for (int h = 0; h < 2; ++h) Move(static_cast<Half>(h), dt, breaks);
        m_now = seconds;
    }

    void Hole(const ControlHole& hole, bool open) override {
        State& half = m_halves[static_cast<int>(hole.side)];
        const int step = open ? 1 : -1;
        switch (hole.action) {
            case HoleAction::intensity:
                if (open) half.set |= IntensityBit(hole.value);
                break;
            case HoleAction::cancel:
                if (open) half.set = 0;
                break;
            case HoleAction::crescendo:
                half.slow += step;
                break;
            case HoleAction::fastCrescendo:
                half.fast += step;
                break;
            default:
                break;
        }
    }

    LevelPiece Piece() const override {
        LevelPiece piece;
        piece.start = m_now;
        for (int h = 0; h < 2; ++h) {
            const State& s = m_halves[h];
            const Regime r = RegimeOf(s);
            const double vacuum = Vacuum(s);
            const double vacuumRate = VacuumRate(s, r);
            piece.level[h] = InterpolateVelocity(m_p.velocityTable, vacuum);
            double until = r.duration;
            if (vacuumRate != 0) {
                TableSlope slope = VelocitySlope(m_p.velocityTable, vacuum, vacuumRate > 0);
                piece.rate[h] = slope.slope * vacuumRate;
                until = std::min(until, slope.toNextEntry / std::fabs(vacuumRate));
            }
            piece.until = std::min(piece.until, m_now + until);
        }
        return piece;
    }

  private:
    struct State {
        unsigned set = 0;  // the latched intensities
        double crescendo = 0;
        double amplifier = 0;  // 0 to 1
        int slow = 0, fast = 0;
    };

    double Vacuum(const State& s) const {
        const VacuumRange& base = m_p.vacuum[s.set];
        return s.crescendo + base.low + (base.high - base.low) * s.amplifier - m_p.crescendoLow;
    }

    // How a half moves now, until its next change of course (duration).
    struct Regime {
        double crescendoRate;  // inches a second
        bool crescendoStops;   // at the end of the regime, at its limit
        double amplifierRate;  // a second
        bool amplifierMeets;   // at the end of the regime, its target
        double target, targetRate;
        double duration;  // seconds, infinite when nothing changes
    };

    Regime RegimeOf(const State& s) const {
        const VacuumRange& base = m_p.vacuum[s.set];
        const double span = base.high - base.low;
        const double fixedTarget = m_p.amplifierTargets[s.set];
        const double speed = s.fast > 0 ? m_p.fastCrescendoRate : m_p.crescendoRates[s.set];
        const double R = m_p.amplifierRate;
        // The amplifier that follows the vacuum aims at (vacuum - threshold) / span, the vacuum
        // counting its own part: it settles where m = (crescendo + low - crescendoLow -
        // threshold) / (amplifierSpan - span), within 0 and 1 (the profile keeps span below
        // amplifierSpan, so it settles).
        const double gain = fixedTarget >= 0 ? 0 : 1.0 / (m_p.amplifierSpan - span);

        Regime r;
        r.crescendoRate = s.slow > 0 ? speed : -speed;
        if ((r.crescendoRate > 0 && s.crescendo >= m_p.crescendoHigh) ||
            (r.crescendoRate < 0 && s.crescendo <= m_p.crescendoLow))
            r.crescendoRate = 0;
        double tC = r.crescendoRate > 0   ? (m_p.crescendoHigh - s.crescendo) / r.crescendoRate
                    : r.crescendoRate < 0 ? (m_p.crescendoLow - s.crescendo) / r.crescendoRate
                                          : kNever;

        double m =
            fixedTarget >= 0
                ? fixedTarget
                : (s.crescendo + base.low - m_p.crescendoLow - m_p.amplifierThreshold) * gain;
        double ms = r.crescendoRate * gain;  // m's slope
        r.target = std::clamp(m, 0.0, 1.0);
        bool inside = (m > 0 || (m == 0 && ms > 0)) && (m < 1 || (m == 1 && ms < 0));
        r.targetRate = inside ? ms : 0;
        double tY = kNever;  // m crossing 0 or 1
        if (ms > 0) tY = m < 0 ? -m / ms : m < 1 ? (1 - m) / ms : kNever;
        if (ms < 0) tY = m > 1 ? (1 - m) / ms : m > 0 ? -m / ms : kNever;

        double d = r.target - s.amplifier;
        double tU = kNever;  // the amplifier catching up
        if (std::fabs(d) <= kCaughtUp) {
            r.amplifierRate = std::clamp(r.targetRate, -R, R);
        } else if (d > 0) {
            r.amplifierRate = R;
            if (r.targetRate < R) tU = d / (R - r.targetRate);
        } else {
            r.amplifierRate = -R;
            if (r.targetRate > -R) tU = -d / (R + r.targetRate);
        }
        r.duration = std::min({tC, tY, tU});
        r.crescendoStops = r.duration == tC;
        r.amplifierMeets = r.duration == tU;
        return r;
    }

    // The vacuum's rate in a regime.
    double VacuumRate(const State& s, const Regime& r) const {
        const VacuumRange& base = m_p.vacuum[s.set];
        return r.crescendoRate + (base.high - base.low) * r.amplifierRate;
    }

    void Move(Half which, double dt, std::vector<LevelBreak>* breaks) {
        State& s = m_halves[static_cast<int>(which)];
        double t = 0;
        for (int stretch = 0; stretch < 32 && t < dt; ++stretch) {
            const Regime r = RegimeOf(s);
            if (std::fabs(r.target - s.amplifier) <= kCaughtUp) s.amplifier = r.target;
            const double step = std::min(dt - t, r.duration);
            const double v0 = Vacuum(s);
            const bool ends = step == r.duration;
            s.crescendo = ends && r.crescendoStops
                              ? (r.crescendoRate > 0 ? m_p.crescendoHigh : m_p.crescendoLow)
                              : s.crescendo + r.crescendoRate * step;
            s.amplifier = ends && r.amplifierMeets ? r.target + r.targetRate * step
                                                   : s.amplifier + r.amplifierRate * step;
            s.amplifier = std::clamp(s.amplifier, 0.0, 1.0);
            if (breaks) {
                AddTableBreaks(m_p.velocityTable, which, m_now + t, step, v0, Vacuum(s), *breaks);
                if (t + step < dt) breaks->push_back({m_now + t + step, which, Level(which)});
            }
            t += step;
        }
    }

    AmpicoParameters m_p;
    State m_halves[2];
    double m_now = 0;
};

}  // namespace

std::unique_ptr<Emulator> MakeAmpicoAEmulator(const AmpicoParameters& parameters) {
    return std::make_unique<AmpicoAEmulator>(parameters);
}

}  // namespace rollscribe
