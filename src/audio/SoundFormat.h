#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "roll/OutputNames.h"

namespace rollscribe {

// The sound file formats: WAV (PCM), FLAC (lossless, a fifth to a half of the size) and Ogg
// Vorbis (lossy, smaller still). Here alone, without the sound code, so that the converter can name
// them without loading it.
enum class SoundFormat { wav, flac, ogg };

// The format named in any letter case: "wav", "flac" or "ogg"; none for another name.
inline std::optional<SoundFormat> SoundFormatNamed(std::string_view name) {
    std::string lower(name);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower == "wav") return SoundFormat::wav;
    if (lower == "flac") return SoundFormat::flac;
    if (lower == "ogg") return SoundFormat::ogg;
    return std::nullopt;
}

// The extension of a roll's sound file in a format (OutputNames.h): ".wav", ".flac", ".ogg".
inline std::string_view SoundOutputExtension(SoundFormat format) {
    switch (format) {
        case SoundFormat::flac:
            return kFlacExtension;
        case SoundFormat::ogg:
            return kOggExtension;
        case SoundFormat::wav:
            break;
    }
    return kWavExtension;
}

// What a file of the format is called in messages: "WAV file", "FLAC file", "Ogg file".
inline const char* SoundFileWord(SoundFormat format) {
    switch (format) {
        case SoundFormat::flac:
            return "FLAC file";
        case SoundFormat::ogg:
            return "Ogg file";
        case SoundFormat::wav:
            break;
    }
    return "WAV file";
}

}  // namespace rollscribe
