#include "audio/MidiPlayback.h"

#include <chrono>
#include <vector>

#include "audio/AudioError.h"

namespace rollscribe {

namespace {

constexpr int kClockFrames = 512;  // about 12 ms a block

}  // namespace

MidiPlayback::MidiPlayback(PlaybackOptions options) : m_options(std::move(options)) {
    if (!(m_options.silentSpeed > 0)) m_options.silentSpeed = 1.0;
}

MidiPlayback::~MidiPlayback() {
    Stop();
}

void MidiPlayback::Play(const CString& midiPath, std::int64_t startTick) {
    Stop();
    if (!m_session) Adopt(std::make_unique<SynthSession>(m_options));
    m_session->StartPlayer(midiPath, startTick);
    m_lastTick = startTick;
    m_lastTotal = 0;
    if (m_options.output == AudioOutput::device) {
        TakeFluidSynthErrors();
        m_driver = new_fluid_audio_driver(m_session->Settings(), m_session->Synth());
        if (!m_driver) {
            const std::string errors = TakeFluidSynthErrors();
            m_session->StopPlayer();
            throw AudioError("no audio output could be opened" +
                             (errors.empty() ? std::string() : ": " + errors));
        }
    } else {
        m_clockRunning = true;
        m_clock = std::thread(&MidiPlayback::RunSilentClock, this);
    }
}

void MidiPlayback::Adopt(std::unique_ptr<SynthSession> session) {
    Stop();
    m_session = std::move(session);
    if (m_session && m_options.output == AudioOutput::device && !m_options.audioDriver.empty() &&
        fluid_settings_setstr(m_session->Settings(), "audio.driver",
                              m_options.audioDriver.c_str()) != FLUID_OK) {
        m_session.reset();
        throw AudioError("no audio output could be opened: this system has no audio driver \"" +
                         m_options.audioDriver + "\"");
    }
}

void MidiPlayback::RunSilentClock() {
    std::vector<std::int16_t> block(2 * kClockFrames);
    const auto start = std::chrono::steady_clock::now();
    const double blockSeconds =
        static_cast<double>(kClockFrames) / kSampleRate / m_options.silentSpeed;
    for (std::uint64_t n = 1; m_clockRunning.load(std::memory_order_relaxed); ++n) {
        m_session->Render(block.data(), kClockFrames);
        std::this_thread::sleep_until(
            start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(blockSeconds * static_cast<double>(n))));
    }
}

void MidiPlayback::Stop() noexcept {
    if (!m_session) return;
    // The sound's thread ends first: the player is not removed under it.
    if (m_driver) {
        delete_fluid_audio_driver(m_driver);
        m_driver = nullptr;
    }
    if (m_clock.joinable()) {
        m_clockRunning = false;
        m_clock.join();
    }
    if (m_session->Player()) {
        m_lastTick = m_session->CurrentTick();
        m_lastTotal = m_session->TotalTicks();
    }
    m_session->StopPlayer();
}

bool MidiPlayback::IsPlaying() const noexcept {
    return m_session && m_session->PlayerPlaying();
}

std::int64_t MidiPlayback::CurrentTick() const noexcept {
    return m_session && m_session->Player() ? m_session->CurrentTick() : m_lastTick;
}

std::int64_t MidiPlayback::TotalTicks() const noexcept {
    return m_session && m_session->Player() ? m_session->TotalTicks() : m_lastTotal;
}

}  // namespace rollscribe
