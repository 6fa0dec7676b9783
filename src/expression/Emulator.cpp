#include "expression/Emulator.h"

namespace rollscribe {

std::unique_ptr<Emulator> MakeEmulator(const RollProfile& profile) {
    // (std::get throws std::bad_variant_access for parameters of another model's type.)
    const ModelParameters& p = profile.parameters;
    switch (profile.model) {
        case ExpressionModel::welte:
            return MakeWelteEmulator(std::get<WelteParameters>(p));
        case ExpressionModel::duoArt:
            return MakeDuoArtEmulator(std::get<DuoArtParameters>(p));
        case ExpressionModel::ampicoA:
            return MakeAmpicoAEmulator(std::get<AmpicoParameters>(p));
        case ExpressionModel::ampicoB:
            return MakeAmpicoBEmulator(std::get<AmpicoParameters>(p));
        case ExpressionModel::weltePneumatic:
            return MakePneumaticEmulator(std::get<PneumaticParameters>(p));
        case ExpressionModel::plain:
            break;
    }
    return MakePlainEmulator(std::get<PlainParameters>(p));
}

TableSlope VelocitySlope(const std::vector<VacuumVelocity>& table, double vacuum,
                         bool rising) noexcept {
    const double never = INFINITY;
    if (table.size() < 2) return {0, never};
    if (rising) {
        if (vacuum < table.front().vacuum) return {0, table.front().vacuum - vacuum};
        for (std::size_t i = 1; i < table.size(); ++i) {
            const VacuumVelocity& a = table[i - 1];
            const VacuumVelocity& b = table[i];
            if (vacuum < b.vacuum)
                return {(b.velocity - a.velocity) / (b.vacuum - a.vacuum), b.vacuum - vacuum};
        }
        return {0, never};
    }
    if (vacuum > table.back().vacuum) return {0, vacuum - table.back().vacuum};
    for (std::size_t i = table.size() - 1; i > 0; --i) {
        const VacuumVelocity& a = table[i - 1];
        const VacuumVelocity& b = table[i];
        if (vacuum > a.vacuum)
            return {(b.velocity - a.velocity) / (b.vacuum - a.vacuum), vacuum - a.vacuum};
    }
    return {0, never};
}

void AddTableBreaks(const std::vector<VacuumVelocity>& table, Half half, double seconds,
                    double duration, double v0, double v1, std::vector<LevelBreak>& breaks) {
    if (v0 == v1) return;
    auto add = [&](const VacuumVelocity& entry) {
        double at = seconds + duration * (entry.vacuum - v0) / (v1 - v0);
        breaks.push_back({at, half, entry.velocity});
    };
    if (v0 < v1) {
        for (const VacuumVelocity& entry : table)
            if (entry.vacuum > v0 && entry.vacuum < v1) add(entry);
    } else {
        for (auto it = table.rbegin(); it != table.rend(); ++it)
            if (it->vacuum < v0 && it->vacuum > v1) add(*it);
    }
}

}  // namespace rollscribe
