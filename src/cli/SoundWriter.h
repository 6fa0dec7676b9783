#pragma once

#include "audio/SoundFormat.h"
#include "conversion/OutputWriter.h"

namespace rollscribe {

class RendererPool;

// Renders a converted roll's sound file, TITLE_BAR_e.wav (.flac, .ogg) beside its MIDI file,
// from the MIDI file, or from the expression file when the expression was asked for (none
// without it: the plain MIDI file would sound else). The renderers are the pool's, shared by
// every worker thread.
class SoundWriter final : public OutputWriter {
  public:
    SoundWriter(RendererPool& renderers, SoundFormat format)
        : m_renderers(renderers), m_format(format) {}

    CString PathFor(const ConvertedRoll& roll) const override;
    void Write(const ConvertedRoll& roll, const CString& path) override;
    std::string Failure(const std::exception_ptr& error,
                        const std::string& rollPath) const override;

  private:
    RendererPool& m_renderers;
    SoundFormat m_format;
};

}  // namespace rollscribe
