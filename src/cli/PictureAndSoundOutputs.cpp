#include "cli/PictureAndSoundOutputs.h"

#include "audio/SynthSession.h"
#include "cli/RendererPool.h"
#include "picture/FontCaches.h"
#include "platform/CException.h"

namespace rollscribe {

PictureAndSoundOutputs::PictureAndSoundOutputs(const ConversionSettings& settings)
    : RollOutputs(settings) {
    if (settings.picture) m_picture.emplace(*settings.picture, settings.pixelsPerInch);
    if (settings.audio) {
        m_renderers = std::make_unique<RendererPool>(
            settings.soundFont.empty() ? std::string(kDefaultSoundFont) : settings.soundFont);
        m_sound.emplace(*m_renderers, settings.audioFormat);
    }
}

PictureAndSoundOutputs::~PictureAndSoundOutputs() {
    m_sound.reset();
    if (Settings().picture) ReleaseFontCaches();
}

OutputWriter* PictureAndSoundOutputs::WriterOf(OutputKind output) {
    if (output == OutputKind::picture && m_picture) return &*m_picture;
    if (output == OutputKind::sound && m_sound) return &*m_sound;
    return nullptr;
}

std::string PictureAndSoundOutputs::CheckSoundFont() {
    if (!m_renderers) return {};
    try {
        m_renderers->LoadFirst();
    } catch (const CException& e) {
        return "sound font " + e.Path() + ": " + e.Reason();
    }
    return {};
}

double PictureAndSoundOutputs::PartInProgress() const {
    return m_renderers ? m_renderers->PartInProgress() : 0.0;
}

}  // namespace rollscribe

// The module's entry point (RollOutputs.h).
extern "C" rollscribe::RollOutputs* rollscribe_make_roll_outputs(
    const rollscribe::ConversionSettings& settings, int revision) {
    if (revision != rollscribe::kRollOutputsRevision) return nullptr;
    return new rollscribe::PictureAndSoundOutputs(settings);
}
