#include "expression/Emulator.h"

namespace rollscribe {

namespace {

// 88-note rolls: one velocity, another for a note struck while its half's snakebite is open.
class PlainEmulator final : public Emulator {
  public:
    explicit PlainEmulator(const PlainParameters& p) : m_p(p) {}

    void AdvanceTo(double, std::vector<LevelBreak>*) override {}

    void Hole(const ControlHole& hole, bool open) override {
        if (hole.action == HoleAction::snakebite)
            m_snakebite[static_cast<int>(hole.side)] += open ? 1 : -1;
    }

    LevelPiece Piece() const override {
        LevelPiece piece;
        for (int h = 0; h < 2; ++h)
            piece.level[h] = m_snakebite[h] > 0 ? m_p.accentVelocity : m_p.velocity;
        return piece;
    }

  private:
    PlainParameters m_p;
    int m_snakebite[2] = {0, 0};
};

}  // namespace

std::unique_ptr<Emulator> MakePlainEmulator(const PlainParameters& parameters) {
    return std::make_unique<PlainEmulator>(parameters);
}

}  // namespace rollscribe
