#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ui/PlaybackSettings.h"

using namespace rollscribe;

namespace {

struct SettingsCase {
    const char* name;
    std::map<std::string, std::string> environment;
    std::string soundFontSetting;
    std::string soundFont;
    AudioOutput output;
    std::string driver;

    friend void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }
};

class PlaybackSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(PlaybackSettings, EnvironmentBeforeSettingsBeforeDefaults) {
    const SettingsCase& c = GetParam();
    const PlaybackOptions options = PlaybackOptionsFrom(
        [&](const char* name) -> std::optional<std::string> {
            auto it = c.environment.find(name);
            if (it == c.environment.end()) return std::nullopt;
            return it->second;
        },
        c.soundFontSetting);
    EXPECT_EQ(options.soundFont, c.soundFont);
    EXPECT_EQ(options.output, c.output);
    EXPECT_EQ(options.audioDriver, c.driver);
}

const std::string kDefault = kDefaultSoundFont;

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaybackSettings,
    ::testing::Values(
        SettingsCase{"nothing_set", {}, "", kDefault, AudioOutput::device, ""},
        SettingsCase{"setting", {}, "/fonts/mine.sf2", "/fonts/mine.sf2", AudioOutput::device, ""},
        SettingsCase{"environment_over_setting",
                     {{"ROLLSCRIBE_SOUNDFONT", "/env/font.sf2"}},
                     "/fonts/mine.sf2",
                     "/env/font.sf2",
                     AudioOutput::device,
                     ""},
        SettingsCase{"empty_environment_counts_as_unset",
                     {{"ROLLSCRIBE_SOUNDFONT", ""}},
                     "/fonts/mine.sf2",
                     "/fonts/mine.sf2",
                     AudioOutput::device,
                     ""},
        SettingsCase{"silent_output",
                     {{"ROLLSCRIBE_AUDIO_OUTPUT", "none"}},
                     "",
                     kDefault,
                     AudioOutput::none,
                     ""},
        SettingsCase{"other_output_words_mean_the_device",
                     {{"ROLLSCRIBE_AUDIO_OUTPUT", "None "}},
                     "",
                     kDefault,
                     AudioOutput::device,
                     ""},
        SettingsCase{"driver",
                     {{"ROLLSCRIBE_AUDIO_DRIVER", "alsa"}},
                     "",
                     kDefault,
                     AudioOutput::device,
                     "alsa"}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) {
        return std::string(info.param.name);
    });

}  // namespace
