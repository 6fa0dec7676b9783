#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

#include "audio/SoundFormat.h"
#include "picture/PictureFormat.h"

class CRollscribeDoc;

namespace rollscribe {

class ExpressionOutput;
struct RollInput;
struct RollResult;

// Said after an output that was not written: the file at its path, if any, is an earlier run's
// and does not go with the new MIDI file. Empty when there is no such file.
inline std::string EarlierOutputNote(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return "; " + path + " is from an earlier run";
}

// The outputs asked for besides each MIDI file.
struct RollOutputSettings {
    std::optional<PictureFormat> picture;  // the roll's picture, TITLE_BAR_e.FORMAT
    double pixelsPerInch = 40;             // its density: pixels (PDF: points) an inch of roll
    bool audio = false;                    // the sound file TITLE_BAR_e.wav (.flac, .ogg)
    SoundFormat audioFormat = SoundFormat::wav;
    std::string soundFont;  // for the WAV file; empty for the system's default

    bool Any() const noexcept { return picture || audio; }
};

// Writes a converted roll's picture and sound files. The converter holds no picture or sound
// code: a module built with Cairo and FluidSynth implements this, and the converter opens it
// only when those outputs are asked for (RollOutputsModule.h), so that a plain conversion never
// loads those libraries.
class RollOutputs {
  public:
    explicit RollOutputs(const RollOutputSettings& settings) : m_settings(settings) {}
    virtual ~RollOutputs() = default;
    RollOutputs(const RollOutputs&) = delete;
    RollOutputs& operator=(const RollOutputs&) = delete;

    // What is written.
    const RollOutputSettings& Settings() const noexcept { return m_settings; }

    // With audio, loads the sound font before any roll is converted. Returns why it cannot be
    // used, "sound font PATH: reason" (PATH as the user named it), or "" when it can, or when
    // memory is too short to tell (then each roll says that it is).
    virtual std::string CheckSoundFont() = 0;

    // Writes the outputs of a roll whose MIDI file was written, on the worker thread that
    // converted it, each atomically, and names in result.picture and result.audio the files
    // written. One that cannot be written marks the result failed with a message why; the MIDI
    // file and the other outputs stay written. expression: the roll's expression output when
    // --expression was given (its results kept for a picture), else null; the sound is then
    // rendered from its file, and the picture shows it.
    virtual void Write(const CRollscribeDoc& doc, const RollInput& input, RollResult& result,
                       const ExpressionOutput* expression) = 0;

    // How far the sound files being rendered now are, in files (0 to one per thread).
    virtual double PartInProgress() const = 0;

  private:
    RollOutputSettings m_settings;
};

// The module's one entry point, by this name: makes the outputs for the settings, or returns
// null when the module was built for another revision of this interface.
inline constexpr int kRollOutputsRevision = 3;
inline constexpr const char* kMakeRollOutputsSymbol = "rollscribe_make_roll_outputs";
using MakeRollOutputs = RollOutputs* (*)(const RollOutputSettings& settings, int revision);

}  // namespace rollscribe
