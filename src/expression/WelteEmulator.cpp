// The Welte-Mignon's expression: a level for each half, moved at constant rates by the
// crescendo and sforzando holes, held by the mezzo-forte hook. Between two control holes the
// rate is constant, so the level is a straight line up to a limit: it is computed exactly.
#include <algorithm>

#include "expression/Emulator.h"

namespace rollscribe {

namespace {

class WelteEmulator final : public Emulator {
  public:
    explicit WelteEmulator(const WelteParameters& p)
        : m_p(p),
          m_slow(p.SlowRate()),
          m_fastCrescendo(p.FastCrescendoRate()),
          m_fastDecrescendo(p.FastDecrescendoRate()) {
        for (State& half : m_halves) half.level = p.piano;
    }

    void AdvanceTo(double seconds, std::vector<LevelBreak>* breaks) override {
        double dt = seconds - m_now;
        if (!(dt > 0)) return;
        for (int h = 0; h < 2; ++h) Move(static_cast<Half>(h), dt, breaks);
        m_now = seconds;
    }

    void Hole(const ControlHole& hole, bool open) override {
        State& half = m_halves[static_cast<int>(hole.side)];
        const bool hooked = Hooked(half);
        const int step = open ? 1 : -1;
        switch (hole.action) {
            case HoleAction::mezzoForteOn:
                if (open) half.hookLatched = true;
                break;
            case HoleAction::mezzoForteOff:
                if (open) half.hookLatched = false;
                break;
            case HoleAction::mezzoForte:
                half.hookHeld += step;
                break;
            case HoleAction::crescendoOn:
                if (open) half.crescendoLatched = true;
                break;
            case HoleAction::crescendoOff:
                if (open) half.crescendoLatched = false;
                break;
            case HoleAction::crescendo:
                half.crescendoHeld += step;
                break;
            case HoleAction::fastCrescendo:
                half.fastCrescendo += step;
                break;
            case HoleAction::fastDecrescendo:
                half.fastDecrescendo += step;
                break;
            default:
                break;
        }
        // The hook engages on the side of mf the level is on; at mf, the side it came from.
        if (!hooked && Hooked(half))
            half.hookAbove = half.level > m_p.mezzoForte ||
                             (half.level == m_p.mezzoForte && half.lastFalling);
    }

    LevelPiece Piece() const override {
        LevelPiece piece;
        piece.start = m_now;
        for (int h = 0; h < 2; ++h) {
            const State& s = m_halves[h];
            const Motion m = MotionOf(s);
            piece.level[h] = s.level + (h == static_cast<int>(Half::bass) ? m_p.bassOffset : 0);
            piece.rate[h] = m.rate;
            if (m.rate != 0)
                piece.until = std::min(piece.until, m_now + (m.limit - s.level) / m.rate);
        }
        return piece;
    }

  private:
    struct State {
        double level = 0;
        bool hookLatched = false;
        int hookHeld = 0;
        bool crescendoLatched = false;
        int crescendoHeld = 0;
        int fastCrescendo = 0;
        int fastDecrescendo = 0;
        bool hookAbove = false;    // the side of mf the hook keeps the level on
        bool lastFalling = false;  // whether the level last moved down
    };
    static bool Hooked(const State& s) { return s.hookLatched || s.hookHeld > 0; }

    // How a half's level moves now: its rate and the limit where it stops (rate 0: it stays).
    struct Motion {
        double rate;
        double limit;
    };
    Motion MotionOf(const State& s) const {
        const bool slow = s.crescendoLatched || s.crescendoHeld > 0;
        const bool fastUp = s.fastCrescendo > 0;
        const bool fastDown = s.fastDecrescendo > 0;
        const bool hook = Hooked(s);
        double rate;
        if (!slow && !fastUp && !fastDown)
            rate = -m_slow;  // the resting slow decrescendo
        else
            rate = (slow ? m_slow : 0) + (fastUp ? m_fastCrescendo : 0) -
                   (fastDown ? m_fastDecrescendo : 0);
        const double v = s.level;
        double limit = v;
        if (rate > 0) {
            limit = m_p.forte;
            // A slow crescendo alone rises no higher than loud (and holds a level above it).
            if (slow && !fastUp && !fastDown) limit = std::min(limit, std::max(v, m_p.loud));
            // The hook keeps a level below mf from rising past it ...
            if (hook && !s.hookAbove) limit = std::min(limit, std::max(v, m_p.mezzoForte));
        } else if (rate < 0) {
            limit = m_p.piano;
            // ... and one above from falling past it.
            if (hook && s.hookAbove) limit = std::max(limit, std::min(v, m_p.mezzoForte));
        }
        if (limit == v) rate = 0;
        return {rate, limit};
    }

    // The level moves at its rate for dt seconds, up to the limit in its way, where it stops.
    void Move(Half which, double dt, std::vector<LevelBreak>* breaks) {
        State& s = m_halves[static_cast<int>(which)];
        const Motion m = MotionOf(s);
        if (m.rate == 0) return;
        s.lastFalling = m.rate < 0;
        const double v = s.level;
        const double moved = v + m.rate * dt;
        if (m.rate > 0 ? moved < m.limit : moved > m.limit) {
            s.level = moved;
            return;
        }
        s.level = m.limit;
        if (breaks) breaks->push_back({m_now + (m.limit - v) / m.rate, which, Level(which)});
    }

    WelteParameters m_p;
    double m_slow, m_fastCrescendo, m_fastDecrescendo;
    State m_halves[2];
    double m_now = 0;
};

}  // namespace

std::unique_ptr<Emulator> MakeWelteEmulator(const WelteParameters& parameters) {
    return std::make_unique<WelteEmulator>(parameters);
}

}  // namespace rollscribe
