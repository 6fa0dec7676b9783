#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/PictureWriter.h"
#include "cli/RollOutputs.h"
#include "cli/SoundWriter.h"

namespace rollscribe {

class RendererPool;

// The picture-and-sound module's outputs: the picture drawn from the roll's document, the sound
// file rendered from the MIDI file just written (or the expression file), each beside the MIDI
// file and written atomically.
class PictureAndSoundOutputs final : public RollOutputs {
  public:
    explicit PictureAndSoundOutputs(const ConversionSettings& settings);
    // Releases Cairo's and fontconfig's caches, kept for the whole run, for leak checkers.
    ~PictureAndSoundOutputs() override;

    OutputWriter* WriterOf(OutputKind output) override;
    std::string CheckSoundFont() override;
    double PartInProgress() const override;

  private:
    std::unique_ptr<RendererPool> m_renderers;
    std::optional<PictureWriter> m_picture;
    std::optional<SoundWriter> m_sound;
};

}  // namespace rollscribe
