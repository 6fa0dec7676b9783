#include "ui/CRollPlayer.h"

#include <algorithm>
#include <utility>

#include "audio/SoundFontLoad.h"
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
    m_midiPath = midiPath;
    if (m_playback.HasSoundFont()) {
        StartPlaying();
        return;
    }
    if (!m_load) m_load = std::make_unique<SoundFontLoad>(m_playback.Options());
    m_starting = true;
    m_timer.Start(kPollMilliseconds);
}

void CRollPlayer::StartPlaying() {
    m_playback.Play(CString(m_midiPath), m_position);
    m_playing = true;
    m_timer.Start(kPollMilliseconds);
}

void CRollPlayer::Stop() noexcept {
    m_starting = false;
    // A load goes on, so that the next play need not wait for it again.
    if (!m_load) m_timer.Stop();
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
    const bool starting = m_starting;
    Stop();
    m_position = std::max<std::int64_t>(0, tick);
    if (playing) StartPlaying();
    m_starting = starting;
}

void CRollPlayer::Reset() noexcept {
    Stop();
    m_position = 0;
    m_midiPath.clear();
}

void CRollPlayer::LoadEnded() {
    std::exception_ptr failure;
    try {
        m_playback.Adopt(m_load->Take());
    } catch (...) {
        failure = std::current_exception();
    }
    m_load.reset();
    if (!std::exchange(m_starting, false)) {
        // Nobody waits: a failure is told when the next play tries again.
        m_timer.Stop();
        return;
    }
    if (!failure) {
        try {
            StartPlaying();
            return;
        } catch (...) {
            failure = std::current_exception();
        }
    }
    m_timer.Stop();
    if (m_failureListener) m_failureListener(failure);
}

void CRollPlayer::OnTimer(wxTimerEvent& event) {
    (void)event;
    if (m_load) {
        if (m_load->Done()) LoadEnded();
        return;
    }
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
