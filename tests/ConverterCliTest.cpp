#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>

#include "cli/ConvertOptions.h"
#include "cli/JsonRecord.h"
#include "support/ConverterRun.h"
#include "support/RollFixture.h"
#include "support/ShellRun.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

// What the independent readers make of a MIDI file, as key to value.
std::map<std::string, std::string> ReadMidi(const fs::path& path) {
    ShellRun run = RunShell(std::string(MIDI_READER) + " " + Q(path));
    EXPECT_EQ(run.status, 0) << run.err;
    return KeyValues(LinesOf(run.out));
}

// A folder holding copies of the example roll and its annotation file.
class ExampleRoll : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"evening_waltz.bar", "evening_waltz.ann"})
            fs::copy_file(fs::path(EXAMPLES_DIR) / name, dir / name);
    }
    TempDir dir;
};

TEST_F(ExampleRoll, ConvertsToAFileIndependentReadersAccept) {
    Bytes rollBefore = ReadFile(dir / "evening_waltz.bar");
    Bytes annBefore = ReadFile(dir / "evening_waltz.ann");
    ShellRun run = Convert(Q(dir / "evening_waltz.bar"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(
        run.out.starts_with("\n File Info : Select BAR file to convert.\n ** Reading ANN file : "));
    EXPECT_TRUE(run.out.ends_with("\n BAR file Steps per Inch : 187\n"));
    EXPECT_NE(run.out.find("\n Title : Evening Waltz\n"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "evening_waltz.bar"), rollBefore);
    EXPECT_EQ(ReadFile(dir / "evening_waltz.ann"), annBefore);
    EXPECT_EQ(ListDir(dir.Path()),
              (std::vector<std::string>{"evening_waltz.ann", "evening_waltz.bar",
                                        "evening_waltz_BAR_e.mid"}));

    auto midi = ReadMidi(dir / "evening_waltz_BAR_e.mid");
    EXPECT_EQ(midi["type"], "0");
    EXPECT_EQ(midi["tracks"], "1");
    EXPECT_EQ(midi["ticks_per_beat"], "480");
    EXPECT_EQ(midi["last"], "end_of_track");
    EXPECT_EQ(midi["count_end_of_track"], "1");
    EXPECT_EQ(midi["tempo"], "750000");
    EXPECT_EQ(midi["track_name"], "Evening Waltz");
    EXPECT_EQ(midi["texts"], "11");           // the file-type text and ten annotation entries
    EXPECT_EQ(midi["total_ticks"], "69120");  // 48 bars of three beats
    EXPECT_TRUE(midi["lyrics"].starts_with("Evening comes|the lamps are lit|"));
    EXPECT_GT(std::stoi(midi["count_note_on"]), 500);
    EXPECT_TRUE(midi.count("midicsv_rows"));
}

TEST_F(ExampleRoll, OutputHasTheUsersFilePermissions) {
    const std::pair<const char*, fs::perms> cases[] = {
        {"027", fs::perms(0640)}, {"002", fs::perms(0664)}, {"077", fs::perms(0600)}};
    for (auto [umask, mode] : cases) {
        fs::remove(dir / "evening_waltz_BAR_e.mid");
        ShellRun run =
            RunShell("umask " + std::string(umask) + " && " + std::string(CONVERTER_PATH) + " -q " +
                     Q(dir / "evening_waltz.bar"));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(fs::status(dir / "evening_waltz_BAR_e.mid").permissions(), mode) << umask;
    }
}

TEST_F(ExampleRoll, LongTextsStayReadable) {
    std::string ann =
        "/title: " + std::string(300, 'T') + "\r\n/notes: " + std::string(20000, 'n') + "\r\n";
    WriteFile(dir / "evening_waltz.ann", ann);
    ASSERT_EQ(Convert("-q " + Q(dir / "evening_waltz.bar")).status, 0);
    auto midi = ReadMidi(dir / "evening_waltz_BAR_e.mid");
    EXPECT_EQ(midi["track_name"], std::string(300, 'T'));
    EXPECT_EQ(midi["texts"], "3");
}

TEST_F(ExampleRoll, SeveralFilesReportInArgumentOrderWhateverTheJobs) {
    WriteFile(dir / "b.bar", RollBytes("00 30 05 30"));
    WriteFile(dir / "b.ann", "/title: B\r\n");
    WriteFile(dir / "c.txt", "not a roll");
    WriteFile(dir / "d.bar", Hex("01"));
    std::string files = Q(dir / "evening_waltz.bar") + " " + Q(dir / "b.bar") + " " +
                        Q(dir / "c.txt") + " " + Q(dir / "d.bar");
    ShellRun one = Convert("-j 1 " + files);
    Bytes waltz = ReadFile(dir / "evening_waltz_BAR_e.mid");
    Bytes b = ReadFile(dir / "b_BAR_e.mid");
    ShellRun four = Convert("--jobs=4 " + files);
    for (ShellRun* run : {&one, &four}) {
        EXPECT_EQ(TakeSummary(run->err),
                  "rollscribe-convert: 2 MIDI files written, 2 rolls failed or refused, in T s\n");
    }
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(four.status, 1);
    EXPECT_EQ(one.out, four.out);
    EXPECT_EQ(one.err, four.err);
    EXPECT_EQ(ReadFile(dir / "evening_waltz_BAR_e.mid"), waltz);
    EXPECT_EQ(ReadFile(dir / "b_BAR_e.mid"), b);

    // Four reports, separated by one blank line each.
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; (at = one.out.find("\n File Info : ", at)) != std::string::npos; ++at)
        starts.push_back(at);
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(starts[0], 0u);
    for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(one.out.substr(starts[i] - 2, 2), "\n\n");
    EXPECT_NE(one.out.find("*** Invalid File Type *** BAR/WEB files only - \n \n This File : " +
                           (dir / "c.txt").string()),
              std::string::npos);

    // One error line for each file that was not converted, naming it.
    EXPECT_EQ(one.err, "rollscribe-convert: " + (dir / "c.txt").string() +
                           ": not a roll file: the extension must be bar or web\n"
                           "rollscribe-convert: " +
                           (dir / "d.bar").string() + ": the file ends too early\n");
    EXPECT_FALSE(fs::exists(dir / "c_BAR_e.mid"));
    EXPECT_FALSE(fs::exists(dir / "d_BAR_e.mid"));
}

TEST_F(ExampleRoll, QuietPrintsNoReportButTheJsonLinesAskedFor) {
    ShellRun run = Convert("-q " + Q(dir / "evening_waltz.bar"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    ShellRun json =
        Convert("-q --json " + Q(dir / "evening_waltz.bar") + " " + Q(dir / "evening_waltz.bar"));
    EXPECT_EQ(json.status, 1);  // the second is refused: it writes the same MIDI file
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 2) << json.out;
    EXPECT_EQ(json.out.rfind("{\"input\":", 0), 0u) << json.out;
    EXPECT_EQ(json.err.find("failed or refused"), std::string::npos) << "no summary with -q";
}

// --strict: a roll with a warning fails the run; its MIDI file, report and JSON status stay; the
// summary counts the rolls with warnings, with or without it.
TEST(Converter, StrictFailsARollWithAWarningAndKeepsItsOutputs) {
    TempDir dir;
    WriteFile(dir / "good.bar", RollBytes("00 30 | 05 30"));
    WriteFile(dir / "good.ann", "/title: Good\r\n");
    WriteFile(dir / "bare.bar", RollBytes("00 30 | 05 30"));
    const std::string files = Q(dir / "good.bar") + " " + Q(dir / "bare.bar");
    struct Case {
        const char* options;
        int status;
        const char* counts;
    } cases[] = {
        {"", 0, "2 MIDI files written, 0 rolls failed or refused, 1 roll with warnings, in "},
        {"--strict", 1,
         "2 MIDI files written, 1 roll failed or refused, 1 roll with warnings, in "},
    };
    for (const Case& c : cases) {
        ShellRun run = Convert(std::string(c.options) + " " + files);
        EXPECT_EQ(run.status, c.status) << c.options;
        EXPECT_NE(run.err.find("rollscribe-convert: " + std::string(c.counts)), std::string::npos)
            << c.options << ": " << run.err;
        EXPECT_TRUE(fs::exists(dir / "bare_BAR_e.mid")) << c.options;
        auto json = ReadJsonLines(Convert(std::string(c.options) + " -q --json " + files).out);
        EXPECT_EQ(json["1 status"], JsonHex("written")) << c.options;
    }
    EXPECT_EQ(Convert("--strict -q " + Q(dir / "good.bar")).status, 0);
}

// Each failure names the file and the reason, on standard error and as the JSON line's reason,
// and writes nothing; a folder named without -r gets the hint at -r, whatever its name.
TEST(Converter, FailuresNameTheFileAndTheReason) {
    TempDir dir;
    fs::create_directory(dir / "folder.bar");
    fs::create_directory(dir / "tree");
    WriteFile(dir / "x.bar", RollBytes("00 30 05 30"));
    fs::create_directory(dir / "x_BAR_e.mid");
    struct Case {
        fs::path file;
        std::string reason;
    } cases[] = {
        {dir / "missing.bar", "cannot open the file: No such file or directory"},
        {dir / "folder.bar",
         "cannot open the file: Is a directory (use -r to convert the rolls in a folder)"},
        {dir / "tree",
         "cannot open the file: Is a directory (use -r to convert the rolls in a folder)"},
        {dir / "x.bar",
         (dir / "x_BAR_e.mid").string() + ": cannot replace the file: Is a directory"},
    };
    for (const auto& c : cases) {
        ShellRun run = Convert(Q(c.file));
        EXPECT_EQ(run.status, 1) << c.file;
        EXPECT_EQ(run.err, "rollscribe-convert: " + c.file.string() + ": " + c.reason + "\n");
        ShellRun json = Convert("--json " + Q(c.file));
        EXPECT_EQ(json.status, 1) << c.file;
        EXPECT_NE(json.out.find(",\"reason\":" + JsonString(c.reason) + ","), std::string::npos)
            << json.out;
    }
    // A failure fails its entry only: the roll named after it converts.
    fs::create_directory(dir / "ok");
    WriteFile(dir / "ok/y.bar", RollBytes("00 30 05 30"));
    WriteFile(dir / "ok/y.ann", "/title: Y\r\n");
    std::string all;
    for (const auto& c : cases) all += Q(c.file) + " ";
    EXPECT_EQ(Convert("-q " + all + Q(dir / "ok/y.bar")).status, 1);
    EXPECT_EQ(ListDir(dir / "ok"), (std::vector<std::string>{"y.ann", "y.bar", "y_BAR_e.mid"}));
    EXPECT_EQ(ListDir(dir.Path()),
              (std::vector<std::string>{"folder.bar", "ok", "tree", "x.bar", "x_BAR_e.mid"}));
}

struct UsageCase {
    const char* args;
    int status;
    const char* stdoutStart;
    const char* stderrPart;
};

TEST(Converter, UsageHelpAndVersion) {
    const UsageCase cases[] = {
        {"", 2, "", "no roll file given"},
        {"--frobnicate x.bar", 2, "", "The following argument was not expected: --frobnicate"},
        {"-j 0 x.bar", 2, "", "--jobs: Value 0 not in range 1 to 1024"},
        {"-j x.bar", 2, "", "--jobs: Value x.bar not in range 1 to 1024"},
        {"-j", 2, "", "--jobs: 1 required N missing"},
        {"--audio=mp3 x.bar", 2, "", "--audio: mp3 not in {wav,flac,ogg}"},
        {"x.bar -o", 2, "", "--output-dir: 1 required DIR missing"},
        {"--help", 0,
         "Usage: rollscribe-convert [options] FILE...\n"
         "       rollscribe-convert [options] -r FOLDER...\n",
         ""},
        {"--version", 0, "rollscribe-convert " ROLLSCRIBE_VERSION "\n", ""},
    };
    for (const auto& c : cases) {
        ShellRun run = Convert(c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_TRUE(run.out.starts_with(c.stdoutStart)) << c.args << ": " << run.out;
        EXPECT_NE(run.err.find(c.stderrPart), std::string::npos) << c.args << ": " << run.err;
    }
}

TEST(ConvertOptions, ParsesOptionsAndFiles) {
    ConvertOptions o = ParseConvertOptions({"-q", "a.bar", "-j3", "--", "-b.bar"});
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.jobs, 3u);
    EXPECT_EQ(o.files, (std::vector<std::string>{"a.bar", "-b.bar"}));
    EXPECT_EQ(ParseConvertOptions({"--jobs", "12", "x"}).jobs, 12u);
    EXPECT_EQ(ParseConvertOptions({"-"}).files, std::vector<std::string>{"-"});
    EXPECT_THROW(ParseConvertOptions({"-j", "2000", "x"}), UsageError);
    EXPECT_THROW(ParseConvertOptions({"-j", "-1", "x"}), UsageError);
    EXPECT_THROW(ParseConvertOptions({"-q"}), UsageError);
    EXPECT_TRUE(ParseConvertOptions({"--help"}).help);
    ConvertOptions outputs = ParseConvertOptions(
        {"--picture", "SVG", "x", "--picture=Png", "--audio", "--soundfont", "a.sf2"});
    EXPECT_EQ(outputs.picture, PictureFormat::png);  // the last one given
    EXPECT_TRUE(outputs.audio);
    EXPECT_EQ(outputs.soundFont, "a.sf2");
    EXPECT_EQ(outputs.files, std::vector<std::string>{"x"});
    EXPECT_EQ(ParseConvertOptions({"x"}).picture, std::nullopt);
    EXPECT_FALSE(ParseConvertOptions({"x"}).audio);
    // --audio takes its format only joined to it; the last one given counts.
    ConvertOptions sound =
        ParseConvertOptions({"--audio", "x.bar", "--audio=FLAC", "-o", "out", "--", "--audio=ogg"});
    EXPECT_TRUE(sound.audio);
    EXPECT_EQ(sound.audioFormat, SoundFormat::flac);
    EXPECT_EQ(sound.outputDir, "out");
    EXPECT_EQ(sound.files, (std::vector<std::string>{"x.bar", "--audio=ogg"}));
    EXPECT_EQ(ParseConvertOptions({"--audio=ogg", "--audio", "x"}).audioFormat, SoundFormat::wav);
}

// The help's entry for an option (its line and those that go on from it), blanks collapsed.
std::string HelpEntry(const std::string& help, const std::string& option) {
    std::string entry;
    bool in = false;
    for (const std::string& line : LinesOf(help)) {
        const bool optionLine = line.starts_with("  -") || line.starts_with("      --");
        if (optionLine)
            in = line.find(option + " ") != std::string::npos ||
                 line.find(option + "[") != std::string::npos || line.ends_with(option);
        else if (!line.starts_with("     "))
            in = false;
        if (in) entry += line + " ";
    }
    return std::regex_replace(entry, std::regex(" +"), " ");
}

// The manual page's entry (.TP) whose tag names an option, as text: roff macros and escapes
// taken out, blanks collapsed.
std::string ManEntry(const std::string& man, const std::string& option) {
    std::string entry;
    bool tag = false, in = false;
    for (std::string line : LinesOf(man)) {
        line = std::regex_replace(line, std::regex(R"(\\f[BIRP]|\\%|\\&)"), "");
        line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
        if (line == ".TP") {
            tag = true;
            in = false;
            continue;
        }
        if (line.starts_with(".SH") || line.starts_with(".SS")) in = false;
        line = std::regex_replace(line, std::regex(R"(^\.(BR|IR|RB|RI|BI|IB|B|I) )"), "");
        line.erase(std::remove(line.begin(), line.end(), '"'), line.end());
        if (tag) in = line.find(option) != std::string::npos;
        tag = false;
        if (in) entry += line + " ";
    }
    entry = std::regex_replace(entry, std::regex(" +"), " ");
    return std::regex_replace(entry, std::regex(R"( ([,.;)]))"), "$1");
}

// Each option's range or default, as the parser takes it, as the help prints it and as the
// manual page says it: the three stay the same.
TEST(ConvertOptions, HelpAndManualPageGiveTheParsersRangesAndDefaults) {
    struct Row {
        std::string option;
        std::vector<std::string> before;  // what the option needs
        std::vector<std::string> accepted, refused;
        std::function<bool(const ConvertOptions&)> byDefault;  // without a value given
        std::string help, man;
    };
    const Row rows[] = {
        {"--jobs",
         {},
         {"1", "1024"},
         {"0", "1025", "x"},
         [](const ConvertOptions& o) { return o.jobs == 0; },  // one per processor
         "1 to 1024 (default: one per processor)",
         "(1 to 1024; the default is one per processor)"},
        {"--pixels-per-inch",
         {"--picture", "png"},
         {"0.01", "4000"},
         {"0.0099", "4000.5", "nan", "40x"},
         [](const ConvertOptions& o) { return o.pixelsPerInch == 40; },
         "from 0.01 to 4000 (default 40)",
         "a number from 0.01 to 4000; default 40"},
        {"--picture",
         {},
         {"png", "SVG", "Pdf", "pdf-a4", "PDF-Letter"},
         {"jpg", "png,svg", "pdf-a5"},
         [](const ConvertOptions& o) { return !o.picture; },
         "FORMAT is png, svg, pdf, pdf-a4 or",
         "FORMAT is png, svg, pdf, pdf-a4 or pdf-letter"},
        {"--audio",
         {},
         {"wav", "FLAC", "ogg"},
         {"mp3"},
         [](const ConvertOptions& o) { return o.audioFormat == SoundFormat::wav; },
         "wav (the default)",
         "FORMAT is wav (the default, also of --audio alone)"},
        {"--soundfont",
         {"--audio"},
         {"a.sf2"},
         {""},
         [](const ConvertOptions& o) { return o.soundFont.empty(); },  // the system's
         "default: /usr/share/sounds/sf2/default-GM.sf2",
         "(default: /usr/share/sounds/sf2/default-GM.sf2)"},
    };
    std::ifstream manFile(fs::path(EXAMPLES_DIR) / "../docs/man/rollscribe-convert.1");
    const std::string man((std::istreambuf_iterator<char>(manFile)), {});
    ASSERT_FALSE(man.empty());
    const std::string help = ConvertUsageText();
    auto parse = [](const Row& row, const std::optional<std::string>& value) {
        std::vector<std::string> args = row.before;
        // --audio takes its value only joined to it; the others as the next argument.
        if (value && row.option == "--audio") args.push_back(row.option + "=" + *value);
        if (value && row.option != "--audio") args.insert(args.end(), {row.option, *value});
        args.push_back("x.bar");
        return ParseConvertOptions(args);
    };
    for (const Row& row : rows) {
        for (const std::string& value : row.accepted)
            EXPECT_NO_THROW(parse(row, value)) << row.option << "=" << value;
        for (const std::string& value : row.refused)
            EXPECT_THROW(parse(row, value), UsageError) << row.option << "=" << value;
        EXPECT_TRUE(row.byDefault(parse(row, std::nullopt))) << row.option;
        EXPECT_NE(HelpEntry(help, row.option).find(row.help), std::string::npos)
            << row.option << ": " << HelpEntry(help, row.option);
        EXPECT_NE(ManEntry(man, row.option).find(row.man), std::string::npos)
            << row.option << ": " << ManEntry(man, row.option);
    }
}

}  // namespace
