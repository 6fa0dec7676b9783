#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/BatchConverter.h"
#include "picture/PictureFiles.h"

class CRollscribeDoc;

namespace rollscribe {

class RendererPool;

// What is written beside each MIDI file besides it.
struct CompanionSettings {
    std::optional<PictureFormat> picture;  // the roll's picture, TITLE_BAR_e.FORMAT
    PictureOptions pictureOptions;         // its density and lane height
    bool audio = false;                    // the WAV file TITLE_BAR_e.wav
    std::string soundFont;                 // for the WAV file; empty for the system's default
};

// Writes a converted roll's picture and WAV file beside its MIDI file, on the worker thread that
// converted it: the picture from the roll's document, the WAV file from the MIDI file just
// written. Each is written atomically. When one cannot be written, the MIDI file stays, the
// roll's result is marked failed and a message says why; the other is still written.
class CompanionOutputs {
  public:
    explicit CompanionOutputs(const CompanionSettings& settings);
    ~CompanionOutputs();
    CompanionOutputs(const CompanionOutputs&) = delete;
    CompanionOutputs& operator=(const CompanionOutputs&) = delete;

    // With --audio, loads the sound font before any roll is converted. Returns why it cannot be
    // used, "sound font PATH: reason" (PATH as the user named it), or "" when it can, or when
    // memory is too short to tell (then each roll says that it is).
    std::string CheckSoundFont();

    // Adds the step that writes the outputs, and their JSON keys ("picture", "audio"), to a
    // batch. This object must outlive the batch's conversions.
    void AddTo(BatchSettings& batch);

    // The step itself, for a roll whose MIDI file was written.
    void Write(const CRollscribeDoc& doc, const RollInput& input, RollResult& result);

    // How far the WAV files being rendered now are, in files (0 to one per thread).
    double PartInProgress() const;

  private:
    CompanionSettings m_settings;
    std::unique_ptr<RendererPool> m_renderers;
};

}  // namespace rollscribe
