#pragma once

#include <string>

#include "conversion/ConversionSettings.h"

namespace rollscribe {

// How the desktop program converts the rolls it opens (Roll > Expression, Roll System, Output
// Folder); kept across restarts.
struct ConversionChoice {
    // Whether the expression file is written with the MIDI file, played and shown.
    bool expression = false;
    // The roll system: empty for the one the roll type names, a profile's name (kProfileNames)
    // or a profile file's path (its bytes).
    std::string profile;
    // The folder the outputs go to (its bytes); empty for beside the roll.
    std::string outputFolder;

    bool operator==(const ConversionChoice&) const = default;

    // The conversion settings it makes: neither a picture nor a sound file is written with a
    // roll here.
    ConversionSettings Settings() const {
        ConversionSettings settings;
        settings.outputFolder = outputFolder;
        settings.expression = expression;
        settings.profile = profile;
        return settings;
    }
};

}  // namespace rollscribe
