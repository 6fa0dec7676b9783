#include "ui/CRollPlayer.h"

#include <algorithm>

#include "platform/CString.h"

namespace rollscribe {

CRollPlayer::CRollPlayer(PlaybackOptions options) : m_playback(std::move(options)), m_timer(this) {
    Bind(wxEVT_TIMER, &CRollPlayer::OnTimer, this);
}

CRollPlayer::~CRollPlayer() {
    m_timer.Stop();
}

void CRollPlayer::Play(const std::string& midiPath) {
    Stop();
    // The playback makes the synthesizer and loads its sound font once, at the first play.
    m_playback.Play(CString(midiPath), m_position);
    m_midiPath = midiPath;
    m_playing = true;
    m_timer.Start(kPollMilliseconds);
}

void CRollPlayer::Stop() noexcept {
    m_timer.Stop();
    if (!m_playing) return;
    m_playing = false;
    m_playback.Stop();
    m_position = m_playback.CurrentTick();
}

std::int64_t CRollPlayer::Position() const noexcept {
    return m_playing ? m_playback.CurrentTick() : m_position;
}

void CRollPlayer::SetPosition(std::int64_t tick) {
    const bool playing = m_playing;
    Stop();
    m_position = std::max<std::int64_t>(0, tick);
    if (playing) Play(m_midiPath);
}

void CRollPlayer::Reset() noexcept {
    Stop();
    m_position = 0;
    m_midiPath.clear();
}

void CRollPlayer::OnTimer(wxTimerEvent& event) {
    (void)event;
    if (!m_playing) return;
    if (m_playback.IsPlaying()) {
        if (m_listener) m_listener(m_playback.CurrentTick(), false);
        return;
    }
    // The end: the next play starts from the beginning.
    m_timer.Stop();
    m_playing = false;
    m_playback.Stop();
    m_position = 0;
    if (m_listener) m_listener(m_playback.TotalTicks(), true);
}

}  // namespace rollscribe
