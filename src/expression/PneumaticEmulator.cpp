// The red Welte's expression as the bellows of its mechanism move: a travel x for each half
// (0 open, softest; 1 closed, loudest) driven through a flow law by the crescendo conduit and
// the sforzando valves, whose membranes fill and empty with time, and held on its side by the
// mezzo-forte stop. Stepped in real time (a step of step_ms at most; between steps the level
// is the straight line to the next) while a half moves; a half that can move its level by less
// than rest_level until its next hole is left at rest. The velocity comes from the travel
// through the profile's map. The level curves get a point at every step.
#include <algorithm>
#include <cmath>

#include "expression/Emulator.h"

namespace rollscribe {

namespace {

constexpr double kStopHalfWidth = 0.03;  // half the mezzo-forte stop's thickness
constexpr double kReboundFloor = 0.5;    // travel a second below which a contact stops dead

// What one half's holes say: the ports open (0 or 1) and the latches' holes.
struct Ports {
    int sforzando = 0, cancel = 0;              // the sfz on and sfz off holes, while open
    int hookOn = 0, hookOff = 0, hookHeld = 0;  // mezzo-forte on, off, and while open
    int crescendoOn = 0, crescendoOff = 0, crescendoHeld = 0;
};

struct HalfState {
    double x = 0, velocity = 0;            // travel and its speed (a second)
    double charge = 0, assist = 0;         // the sforzando and cancel membranes' charges
    bool hook = false, crescendo = false;  // the latches
    bool engaged = false, above = false;   // the stop, and the side it keeps
    bool resting = false;                  // not stepped until its next hole
};

// A half's decay factors over one whole step (exp(-step / time constant)), computed once.
struct StepFactors {
    double membraneFill, assistFill, valveTail, inertia;
};

// A latch from its ports: the off port wins, then the on port; else it holds.
bool Latch(bool now, int on, int off, int held) {
    if (held > 0) return true;
    if (off > 0) return false;
    if (on > 0) return true;
    return now;
}

class PneumaticEmulator final : public Emulator {
  public:
    explicit PneumaticEmulator(const PneumaticParameters& p) : m_p(p) {
        const double ms = m_p.stepMs / 1000 * 1000;  // as Step computes it
        for (int h = 0; h < 2; ++h) {
            const PneumaticHalf& half = m_p.halves[h];
            m_factors[h] = {std::exp(-ms / half.membraneFillMs), std::exp(-ms / half.assistFillMs),
                            std::exp(-ms / half.valveTailMs), std::exp(-ms / half.inertiaMs)};
        }
        for (std::size_t i = 1; i < m_p.velocityMap.size(); ++i) {
            const TravelVelocity& a = m_p.velocityMap[i - 1];
            const TravelVelocity& b = m_p.velocityMap[i];
            m_mapSlope =
                std::max(m_mapSlope, std::abs((b.velocity - a.velocity) / (b.travel - a.travel)));
        }
    }

    void AdvanceTo(double seconds, std::vector<LevelBreak>* breaks) override {
        const double step = m_p.stepMs / 1000;
        while (m_now < seconds) {
            if (Steady()) {
                m_now = seconds;
                break;
            }
            const double dt = std::min(step, seconds - m_now);
            for (int h = 0; h < 2; ++h) {
                if (m_state[h].resting) continue;
                Step(m_p.halves[h], m_ports[h], dt, dt == step ? &m_factors[h] : nullptr,
                     m_state[h]);
                m_state[h].resting = AtRest(h);
            }
            m_now += dt;
            if (breaks)
                for (int h = 0; h < 2; ++h)
                    breaks->push_back({m_now, static_cast<Half>(h), LevelOf(h, m_state[h])});
        }
    }

    void Hole(const ControlHole& hole, bool open) override {
        const int h = static_cast<int>(hole.side);
        Ports& ports = m_ports[h];
        const int step = open ? 1 : -1;
        switch (hole.action) {
            case HoleAction::fastCrescendo:
                ports.sforzando += step;
                break;
            case HoleAction::fastDecrescendo:
                ports.cancel += step;
                break;
            case HoleAction::mezzoForteOn:
                ports.hookOn += step;
                break;
            case HoleAction::mezzoForteOff:
                ports.hookOff += step;
                break;
            case HoleAction::mezzoForte:
                ports.hookHeld += step;
                break;
            case HoleAction::crescendoOn:
                ports.crescendoOn += step;
                break;
            case HoleAction::crescendoOff:
                ports.crescendoOff += step;
                break;
            case HoleAction::crescendo:
                ports.crescendoHeld += step;
                break;
            default:
                break;
        }
        HalfState& s = m_state[h];
        s.resting = false;
        s.crescendo =
            Latch(s.crescendo, ports.crescendoOn, ports.crescendoOff, ports.crescendoHeld);
        s.hook = Latch(s.hook, ports.hookOn, ports.hookOff, ports.hookHeld);
        if (!s.hook) {
            s.engaged = false;
        } else if (!s.engaged) {
            s.engaged = true;
            s.above = s.x >= m_p.halves[h].mezzoForte;
        }
    }

    LevelPiece Piece() const override {
        LevelPiece piece;
        piece.start = m_now;
        const double step = m_p.stepMs / 1000;
        const bool steady = Steady();
        if (!steady) piece.until = m_now + step;
        for (int h = 0; h < 2; ++h) {
            piece.level[h] = LevelOf(h, m_state[h]);
            if (steady || m_state[h].resting) continue;
            HalfState next = m_state[h];
            Step(m_p.halves[h], m_ports[h], step, &m_factors[h], next);
            piece.rate[h] = (LevelOf(h, next) - piece.level[h]) / step;
        }
        return piece;
    }

