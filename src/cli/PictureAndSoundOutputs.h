#pragma once

#include <memory>
#include <string>

#include "cli/RollOutputs.h"

namespace rollscribe {

class ProfileShelf;
class RendererPool;

// The picture-and-sound module's outputs: the picture from the roll's document, the WAV file
// from the MIDI file just written (or the expression file), each beside the MIDI file and written
// atomically. When one cannot be written, the MIDI file stays, the roll's result is marked failed
// and a message says why; the other is still written. The picture's lanes follow the tracker bar
// of the roll's system: the expression's profile, else the one its roll type names.
class PictureAndSoundOutputs final : public RollOutputs {
  public:
    explicit PictureAndSoundOutputs(const RollOutputSettings& settings);
    // Releases Cairo's and fontconfig's caches, kept for the whole run, for leak checkers.
    ~PictureAndSoundOutputs() override;

    std::string CheckSoundFont() override;
    void Write(const CRollscribeDoc& doc, const RollInput& input, RollResult& result,
               const ExpressionOutput* expression) override;
    double PartInProgress() const override;

  private:
    std::unique_ptr<RendererPool> m_renderers;
    std::unique_ptr<ProfileShelf> m_profiles;  // for the tracker bar without the expression
};

}  // namespace rollscribe
