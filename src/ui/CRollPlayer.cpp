#include "ui/CRollPlayer.h"

#include <algorithm>
#include <utility>

#include "ui/SoundFontSink.h"

namespace rollscribe {

CRollPlayer::CRollPlayer(PlaybackOptions options)
    : m_soundFont(std::make_unique<SoundFontSink>(std::move(options))), m_timer(this) {
    Bind(wxEVT_TIMER, &CRollPlayer::OnTimer, this);
}

CRollPlayer::~CRollPlayer() {
    m_timer.Stop();
}

PlaybackSink& CRollPlayer::Output() const noexcept {
    return m_live ? *m_live : static_cast<PlaybackSink&>(*m_soundFont);
}

const std::string& CRollPlayer::SoundFont() const noexcept {
    return m_soundFont->SoundFont();
}

bool CRollPlayer::AnyPreparing() const noexcept {
    return m_soundFont->Preparing() || (m_live && m_live->Preparing());
}

void CRollPlayer::UseLiveOutput(std::unique_ptr<PlaybackSink> output) {
    Stop();
    m_live = std::move(output);
}

void CRollPlayer::Play(const std::string& midiPath) {
    Stop();
    m_midiPath = midiPath;
    if (Output().Ready()) {
        StartPlaying();
        return;
    }
    Output().Prepare();
    m_starting = true;
    m_timer.Start(kPollMilliseconds);
}

void CRollPlayer::StartPlaying() {
    Output().Play(m_midiPath, m_position);
    m_playing = true;
    m_timer.Start(kPollMilliseconds);
}

void CRollPlayer::Stop() noexcept {
    m_starting = false;
    // A load goes on, so that the next play need not wait for it again.
    if (!AnyPreparing()) m_timer.Stop();
    if (!m_playing) return;
    m_playing = false;
    Output().Stop();
    m_position = Output().CurrentTick();
}

std::int64_t CRollPlayer::Position() const noexcept {
    return m_playing ? Output().CurrentTick() : m_position;
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

void CRollPlayer::PollPreparing(PlaybackSink& output) {
    if (!output.Preparing()) return;
    std::exception_ptr failure;
    try {
        if (!output.Prepared()) return;
    } catch (...) {
        failure = std::current_exception();
    }
    // Nobody waits (the play was stopped, or goes to another output): a failure is told when the
    // next play tries again.
    if (&output != &Output() || !std::exchange(m_starting, false)) return;
    if (!failure) {
        try {
            StartPlaying();
            return;
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (m_failureListener) m_failureListener(failure);
}

void CRollPlayer::OnTimer(wxTimerEvent& event) {
    (void)event;
    PollPreparing(*m_soundFont);
    if (m_live) PollPreparing(*m_live);
    if (!m_playing) {
        if (!AnyPreparing() && !m_starting) m_timer.Stop();
        return;
    }
    PlaybackSink& output = Output();
    if (output.IsPlaying()) {
        if (m_listener) m_listener(output.CurrentTick(), false);
        return;
    }
    if (!AnyPreparing()) m_timer.Stop();
    m_playing = false;
    output.Stop();
    // A play cut short (its port gone) stays where it stopped, and says why.
    if (const std::exception_ptr failure = output.Failure()) {
        m_position = output.CurrentTick();
        if (m_failureListener) m_failureListener(failure);
        return;
    }
    // The end: the next play starts from the beginning.
    m_position = 0;
    if (m_listener) m_listener(output.TotalTicks(), true);
}

}  // namespace rollscribe
