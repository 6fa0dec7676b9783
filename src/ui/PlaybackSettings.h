#pragma once

#include <functional>
#include <optional>
#include <string>

#include "audio/MidiPlayback.h"

namespace rollscribe {

// The environment variables that choose how the desktop program plays a roll:
// - ROLLSCRIBE_SOUNDFONT: the General MIDI sound font (before the settings' SoundFont);
// - ROLLSCRIBE_AUDIO_OUTPUT: "none" plays into nothing, with the cursor running in real time
//   (for tests, or a machine without sound); anything else, the system's audio output;
// - ROLLSCRIBE_AUDIO_DRIVER: FluidSynth's audio driver ("pulseaudio", "alsa", ...) instead of
//   its own choice.
inline constexpr const char* kSoundFontVariable = "ROLLSCRIBE_SOUNDFONT";
inline constexpr const char* kAudioOutputVariable = "ROLLSCRIBE_AUDIO_OUTPUT";
inline constexpr const char* kAudioDriverVariable = "ROLLSCRIBE_AUDIO_DRIVER";

// Reads an environment variable: its value, or none when it is not set.
using EnvironmentReader = std::function<std::optional<std::string>(const char* name)>;

// The process's own environment.
std::optional<std::string> ProcessEnvironment(const char* name);

// The playback's options: the sound font from the environment, else from the settings
// (soundFontSetting, empty when not set), else the system's default; the output and driver from
// the environment. Empty values count as not set.
PlaybackOptions PlaybackOptionsFrom(const EnvironmentReader& environment,
                                    const std::string& soundFontSetting);

}  // namespace rollscribe
