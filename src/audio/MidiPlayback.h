#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "audio/SynthSession.h"
#include "platform/CString.h"

namespace rollscribe {

// Where the sound of a playback goes.
enum class AudioOutput {
    device,  // the system's audio output, through FluidSynth's audio driver
    none,    // nowhere: a clock thread renders in real time into nothing (for tests, or a
             // machine without sound where the cursor should still run)
};

struct PlaybackOptions : SoundOptions {
    AudioOutput output = AudioOutput::device;
    // FluidSynth's audio driver ("pulseaudio", "alsa", ...); empty for its own choice.
    std::string audioDriver;
    // How fast the silent output's clock runs against real time (1: real time).
    double silentSpeed = 1.0;
};

// Plays a MIDI file live, with a position for a cursor. The synthesizer and its sound font are
// made at the first Play and kept, or made beforehand (by a SoundFontLoad) and handed over. Every
// call is made from one thread (the GUI's); the sound is made on the audio driver's or the clock's
// own thread.
class MidiPlayback {
  public:
    explicit MidiPlayback(PlaybackOptions options = {});
    ~MidiPlayback();
    MidiPlayback(const MidiPlayback&) = delete;
    MidiPlayback& operator=(const MidiPlayback&) = delete;

    const PlaybackOptions& Options() const noexcept { return m_options; }
    // Whether the sound font has been loaded.
    bool HasSoundFont() const noexcept { return m_session != nullptr; }
    // Takes a session loaded with Options() in place of any made before, stopping what played.
    // Throws AudioError when the audio driver of the options does not exist; the playback then
    // has no session.
    void Adopt(std::unique_ptr<SynthSession> session);

    // Plays a MIDI file from a tick on, stopping what played before. Throws CFileException or
    // CException naming a sound font or MIDI file that cannot be used, and AudioError when no
    // audio output can be opened; nothing plays then.
    void Play(const CString& midiPath, std::int64_t startTick = 0);
    // Stops the sound at once; the position stays where it was.
    void Stop() noexcept;
    // Whether the file is playing: false after Stop and once its end is reached.
    bool IsPlaying() const noexcept;
    // The position in MIDI ticks (480 a quarter note in the roll's files), for a cursor.
    std::int64_t CurrentTick() const noexcept;
    std::int64_t TotalTicks() const noexcept;

  private:
    void RunSilentClock();

    PlaybackOptions m_options;
    std::unique_ptr<SynthSession> m_session;
    fluid_audio_driver_t* m_driver = nullptr;
    std::thread m_clock;
    std::atomic<bool> m_clockRunning{false};
    std::int64_t m_lastTick = 0;
    std::int64_t m_lastTotal = 0;
};

}  // namespace rollscribe
