#include "ui/PlaybackSettings.h"

#include <cstdlib>

namespace rollscribe {

std::optional<std::string> ProcessEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

PlaybackOptions PlaybackOptionsFrom(const EnvironmentReader& environment,
                                    const std::string& soundFontSetting) {
    auto read = [&](const char* name) { return environment(name).value_or(std::string()); };
    PlaybackOptions options;
    if (std::string font = read(kSoundFontVariable); !font.empty()) {
        options.soundFont = font;
    } else if (!soundFontSetting.empty()) {
        options.soundFont = soundFontSetting;
    }
    options.output = read(kAudioOutputVariable) == "none" ? AudioOutput::none : AudioOutput::device;
    options.audioDriver = read(kAudioDriverVariable);
    return options;
}

}  // namespace rollscribe
