#include "expression/RollProfile.h"

#include <algorithm>

namespace rollscribe {

namespace {

struct ActionEntry {
    HoleAction action;
    std::string_view name;
};

constexpr ActionEntry kActions[] = {
    {HoleAction::none, "none"},
    {HoleAction::rewind, "rewind"},
    {HoleAction::sustain, "sustain"},
    {HoleAction::sustainOn, "sustain_on"},
    {HoleAction::sustainOff, "sustain_off"},
    {HoleAction::soft, "soft"},
    {HoleAction::softOn, "soft_on"},
    {HoleAction::softOff, "soft_off"},
    {HoleAction::mezzoForte, "mezzo_forte"},
    {HoleAction::mezzoForteOn, "mezzo_forte_on"},
    {HoleAction::mezzoForteOff, "mezzo_forte_off"},
    {HoleAction::crescendo, "crescendo"},
    {HoleAction::crescendoOn, "crescendo_on"},
    {HoleAction::crescendoOff, "crescendo_off"},
    {HoleAction::fastCrescendo, "fast_crescendo"},
    {HoleAction::fastDecrescendo, "fast_decrescendo"},
    {HoleAction::accompaniment, "accompaniment"},
    {HoleAction::theme, "theme"},
    {HoleAction::snakebite, "snakebite"},
    {HoleAction::intensity, "intensity"},
    {HoleAction::cancel, "cancel"},
    {HoleAction::amplifier, "amplifier"},
};

struct ModelEntry {
    ExpressionModel model;
    std::string_view name;
};

constexpr ModelEntry kModels[] = {
    {ExpressionModel::plain, "88-note"},    {ExpressionModel::welte, "welte"},
    {ExpressionModel::duoArt, "duo-art"},   {ExpressionModel::ampicoA, "ampico-a"},
    {ExpressionModel::ampicoB, "ampico-b"}, {ExpressionModel::weltePneumatic, "welte-pneumatic"},
};

}  // namespace

std::string_view ActionName(HoleAction action) noexcept {
    for (const ActionEntry& entry : kActions)
        if (entry.action == action) return entry.name;
    return "none";
}

bool ActionOfName(std::string_view name, HoleAction& action) noexcept {
    for (const ActionEntry& entry : kActions) {
        if (entry.name == name) {
            action = entry.action;
            return true;
        }
    }
    return false;
}

bool ActionHasSide(HoleAction action) noexcept {
    switch (action) {
        case HoleAction::mezzoForte:
        case HoleAction::mezzoForteOn:
        case HoleAction::mezzoForteOff:
        case HoleAction::crescendo:
        case HoleAction::crescendoOn:
        case HoleAction::crescendoOff:
        case HoleAction::fastCrescendo:
        case HoleAction::fastDecrescendo:
        case HoleAction::snakebite:
        case HoleAction::intensity:
        case HoleAction::cancel:
            return true;
        default:
            return false;
    }
}

bool ActionHasValue(HoleAction action) noexcept {
    return action == HoleAction::accompaniment || action == HoleAction::theme ||
           action == HoleAction::intensity;
}

bool ModelUsesAction(ExpressionModel model, HoleAction action) noexcept {
    switch (action) {
        case HoleAction::none:
        case HoleAction::rewind:
        case HoleAction::sustain:
        case HoleAction::sustainOn:
        case HoleAction::sustainOff:
        case HoleAction::soft:
        case HoleAction::softOn:
        case HoleAction::softOff:
            return true;
        case HoleAction::mezzoForte:
        case HoleAction::mezzoForteOn:
        case HoleAction::mezzoForteOff:
        case HoleAction::crescendoOn:
        case HoleAction::crescendoOff:
        case HoleAction::fastDecrescendo:
            return model == ExpressionModel::welte || model == ExpressionModel::weltePneumatic;
        case HoleAction::crescendo:
        case HoleAction::fastCrescendo:
            return model == ExpressionModel::welte || model == ExpressionModel::weltePneumatic ||
                   model == ExpressionModel::ampicoA || model == ExpressionModel::ampicoB;
        case HoleAction::accompaniment:
        case HoleAction::theme:
            return model == ExpressionModel::duoArt;
        case HoleAction::snakebite:
            return model == ExpressionModel::duoArt || model == ExpressionModel::plain;
        case HoleAction::intensity:
        case HoleAction::cancel:
            return model == ExpressionModel::ampicoA || model == ExpressionModel::ampicoB;
        case HoleAction::amplifier:
            return model == ExpressionModel::ampicoB;
    }
    return false;
}

std::string_view ModelName(ExpressionModel model) noexcept {
    for (const ModelEntry& entry : kModels)
        if (entry.model == model) return entry.name;
    return "88-note";
}

bool ModelOfName(std::string_view name, ExpressionModel& model) noexcept {
    for (const ModelEntry& entry : kModels) {
        if (entry.name == name) {
            model = entry.model;
            return true;
        }
    }
    return false;
}

std::string_view IntensitySetName(std::size_t set) noexcept {
    static constexpr std::string_view kNames[kIntensitySets] = {"none", "2",   "4",   "2+4",
                                                                "6",    "2+6", "4+6", "2+4+6"};
    return set < kIntensitySets ? kNames[set] : "";
}

const ControlHole* RollProfile::HoleOf(std::int32_t note) const noexcept {
    for (const ControlHole& hole : holes)
        if (hole.note == note) return &hole;
    return nullptr;
}

std::pair<std::int32_t, std::int32_t> RollProfile::ScanNoteRange() const noexcept {
    std::int32_t lowest = lowestNote, highest = highestNote;
    for (const ControlHole& hole : holes) {
        lowest = std::min(lowest, hole.note);
        highest = std::max(highest, hole.note);
    }
    const std::int32_t shift = kStandardFirstNote - trackerBar.firstNote;
    return {lowest + shift, highest + shift};
}

}  // namespace rollscribe
