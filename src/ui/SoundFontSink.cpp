#include "ui/SoundFontSink.h"

#include <utility>

#include "audio/SoundFontLoad.h"
#include "platform/CString.h"

namespace rollscribe {

SoundFontSink::SoundFontSink(PlaybackOptions options) : m_playback(std::move(options)) {}

SoundFontSink::~SoundFontSink() = default;

void SoundFontSink::Prepare() {
    if (!m_load) m_load = std::make_unique<SoundFontLoad>(m_playback.Options());
}

bool SoundFontSink::Prepared() {
    if (!m_load) return true;
    if (!m_load->Done()) return false;
    const std::unique_ptr<SoundFontLoad> load = std::move(m_load);
    m_playback.Adopt(load->Take());
    return true;
}

void SoundFontSink::Play(const std::string& midiPath, std::int64_t tick) {
    m_playback.Play(CString(midiPath), tick);
}

}  // namespace rollscribe
