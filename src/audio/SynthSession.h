#pragma once

#include <fluidsynth.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/CString.h"

namespace rollscribe {

// The default General MIDI sound font of Debian systems (fluid-soundfont-gm, timgm6mb-soundfont).
inline constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// The sample rate of everything rendered and played.
inline constexpr int kSampleRate = 44100;

// What the sound is made with.
struct SoundOptions {
    std::string soundFont = kDefaultSoundFont;
    double gain = 1.0;  // FluidSynth's master gain: its own default, 0.2, is quiet for a piano
};

// A sound font loaded once, a FluidSynth synthesizer on it, made afresh for every file played,
// and a player for that file, timed by the samples rendered. FluidSynth's own log goes nowhere;
// its errors are collected and put into the exceptions thrown here.
class SynthSession {
  public:
    // Loads the sound font. Throws CFileException when it cannot be read, CException naming it
    // when it is no sound font (both name it as options.soundFont has it), AudioError when the
    // synthesizer cannot be made or the address space has no room for the sound font
    // (SoundFontMemory). Loading starts no thread.
    explicit SynthSession(const SoundOptions& options);
    ~SynthSession();
    SynthSession(const SynthSession&) = delete;
    SynthSession& operator=(const SynthSession&) = delete;

    // Settings that the audio driver reads; set before a driver is made.
    fluid_settings_t* Settings() const noexcept { return m_settings; }
    // The synthesizer of the file being played; another after each StartPlayer, none before.
    fluid_synth_t* Synth() const noexcept { return m_synth; }

    // Starts a new player on a MIDI file's bytes (read here, so that its errors name the file),
    // from a tick on, on a fresh synthesizer; the previous player and synthesizer are gone. Throws
    // CFileException when the file cannot be read, CException naming it when it is no MIDI file,
    // AudioError when the address space has no room for playing it.
    void StartPlayer(const CString& midiPath, std::int64_t startTick = 0);
    // Stops and removes the player and silences every voice.
    void StopPlayer() noexcept;
    fluid_player_t* Player() const noexcept { return m_player; }
    // Whether the player is playing and has not reached the file's last tick.
    bool PlayerPlaying() const noexcept;
    // The player's position, up to the file's last tick.
    std::int64_t CurrentTick() const noexcept;
    std::int64_t TotalTicks() const noexcept;

    // The MIDI file's ticks per quarter note, from its header (0 for time-code division).
    int Division() const noexcept { return m_division; }

    // Renders frames of interleaved 16-bit stereo into out (2 * frames values): silence before
    // the first StartPlayer. Allocates only when a block is larger than any before.
    void Render(std::int16_t* out, int frames);

  private:
    void NewSynth();
    void Release() noexcept;

    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_fontHolder = nullptr;  // owns the sound font, plays nothing
    fluid_sfont_t* m_font = nullptr;
    fluid_synth_t* m_synth = nullptr;
    fluid_player_t* m_player = nullptr;
    int m_division = 0;
    std::optional<std::int64_t> m_fileTicks;  // the length read from the file, when readable
    std::vector<float> m_floats;
};

// The address space that loading a sound font takes, about, with a render's besides: checked
// before loading, since FluidSynth's loader crashes when an allocation fails. Throws as
// SynthSession's constructor when the file cannot be read or is no sound font.
std::uint64_t SoundFontMemory(const std::string& soundFont);

// Routes FluidSynth's log into nothing, keeping its errors for the thread that caused them, and
// silences the sound system's own messages on standard error. Called by every session.
void QuietFluidSynth();
// The errors FluidSynth reported on this thread since the last call, joined; empties the list.
std::string TakeFluidSynthErrors();

}  // namespace rollscribe
