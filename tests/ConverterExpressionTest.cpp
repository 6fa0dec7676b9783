// The converter's expression file (--expression, --profile) through the built program: where it
// goes and when, the profile chosen or refused, the JSON keys and summary, and the sound and
// picture made from it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/JsonRecord.h"
#include "support/ConverterRun.h"
#include "support/RollFixture.h"
#include "support/ShellRun.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// A copy of one of the programs' own profiles with one text replaced.
std::string EditedProfile(const char* name, const std::string& from, const std::string& to) {
    std::ifstream in(std::string(PROFILES_DIR) + "/" + name + ".json");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class ExpressionRolls : public ::testing::Test {
  protected:
    void SetUp() override {
        // Two notes; the sustain pedal (track 3, note 18) down under the first.
        WriteFile(dir / "pedal.bar", RollBytes("00 30 | 00 03 | 7F 03 | 00 34 | 7F 30 | 7F 34"));
        WriteFile(dir / "pedal.ann", "/title: Pedal\r\n");
        WriteFile(dir / "welte.bar", RollBytes("00 30 | 7F 30"));
        WriteFile(dir / "welte.ann", "/title: Welte\r\n/roll_type: Welte T-100\r\n");
        WriteFile(dir / "short.bar", Hex("01"));
    }
    // The fields of a run's JSON lines.
    std::map<std::string, std::string> Json(const std::string& args) {
        ShellRun run = Convert("-q --json " + args);
        last = run;
        return ReadJsonLines(run.out);
    }
    TempDir dir;
    ShellRun last;
};

// Written beside the MIDI file or under -o, only for a roll whose MIDI file was written; the
// MIDI file the same byte for byte; readable by independent readers.
TEST_F(ExpressionRolls, WrittenWhereTheMidiFileGoesOnlyWithIt) {
    ASSERT_EQ(Convert("-q " + Q(dir / "pedal.bar")).status, 0);
    const Bytes plain = ReadFile(dir / "pedal_BAR_e.mid");
    fs::remove(dir / "pedal_BAR_e.mid");
    struct Case {
        std::string options;
        fs::path folder;
    } cases[] = {{"", dir.Path()}, {"-o " + Q(dir / "out"), dir / "out"}};
    for (const Case& c : cases) {
        auto got = Json("--expression " + c.options + " " + Q(dir / "pedal.bar") + " " +
                        Q(dir / "short.bar") + " " + Q(dir / "pedal.web"));
        EXPECT_EQ(last.status, 1) << c.options;
        const fs::path expression = c.folder / "pedal_BAR_e_expression.mid";
        EXPECT_EQ(got["0 expression"], JsonHex(expression.string())) << c.options;
        EXPECT_EQ(got["0 profile"], JsonHex("88-note"));
        EXPECT_EQ(ReadFile(c.folder / "pedal_BAR_e.mid"), plain) << c.options;
        for (const char* i : {"1", "2"}) {  // failed; refused as a collision
            EXPECT_EQ(got[std::string(i) + " expression"], "null") << i;
            EXPECT_EQ(got[std::string(i) + " profile"], "null") << i;
        }
        auto read = KeyValues(LinesOf(RunShell(Q(MIDI_READER) + " " + Q(expression)).out));
        EXPECT_EQ(read["type"], "0");
        EXPECT_EQ(read["ticks_per_beat"], "480");
        EXPECT_EQ(read["count_control_change"], "2");  // sustain down and up
        EXPECT_EQ(read["pedals_up_at_end"], "yes");
    }
    EXPECT_EQ(ListDir(dir / "out"),
              (std::vector<std::string>{"pedal_BAR_e.mid", "pedal_BAR_e_expression.mid"}));
}

// The roll type chooses the profile; --profile, by name or file, overrides it.
TEST_F(ExpressionRolls, TheProfileComesFromTheRollTypeOrTheOption) {
    WriteFile(dir / "green.json", EditedProfile("welte-green", "", ""));
    struct Case {
        std::string options;
        const char* welte;
        const char* pedal;
    } cases[] = {
        {"", "welte-red", "88-note"},
        {"--profile duo-art", "duo-art", "duo-art"},
        {"--profile Ampico-B", "ampico-b", "ampico-b"},
        {"--profile " + Q(dir / "green.json"), "welte-green", "welte-green"},
    };
    for (const Case& c : cases) {
        auto got = Json("--expression " + c.options + " " + Q(dir / "welte.bar") + " " +
                        Q(dir / "pedal.bar"));
        EXPECT_EQ(last.status, 0) << c.options << last.err;
        EXPECT_EQ(got["0 profile"], JsonHex(c.welte)) << c.options;
        EXPECT_EQ(got["1 profile"], JsonHex(c.pedal)) << c.options;
    }
}

// A profile for every roll that cannot be found stops the run with nothing written; one that is
// read but wrong fails each roll's expression file, naming the file and field, and leaves the
// MIDI file written; misuse of the options is a usage error.
TEST_F(ExpressionRolls, AProfileThatCannotServeIsRefused) {
    WriteFile(dir / "bad.json", EditedProfile("88-note", "\"note\": 18,", "\"note\": 60,"));
    const std::string bad = (dir / "bad.json").string();
    const std::string roll = Q(dir / "pedal.bar");
    struct Case {
        std::string options;
        int status;
        std::string err;  // after "rollscribe-convert: "
        bool midi;
    } cases[] = {
        {"--expression --profile " + Q(bad), 1,
         (dir / "pedal.bar").string() + ": profile " + bad +
             ": holes[1].note: 60 lies inside the note range 21 to 108; no expression file "
             "written\n",
         true},
        {"--expression --profile " + Q(dir / "none.json"), 1,
         "profile " + (dir / "none.json").string() +
             ": cannot open the file: No such file or directory; no roll converted\n",
         false},
        {"--expression --profile 'no such'", 1,
         "profile no such: is not a profile name (letters, digits, '-', '_' and '.'), nor a "
         "file (a path with '/' or ending in .json); no roll converted\n",
         false},
        {"--profile 88-note", 2,
         "--profile requires --expression\nTry 'rollscribe-convert --help' for more "
         "information.\n",
         false},
        {"--expression --profile ''", 2,
         "--profile: needs a name or a file\nTry 'rollscribe-convert --help' for more "
         "information.\n",
         false},
    };
    for (const Case& c : cases) {
        ShellRun run = Convert("-q -o " + Q(dir / "out") + " " + c.options + " " + roll);
        EXPECT_EQ(run.status, c.status) << c.options;
        EXPECT_EQ(run.err, "rollscribe-convert: " + c.err) << c.options;
        EXPECT_EQ(fs::exists(dir / "out/pedal_BAR_e.mid"), c.midi) << c.options;
        EXPECT_FALSE(fs::exists(dir / "out/pedal_BAR_e_expression.mid")) << c.options;
        fs::remove_all(dir / "out");
    }
    auto got = Json("--expression --profile " + Q(bad) + " " + roll);
    EXPECT_EQ(got["0 status"], JsonHex("failed"));
    EXPECT_EQ(got["0 expression"], "null");
    EXPECT_EQ(got["0 profile"], "null");
    EXPECT_EQ(got["0 reason"],
              JsonHex("profile " + bad +
                      ": holes[1].note: 60 lies inside the note range 21 to 108; no expression "
                      "file written"));
}

// Without --expression the JSON lines are as they were; with it they gain the two keys only,
// and the summary counts the expression files.
TEST_F(ExpressionRolls, JsonGainsTwoKeysAndTheSummaryCountsTheFiles) {
    const std::string rolls = Q(dir / "pedal.bar") + " " + Q(dir / "short.bar");
    ShellRun plain = Convert("--json " + rolls);
    ShellRun with = Convert("--json --expression " + rolls);
    auto without = ReadJsonLines(plain.out);
    auto got = ReadJsonLines(with.out);
    EXPECT_EQ(without.count("0 keys") + got.count("0 keys") + without.count("0 expression"), 0u);
    for (auto& [key, value] : got)
        if (!key.ends_with(" expression") && !key.ends_with(" profile")) {
            EXPECT_EQ(without[key], value) << key;
        }
    EXPECT_EQ(got.size(), without.size() + 4);
    EXPECT_NE(with.err.find(": 1 MIDI file written, 1 expression file written, 1 roll failed"),
              std::string::npos)
        << with.err;
    EXPECT_EQ(plain.err.find("expression"), std::string::npos) << plain.err;
}

// With --audio the sound is the expression file's (its velocities and pedal); with --picture
// the picture shows the pedal.
TEST_F(ExpressionRolls, SoundAndPictureAreTheExpressions) {
    const std::string roll = Q(dir / "pedal.bar");
    ASSERT_EQ(Convert("-q --audio --soundfont " TEST_SOUND_FONT " " + roll).status, 0);
    const Bytes plainWav = ReadFile(dir / "pedal_BAR_e.wav");
    ShellRun run =
        Convert("-q --audio --soundfont " TEST_SOUND_FONT " --picture svg --expression " + roll);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(ReadFile(dir / "pedal_BAR_e.wav"), plainWav);
    ShellRun svg = RunShell(Q(OUTPUT_READER) + " expression " + Q(dir / "pedal_BAR_e.svg"));
    EXPECT_NE(svg.out.find("pedal sustain 0 "), std::string::npos) << svg.out;

    // Without its expression file, no sound (it would not be the one asked for).
    WriteFile(dir / "bad.json", EditedProfile("88-note", "\"format\": 1", "\"format\": 9"));
    fs::remove(dir / "pedal_BAR_e.wav");
    run = Convert("-q --audio --soundfont " TEST_SOUND_FONT " --expression --profile " +
                  Q(dir / "bad.json") + " " + roll);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(": no WAV file: its expression file was not written\n"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir / "pedal_BAR_e.wav"));
}

// An expression or sound file that is not written beside a new MIDI file leaves an earlier
// run's file there: the message names it.
TEST_F(ExpressionRolls, AnEarlierRunsFileBesideTheNewMidiFileIsNamed) {
    WriteFile(dir / "bad.json", EditedProfile("88-note", "\"format\": 1", "\"format\": 9"));
    const std::string expression = (dir / "pedal_BAR_e_expression.mid").string();
    const std::string wav = (dir / "pedal_BAR_e.wav").string();
    const std::string run = "-q --audio --soundfont " TEST_SOUND_FONT " --expression --profile " +
                            Q(dir / "bad.json") + " " + Q(dir / "pedal.bar");
    ShellRun fresh = Convert(run);
    EXPECT_EQ(fresh.err.find("is from an earlier run"), std::string::npos) << fresh.err;
    WriteFile(expression, "an earlier expression file");
    WriteFile(wav, "an earlier sound");
    ShellRun again = Convert(run);
    EXPECT_EQ(again.status, 1);
    for (const std::string& old : {expression, wav})
        EXPECT_NE(again.err.find("; " + old + " is from an earlier run\n"), std::string::npos)
            << again.err;
}

}  // namespace