  private:
    double LevelOf(int h, const HalfState& s) const {
        return MapTravel(m_p.velocityMap, s.x) + (h == 0 ? m_p.bassOffset : 0);
    }

    // Whether a half's valves are shut until its next hole: ports closed, membranes below
    // their trip (they only empty from there).
    bool Shut(int h) const {
        const HalfState& s = m_state[h];
        const PneumaticHalf& p = m_p.halves[h];
        return m_ports[h].sforzando == 0 && m_ports[h].cancel == 0 && s.charge <= p.tripThreshold &&
               s.assist <= p.tripThreshold;
    }

    // Whether nothing moves until the next hole: each half at rest, or shut and staying where a
    // step leaves it.
    bool Steady() const {
        for (int h = 0; h < 2; ++h) {
            const HalfState& s = m_state[h];
            if (s.resting) continue;
            if (!Shut(h) || s.velocity != 0) return false;
            HalfState next = s;
            Step(m_p.halves[h], m_ports[h], m_p.stepMs / 1000, &m_factors[h], next);
            if (next.x != s.x || next.velocity != 0) return false;
        }
        return true;
    }

    // Whether a shut half's level can move by less than rest_level from here until its next
    // hole: its bellows relax towards the conduit's target (or the stop, or an end), overshooting
    // by at most its speed over the inertia's time.
    bool AtRest(int h) const {
        if (m_p.restLevel <= 0 || !Shut(h)) return false;
        const HalfState& s = m_state[h];
        const PneumaticHalf& p = m_p.halves[h];
        double end = std::clamp(s.crescendo ? p.crescendoTarget : p.releaseTarget, 0.0, 1.0);
        if (s.engaged)
            end = s.above ? std::max(end, p.mezzoForte - kStopHalfWidth)
                          : std::min(end, p.mezzoForte + kStopHalfWidth);
        const double reach = std::abs(end - s.x) + std::abs(s.velocity) * p.inertiaMs / 1000;
        return m_mapSlope * reach < m_p.restLevel;
    }

    static double Lift(double charge, double trip, double band) {
        if (charge <= trip) return 0;
        return std::min((charge - trip) / ((1 - trip) * band), 1.0);
    }

    // One step of dt seconds of a half; factors: its decay over dt when dt is a whole step.
    static void Step(const PneumaticHalf& p, const Ports& ports, double dt,
                     const StepFactors* factors, HalfState& s) {
        const double ms = dt * 1000;
        auto decay = [ms](double tau, const double* factor) {
            return factor ? *factor : std::exp(-ms / tau);
        };
        auto fill = [&](double& c, double a, double fillMs, const double* fillFactor) {
            const bool filling = a > c;
            const double f = filling
                                 ? decay(fillMs, fillFactor)
                                 : decay(p.valveTailMs, factors ? &factors->valveTail : nullptr);
            c = a + (c - a) * f;
        };
        fill(s.charge, ports.sforzando > 0 ? 1 : 0, p.membraneFillMs,
             factors ? &factors->membraneFill : nullptr);
        fill(s.assist, ports.cancel > 0 ? 1 : 0, p.assistFillMs,
             factors ? &factors->assistFill : nullptr);
        const double open = Lift(s.charge, p.tripThreshold, p.valveBand);
        const double cancel = Lift(s.assist, p.tripThreshold, 1);
        const double x = s.x;
        auto drive = [&](double target) {
            const double d = target - x;
            return (d < 0 ? -1 : 1) * std::pow(std::abs(d), p.alpha);
        };
        double supply = 1;
        if (!s.crescendo && open > 0)
            supply = 1 / (1 + p.throughFlowLoad * open * p.releaseRate *
                                  std::abs(drive(p.releaseTarget)));
        auto sag = [&](double target) {
            return p.releaseTarget + (target - p.releaseTarget) * supply;
        };
        double w = s.crescendo ? supply * p.crescendoRate * drive(sag(p.crescendoTarget))
                               : p.releaseRate * drive(p.releaseTarget);
        // (A shut valve adds nothing: no drive computed for it.)
        if (open > 0) w += supply * p.sforzandoRate * open * drive(sag(p.sforzandoTarget));
        if (cancel > 0) w += p.sforzandoAssistRate * cancel * drive(p.releaseTarget);
        s.velocity =
            w + (s.velocity - w) * decay(p.inertiaMs, factors ? &factors->inertia : nullptr);
        double moved = x + s.velocity * dt;
        if (s.engaged) {
            const double bound =
                s.above ? p.mezzoForte - kStopHalfWidth : p.mezzoForte + kStopHalfWidth;
            if (s.above ? moved < bound : moved > bound) {
                moved = bound;
                s.velocity =
                    std::abs(s.velocity) > kReboundFloor ? -p.stopRestitution * s.velocity : 0;
            }
        }
        if (moved <= 0 || moved >= 1) {
            moved = std::clamp(moved, 0.0, 1.0);
            s.velocity = 0;
        }
        s.x = moved;
    }

    PneumaticParameters m_p;
    StepFactors m_factors[2];
    double m_mapSlope = 0;  // the velocity map's steepest slope, velocity units per travel
    Ports m_ports[2];
    HalfState m_state[2];
    double m_now = 0;
};

}  // namespace

std::unique_ptr<Emulator> MakePneumaticEmulator(const PneumaticParameters& parameters) {
    return std::make_unique<PneumaticEmulator>(parameters);
}

}  // namespace rollscribe
