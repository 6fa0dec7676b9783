// The Duo-Art's expression: an accompaniment step and a theme step (0 to 15), each the sum of
// its open power holes; a note plays at the accompaniment's pressure, or, struck while its half's
// snakebite is open, at the larger of the theme's and the accompaniment's. Nothing moves
// between control holes.
#include <algorithm>

#include "expression/Emulator.h"

namespace rollscribe {

namespace {

class DuoArtEmulator final : public Emulator {
  public:
    explicit DuoArtEmulator(const DuoArtParameters& p) : m_p(p) {}

    void AdvanceTo(double, std::vector<LevelBreak>*) override {}

    void Hole(const ControlHole& hole, bool open) override {
        const int step = open ? 1 : -1;
        switch (hole.action) {
            case HoleAction::accompaniment:
                m_accompaniment.Change(hole.value, step, m_p.holdLastStep);
                break;
            case HoleAction::theme:
                m_theme.Change(hole.value, step, m_p.holdLastStep);
                break;
            case HoleAction::snakebite:
                m_snakebite[static_cast<int>(hole.side)] += step;
                break;
            default:
                break;
        }
    }

    LevelPiece Piece() const override {
        LevelPiece piece;
        for (int h = 0; h < 2; ++h) piece.level[h] = VelocityOf(static_cast<Half>(h));
        return piece;
    }

  private:
    double VelocityOf(Half half) const {
        double pressure = m_p.accompanimentPressures[m_accompaniment.step];
        if (m_snakebite[static_cast<int>(half)] > 0)
            pressure = std::max(pressure, m_p.themePressures[m_theme.step]);
        for (const VelocityPiece& piece : m_p.velocity)
            if (pressure <= piece.upTo) return piece.slope * pressure + piece.offset;
        return m_p.velocity.back().slope * pressure + m_p.velocity.back().offset;
    }

    // A group of power holes: its step is the sum of the values of its open holes; while none
    // is open, the last step (or 0).
    struct Group {
        int open = 0;
        int sum = 0;
        std::size_t step = 0;
        void Change(int value, int by, bool hold) {
            open += by;
            sum += by * value;
            if (open > 0)
                step = static_cast<std::size_t>(sum);
            else if (!hold)
                step = 0;
        }
    };

    DuoArtParameters m_p;
    Group m_accompaniment, m_theme;
    int m_snakebite[2] = {0, 0};
};

}  // namespace

std::unique_ptr<Emulator> MakeDuoArtEmulator(const DuoArtParameters& parameters) {
    return std::make_unique<DuoArtEmulator>(parameters);
}

}  // namespace rollscribe
