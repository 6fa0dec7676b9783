#include "picture/NoteNames.h"

namespace rollscribe {

namespace {

constexpr const char* kPitchNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                         "F#", "G",  "G#", "A",  "A#", "B"};

}  // namespace

std::string NoteName(std::int32_t note) {
    if (note < 0 || note > 127) return {};
    return std::string(kPitchNames[note % 12]) + std::to_string(note / 12 - 1);
}

std::string NoteLabel(std::int32_t note) {
    std::string label = std::to_string(note);
    std::string name = NoteName(note);
    if (!name.empty()) label += " " + name;
    return label;
}

bool IsBlackKey(std::int32_t note) noexcept {
    if (note < 0) return false;
    switch (note % 12) {
        case 1:
        case 3:
        case 6:
        case 8:
        case 10:
            return true;
        default:
            return false;
    }
}

}  // namespace rollscribe
