#pragma once

#include <optional>
#include <string>

#include "audio/SoundFormat.h"
#include "picture/PictureFormat.h"

namespace rollscribe {

// How rolls are converted: where their outputs go and which outputs are written besides the
// MIDI file. Each program keeps one (the converter's from its command line, the desktop's from
// its Roll menu); its conversion job reads it for every roll.
struct ConversionSettings {
    // The folder the outputs go to; empty for beside each roll.
    std::string outputFolder;
    // Whether the folder (and the folders above it) is made when missing, once a roll has been
    // read and before its outputs are written.
    bool createOutputFolder = false;
    // Whether the expression file is written with the MIDI file, with this roll system: empty
    // for the one the roll type names, a profile's name or a profile file's path.
    bool expression = false;
    std::string profile;
    // The roll's picture, TITLE_BAR_e.FORMAT, and its density: pixels (PDF: points) an inch.
    std::optional<PictureFormat> picture;
    double pixelsPerInch = 40;
    // The sound file TITLE_BAR_e.wav (.flac, .ogg), rendered with this sound font (empty: the
    // system's default).
    bool audio = false;
    SoundFormat audioFormat = SoundFormat::wav;
    std::string soundFont;

    // Whether a picture or a sound file is asked for: the outputs of the converter's module.
    bool PictureOrSound() const noexcept { return picture || audio; }

    bool operator==(const ConversionSettings&) const = default;
};

}  // namespace rollscribe
