#pragma once

#include "conversion/ConversionSettings.h"
#include "conversion/OutputWriter.h"

namespace rollscribe {

// The writers of a converted roll's picture and sound file. The converter holds no picture or
// sound code: a module built with Cairo and FluidSynth implements this, and the converter opens
// it only when those outputs are asked for (RollOutputsModule.h), so that a plain conversion
// never loads those libraries. Its writers serve every worker thread at once.
class RollOutputs : public OutputWriters {
  public:
    explicit RollOutputs(const ConversionSettings& settings) : m_settings(settings) {}
    RollOutputs(const RollOutputs&) = delete;
    RollOutputs& operator=(const RollOutputs&) = delete;

    // What is written.
    const ConversionSettings& Settings() const noexcept { return m_settings; }

    // With audio, loads the sound font before any roll is converted. Returns why it cannot be
    // used, "sound font PATH: reason" (PATH as the user named it), or "" when it can, or when
    // memory is too short to tell (then each roll says that it is).
    virtual std::string CheckSoundFont() = 0;

    // How far the sound files being rendered now are, in files (0 to one per thread).
    virtual double PartInProgress() const = 0;

  private:
    ConversionSettings m_settings;
};

// The module's one entry point, by this name: makes the outputs for the settings, or returns
// null when the module was built for another revision of this interface.
inline constexpr int kRollOutputsRevision = 4;
inline constexpr const char* kMakeRollOutputsSymbol = "rollscribe_make_roll_outputs";
using MakeRollOutputs = RollOutputs* (*)(const ConversionSettings& settings, int revision);

}  // namespace rollscribe
