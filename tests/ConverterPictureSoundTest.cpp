// The converter's picture and WAV files (--picture, --audio, --soundfont) through the built
// program: names, contents read back by Python's own modules, failures, -j, collisions, signals
// and progress.
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>

#include "cli/JsonRecord.h"
#include "expression/ProfileLocator.h"
#include "picture/RollLayout.h"
#include "picture/RollScene.h"
#include "roll/CRollscribeDoc.h"
#include "roll/RollLoader.h"
#include "support/ConverterRun.h"
#include "support/EventHoles.h"
#include "support/FolderSnapshot.h"
#include "support/MidiInvariants.h"
#include "support/ProgramAsUser.h"
#include "support/RollFixture.h"
#include "support/ShellRun.h"
#include "support/SvgReading.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

// What tests/e2e/read_outputs.py finds in a file: its "key value" lines in order.
std::vector<std::string> ReadOutput(const std::string& kind, const fs::path& file,
                                    const fs::path& midi = {}) {
    ShellRun run = RunShell(Q(OUTPUT_READER) + " " + kind + " " + Q(file) +
                            (midi.empty() ? "" : " " + Q(midi)));
    EXPECT_EQ(run.status, 0) << kind << " " << file << ": " << run.err;
    return LinesOf(run.out);
}

// A roll loaded in a folder of its own (so that the MIDI file it writes goes there).
struct LoadedRoll {
    explicit LoadedRoll(const fs::path& roll) {
        for (const fs::path& file : {roll, fs::path(roll).replace_extension(".ann")})
            if (fs::exists(file)) fs::copy_file(file, dir / file.filename().string());
        EXPECT_EQ(LoadRollFile(doc, CString((dir / roll.filename().string()).string())),
                  LoadOutcome::converted);
    }
    TempDir dir;
    CRollscribeDoc doc;
};

// The hole bars a roll's events make, as read_outputs.py prints an SVG's.
std::vector<std::string> HoleLinesOfEvents(const CRollscribeDoc& doc) {
    std::vector<std::string> lines;
    for (const EventHole& h : HolesOfEvents(doc))
        lines.push_back("hole " + std::to_string(h.note) + " " + std::to_string(h.start) + " " +
                        std::to_string(h.end) + (h.open ? " open" : " closed"));
    return lines;
}

// A roll of one note held for a second, then a second silent, and so on for the given seconds:
// at tempo 100 and 800 steps a second, a record of 800 steps (A0 06) a second.
Bytes LongRoll(int seconds) {
    Bytes roll = RollBytes("00 30");
    for (int s = 1; s < seconds; ++s) roll.insert(roll.end(), {0xA0, 0x06, 0x30});
    if (seconds % 2) roll.insert(roll.end(), {0xA0, 0x06, 0x30});  // the hole closes: a sound roll
    return roll;
}

// Every file of a folder but its temporary ones, by name, with its bytes.
std::map<std::string, Bytes> FilesOf(const fs::path& dir) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadFile(entry);
    return files;
}

// A folder of rolls: the example roll, one with unclosed holes, a marker and notes out of the
// playable range and above note 127, a second name of the example, and rolls that fail.
// The interleaved 16-bit samples of a sound file as libsndfile decodes it, and its rate and
// channels ("44100 2").
std::pair<std::vector<short>, std::string> DecodedSound(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {{}, sf_strerror(nullptr)};
    std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    return {samples, std::to_string(info.samplerate) + " " + std::to_string(info.channels)};
}

class PictureSoundRolls : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"evening_waltz.bar", "evening_waltz.ann"})
            fs::copy_file(fs::path(EXAMPLES_DIR) / name, dir / name);
        fs::copy_file(dir / "evening_waltz.bar", dir / "waltz.op2.web");
        WriteFile(dir / "open.bar",
                  RollBytes("00 30 | 40 31 | 05 F0 63 00 | 3B 30 | 10 EE | 20 05 | 7F 40 | 7F 40"));
        WriteFile(dir / "open.ann", "/title: Open holes\r\n/roll_type: Welte\r\n");
        WriteFile(dir / "short.bar", Hex("01"));
        WriteFile(dir / "notes.txt", "not a roll");
    }
    std::string Rolls4() const {
        return Q(dir / "evening_waltz.bar") + " " + Q(dir / "open.bar") + " " +
               Q(dir / "short.bar") + " " + Q(dir / "waltz.op2.web");
    }
    TempDir dir;
};

TEST_F(PictureSoundRolls, EveryFormatIsWrittenBesideTheMidiFileUnderItsName) {
    struct Case {
        const char* option;
        const char* extension;
        const char* check;  // read_outputs.py's reader for it
    } cases[] = {{"png", "png", "png"},
                 {"SVG", "svg", "svg"},
                 {"pdf", "pdf", "pdf"},
                 {"pdf-a4", "pdf", "pdf"}};
    for (const Case& c : cases) {
        ShellRun run =
            Convert(std::string("-q --picture ") + c.option + " " + Q(dir / "waltz.op2.web"));
        ASSERT_EQ(run.status, 0) << c.option << ": " << run.err;
        EXPECT_EQ(run.err, "rollscribe-convert: " + (dir / "waltz.op2.web").string() +
                               ": no annotation file waltz.ann; converted with the default "
                               "tempo and no texts\n");
        const fs::path picture = dir / (std::string("waltz_BAR_e.") + c.extension);
        EXPECT_TRUE(fs::exists(dir / "waltz_BAR_e.mid"));
        EXPECT_FALSE(ReadOutput(c.check, picture).empty()) << c.option;
        // The lanes of the 88-note tracker bar (holes 16 to 113), used or not.
        if (std::string(c.extension) == "svg") {
            const std::string svg = Slurp(picture);
            std::size_t lanes = 0;
            for (auto at = svg.find("<g class=\"lane"); at != std::string::npos;
                 at = svg.find("<g class=\"lane", at + 1))
                ++lanes;
            EXPECT_EQ(lanes, 98u);
        }
        fs::remove(picture);
    }
    ShellRun run =
        Convert("-q --audio --soundfont " TEST_SOUND_FONT " " + Q(dir / "waltz.op2.web"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        KeyValues(ReadOutput("wav", dir / "waltz_BAR_e.wav", dir / "waltz_BAR_e.mid"))["rate"],
        "44100");
    EXPECT_EQ(ListDir(dir.Path()),
              (std::vector<std::string>{"evening_waltz.ann", "evening_waltz.bar", "notes.txt",
                                        "open.ann", "open.bar", "short.bar", "waltz.op2.web",
                                        "waltz_BAR_e.mid", "waltz_BAR_e.wav"}));
}

// --audio=FORMAT: the same sound in a smaller file (FLAC losslessly), written with the MIDI file
// under the output folder of -o, and named in the JSON line; the roll's folder gains nothing.
TEST_F(PictureSoundRolls, SoundFormatsHoldTheSameSoundAndGoWhereTheMidiFileGoes) {
    const fs::path out = dir / "out/sound";
    struct Case {
        const char* option;
        const char* file;
        bool lossless;
    } cases[] = {{"--audio --soundfont " TEST_SOUND_FONT, "waltz_BAR_e.wav", true},
                 {"--audio=FLAC --soundfont " TEST_SOUND_FONT, "waltz_BAR_e.flac", true},
                 {"--audio=ogg --soundfont " TEST_SOUND_FONT, "waltz_BAR_e.ogg", false}};
    const FolderSnapshot before = SnapshotOf(dir.Path());
    std::vector<short> wav;
    for (const Case& c : cases) {
        ShellRun run = Convert(std::string("-q --json -o ") + Q(out) + " " + c.option + " " +
                               Q(dir / "waltz.op2.web"));
        ASSERT_EQ(run.status, 0) << c.option << ": " << run.err;
        EXPECT_NE(run.out.find("\"midi\":" + JsonString((out / "waltz_BAR_e.mid").string()) +
                               ",\"audio\":" + JsonString((out / c.file).string()) + ","),
                  std::string::npos)
            << run.out;
        auto [samples, form] = DecodedSound(out / c.file);
        EXPECT_EQ(form, "44100 2") << c.option;
        if (wav.empty()) wav = samples;
        EXPECT_EQ(samples.size(), wav.size()) << c.option;
        if (c.lossless) {
            EXPECT_TRUE(samples == wav) << c.option;
        }
    }
    EXPECT_LT(fs::file_size(out / "waltz_BAR_e.flac"), fs::file_size(out / "waltz_BAR_e.wav"));
    EXPECT_LT(fs::file_size(out / "waltz_BAR_e.ogg"), fs::file_size(out / "waltz_BAR_e.flac"));
    FolderSnapshot after = SnapshotOf(dir.Path());
    for (auto it = after.begin(); it != after.end();)
        it = it->first.starts_with("out") ? after.erase(it) : std::next(it);
    EXPECT_EQ(after, before);
}

TEST_F(PictureSoundRolls, SvgHoleBarsAreTheRollsEventsOneForOne) {
    ShellRun run =
        Convert("-q --picture svg " + Q(dir / "evening_waltz.bar") + " " + Q(dir / "open.bar"));
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"evening_waltz", "open"}) {
        LoadedRoll roll(dir / (std::string(name) + ".bar"));
        std::vector<std::string> expected = HoleLinesOfEvents(roll.doc);
        EXPECT_EQ(ReadOutput("svg", dir / (std::string(name) + "_BAR_e.svg")), expected) << name;
        EXPECT_GT(expected.size(), 3u);
    }
    // Holes left open at the roll's end, among them one above note 127.
    std::vector<std::string> open = ReadOutput("svg", dir / "open_BAR_e.svg");
    EXPECT_EQ(std::count_if(open.begin(), open.end(), [](auto& l) { return l.ends_with("open"); }),
              3);
    EXPECT_EQ(
        std::count_if(open.begin(), open.end(),
                      [](auto& l) { return l.starts_with("hole 253 ") && l.ends_with("open"); }),
        1);
}

// The PNG decodes to the picture's size: at the default density (no option), and at the
// density given, a long roll drawn narrower where it would be too wide.
TEST_F(PictureSoundRolls, PixelsPerInchSetsThePngsDensityAndALongRollIsDrawnNarrower) {
    LoadedRoll roll(dir / "evening_waltz.bar");
    // Its lanes as its roll type's tracker bar has them.
    RollScene scene(roll.doc);
    scene.SetTrackerBar(LoadProfile(ChooseProfileName(roll.doc.m_strRollType)));
    for (std::optional<double> density : {std::optional<double>(), std::optional(10.0),
                                          std::optional(80.0), std::optional(4000.0)}) {
        const std::string option =
            density ? " --pixels-per-inch " + std::to_string(*density) : std::string();
        ShellRun run = Convert("-q --picture png" + option + " " + Q(dir / "evening_waltz.bar"));
        ASSERT_EQ(run.status, 0) << run.err;
        PictureOptions options;
        if (density) options.pixelsPerInch = *density;
        RollView view = WholeRollView(scene, options);
        auto png = KeyValues(ReadOutput("png", dir / "evening_waltz_BAR_e.png"));
        EXPECT_EQ(png["width"], std::to_string(static_cast<int>(view.width))) << option;
        EXPECT_EQ(png["height"], std::to_string(static_cast<int>(view.height))) << option;
        EXPECT_LE(std::stoi(png["width"]), 32767) << option;
        if (!density) {
            EXPECT_GT(view.width, 1000);
        }
    }
}

TEST_F(PictureSoundRolls, WavIsCdQualityAsLongAsTheMidiFileAndSoundsWhileNotesHold) {
    ShellRun run = Convert("-q --audio --soundfont " TEST_SOUND_FONT " " +
                           Q(dir / "evening_waltz.bar") + " " + Q(dir / "open.bar"));
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"evening_waltz", "open"}) {
        std::string title = name;
        auto wav = KeyValues(
            ReadOutput("wav", dir / (title + "_BAR_e.wav"), dir / (title + "_BAR_e.mid")));
        EXPECT_EQ(wav["channels"], "2");
        EXPECT_EQ(wav["rate"], "44100");
        EXPECT_EQ(wav["bits"], "16");
        // The MIDI file's length, a block of rendering (0.1 s) and the release (2 s).
        double seconds = std::stod(wav["seconds"]), midi = std::stod(wav["midi_seconds"]);
        EXPECT_GE(seconds, midi + 2.0) << name;
        EXPECT_LE(seconds, midi + 2.1) << name;
        EXPECT_EQ(wav["silent_windows"], "0") << name;
        EXPECT_EQ(wav["loudest_before_first_note"], "0") << name;
    }
    auto waltz = KeyValues(
        ReadOutput("wav", dir / "evening_waltz_BAR_e.wav", dir / "evening_waltz_BAR_e.mid"));
    EXPECT_NEAR(std::stod(waltz["midi_seconds"]), 108.0, 1e-6);
    EXPECT_GT(std::stoi(waltz["windows_checked"]), 300);
}

// A sound font that is missing or cannot be used is found before any roll is converted: one
// message naming it as the user did, exit status 1, and nothing written (no MIDI file either: the
// user mends the font and runs again), for any -j and with --json.
TEST_F(PictureSoundRolls, UnusableSoundFontStopsTheRunBeforeAnyRoll) {
    WriteFile(dir / "text.sf2", "a text, not a sound font");
    WriteFile(dir / "empty.sf2", "");
    WriteFile(dir / "fake.sf2", Hex("52 49 46 46 10 00 00 00 73 66 62 6B 4C 49 53 54 04 00 00 00"));
    fs::create_directory(dir / "fonts");
    const std::map<std::string, Bytes> before = FilesOf(dir.Path());
    struct Case {
        std::string font;  // as typed, from the folder of the rolls
        std::string reason;
    } cases[] = {
        {"missing.sf2", "cannot open the file: No such file or directory"},
        {"./fonts/../missing.sf2", "cannot open the file: No such file or directory"},
        {(dir / "missing.sf2").string(), "cannot open the file: No such file or directory"},
        {"fonts", "cannot open the file: Is a directory"},
        {"text.sf2", "not a sound font (SoundFont 2 or DLS file)"},
        {"empty.sf2", "not a sound font (SoundFont 2 or DLS file)"},
        {"fake.sf2", "not a sound font that can be loaded"},
    };
    for (const Case& c : cases) {
        for (const char* options : {"-j1", "-j4 --json"}) {
            ShellRun run = RunShell("cd " + Q(dir.Path()) + " && " + CONVERTER_PATH + " " +
                                    options + " --picture png --audio --soundfont " + Q(c.font) +
                                    " evening_waltz.bar open.bar short.bar waltz.op2.web");
            EXPECT_EQ(run.status, 1) << c.font;
            EXPECT_EQ(run.out, "");
            // The reason may go on with FluidSynth's own words.
            const std::string start = "rollscribe-convert: sound font " + c.font + ": " + c.reason;
            EXPECT_TRUE(run.err.starts_with(start)) << run.err;
            EXPECT_TRUE(run.err.ends_with("; no roll converted\n")) << run.err;
            EXPECT_EQ(LinesOf(run.err).size(), 1u) << run.err;
            EXPECT_EQ(FilesOf(dir.Path()), before) << c.font;
            EXPECT_FALSE(HasTemporaryFile(dir.Path()));
        }
    }
}

// The MIDI files and the reports are the same with the new options as without them; the
// pictures and WAV files are the same for every -j; each output only for a converted roll.
TEST_F(PictureSoundRolls, MidiFilesAndReportsStayTheSameAndOutputsTheSameForEveryJobs) {
    fs::create_directory(dir / "x_BAR_e.mid");  // the MIDI file of x.bar cannot be written
    WriteFile(dir / "x.bar", RollBytes("00 30 05 30"));
    const std::string files = Rolls4() + " " + Q(dir / "notes.txt") + " " + Q(dir / "x.bar");
    ShellRun plain = Convert("-j2 " + files);
    ASSERT_EQ(plain.status, 1);
    std::map<std::string, Bytes> midiFiles = FilesOf(dir.Path());
    std::string plainErr = plain.err;
    TakeSummary(plainErr);

    std::map<std::string, Bytes> first;
    for (const char* options : {"-j1 --picture svg --audio --soundfont " TEST_SOUND_FONT,
                                "-j4 --picture svg --audio --soundfont " TEST_SOUND_FONT,
                                "-j3 --picture png", "-j1 --picture png", "-j2 --picture pdf",
                                "-j4 --audio --soundfont " TEST_SOUND_FONT " --json"}) {
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            if (entry.path().filename().string().find("_BAR_e.") != std::string::npos &&
                entry.is_regular_file())
                fs::remove(entry.path());
        ShellRun run = Convert(std::string(options) + " " + files);
        EXPECT_EQ(run.status, 1) << options;
        TakeSummary(run.err);
        EXPECT_EQ(run.err, plainErr) << options;
        if (!std::string(options).ends_with("--json")) {
            EXPECT_EQ(run.out, plain.out) << options;
        }
        std::map<std::string, Bytes> files = FilesOf(dir.Path());
        for (const auto& [name, bytes] : files) {
            if (name.ends_with(".mid")) {
                EXPECT_EQ(bytes, midiFiles[name]) << options << ": " << name;
            } else if (midiFiles.count(name) == 0) {
                // A picture or WAV file: only of the rolls converted, the same for every -j.
                std::string title = name.substr(0, name.rfind('.'));
                EXPECT_TRUE(midiFiles.count(title + ".mid")) << options << ": " << name;
                Bytes kept = bytes;
                if (name.ends_with(".pdf")) {  // its creation date aside
                    std::string text(kept.begin(), kept.end());
                    std::size_t date = text.find("/CreationDate (");
                    ASSERT_NE(date, std::string::npos);
                    kept.erase(kept.begin() + date, kept.begin() + text.find(')', date));
                }
                if (name.ends_with(".svg")) ExpectWellFormedSvg(dir / name);
                if (first.count(name)) {
                    EXPECT_EQ(kept, first[name]) << options << ": " << name;
                }
                first[name] = kept;
            }
        }
    }
    // Of the 6 entries, 3 rolls are converted: 3 outputs of each kind.
    for (const char* extension : {".svg", ".png", ".pdf", ".wav"}) {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : first)
            if (name.ends_with(extension)) names.push_back(name);
        EXPECT_EQ(names, (std::vector<std::string>{std::string("evening_waltz_BAR_e") + extension,
                                                   std::string("open_BAR_e") + extension,
                                                   std::string("waltz_BAR_e") + extension}));
    }
}

// Rolls that write one MIDI file: the later one is refused, and so are its picture and WAV file.
TEST_F(PictureSoundRolls, ARefusedRollWritesNoPictureNorWavFile) {
    WriteFile(dir / "a.bar", RollBytes("00 30 7F 30"));
    WriteFile(dir / "a.web", RollBytes("00 31 00 32 7F 31 7F 32"));
    WriteFile(dir / "a.ann", "/title: A\r\n");
    ASSERT_EQ(
        Convert("-q --picture svg --audio --soundfont " TEST_SOUND_FONT " " + Q(dir / "a.web"))
            .status,
        0);
    std::map<std::string, Bytes> alone = FilesOf(dir.Path());
    ASSERT_TRUE(alone.count("a_BAR_e.svg") && alone.count("a_BAR_e.wav"));
    ExpectWellFormedSvg(dir / "a_BAR_e.svg");
    for (const char* jobs : {"-j1", "-j4"}) {
        for (const char* output : {"a_BAR_e.mid", "a_BAR_e.svg", "a_BAR_e.wav"})
            fs::remove(dir / output);
        ShellRun run =
            Convert(std::string("--picture svg --audio --soundfont " TEST_SOUND_FONT " ") + jobs +
                    " " + Q(dir / "a.web") + " " + Q(dir / "a.bar"));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(TakeSummary(run.err),
                  "rollscribe-convert: 1 MIDI file written, 1 picture written, 1 WAV file "
                  "written, 1 roll failed or refused, in T s\n");
        EXPECT_EQ(run.err, "rollscribe-convert: " + (dir / "a.bar").string() +
                               ": writes the same MIDI file as " + (dir / "a.web").string() +
                               "; not converted\n");
        EXPECT_EQ(FilesOf(dir.Path()), alone) << jobs;
    }
}

// --json with the new options: "picture" and "audio" after "midi", the file written or null;
// a failed output makes the roll failed, with the reason.
TEST_F(PictureSoundRolls, JsonLinesNameThePictureAndWavFileOrNull) {
    const std::string files =
        Q(dir / "evening_waltz.bar") + " " + Q(dir / "short.bar") + " " + Q(dir / "notes.txt");

    ShellRun plain = Convert("--json " + files);
    auto without = ReadJsonLines(plain.out);
    EXPECT_EQ(without.count("0 picture") + without.count("0 audio") + without.count("0 keys"), 0u);

    ShellRun run = Convert("--json --picture png --audio --soundfont " TEST_SOUND_FONT " " + files);
    EXPECT_EQ(run.status, 1);
    auto got = ReadJsonLines(run.out);
    EXPECT_EQ(got.count("0 keys"), 0u) << got["0 keys"];
    EXPECT_EQ(got["0 status"], JsonHex("written"));
    EXPECT_EQ(got["0 reason"], "null");
    EXPECT_EQ(got["0 picture"], JsonHex((dir / "evening_waltz_BAR_e.png").string()));
    EXPECT_EQ(got["0 audio"], JsonHex((dir / "evening_waltz_BAR_e.wav").string()));
    for (const char* i : {"1", "2"}) {
        EXPECT_EQ(got[std::string(i) + " picture"], "null");
        EXPECT_EQ(got[std::string(i) + " audio"], "null");
        EXPECT_EQ(got[std::string(i) + " reason"], without[std::string(i) + " reason"]);
    }
    for (const auto& [key, value] : without) EXPECT_EQ(got[key], value) << key;

    const std::string wav = (dir / "evening_waltz_BAR_e.wav").string();
    fs::remove(wav);
    fs::create_directory(wav);
    auto failed =
        ReadJsonLines(Convert("--json --picture svg --audio --soundfont " TEST_SOUND_FONT " " +
                              Q(dir / "evening_waltz.bar"))
                          .out);
    EXPECT_EQ(failed["0 status"], JsonHex("failed"));
    EXPECT_EQ(failed["0 reason"], JsonHex(wav + ": cannot replace the file: Is a directory"));
    EXPECT_EQ(failed["0 picture"], JsonHex((dir / "evening_waltz_BAR_e.svg").string()));
    EXPECT_EQ(failed["0 audio"], "null");
    EXPECT_EQ(failed["0 midi"], without["0 midi"]);
    EXPECT_EQ(failed["0 notes"], without["0 notes"]);
}

// A terminating signal while a long WAV file renders: the converter ends by it, its temporary
// file removed, the WAV file of an earlier run as it was, the MIDI file complete.
TEST(ConverterSignals, ASignalWhileAWavFileRendersLeavesNoTemporaryFile) {
    TempDir dir, io;
    WriteFile(dir / "long.bar", LongRoll(40 * 60));  // 40 minutes: some 20 s of rendering
    WriteFile(dir / "long_BAR_e.wav", "the WAV file of an earlier run");
    fs::permissions(dir / "long_BAR_e.wav", fs::perms(0640));
    ASSERT_EQ(Convert("-q " + Q(dir / "long.bar")).status, 0);
    const Bytes midi = ReadFile(dir / "long_BAR_e.mid");
    const std::map<std::string, Bytes> before = FilesOf(dir.Path());
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        fs::remove(dir / "long_BAR_e.mid");
        pid_t pid = StartProgram(
            CONVERTER_PATH,
            {"--audio", "--soundfont", TEST_SOUND_FONT, (dir / "long.bar").string()}, io / "err");
        auto start = std::chrono::steady_clock::now();
        auto waited = [&] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        const std::string wav = "long_BAR_e.wav.";
        while (!HasTemporaryFile(dir.Path(), wav) && waited() < 60) ::usleep(1000);
        ASSERT_TRUE(HasTemporaryFile(dir.Path(), wav))
            << "no WAV file begun: " << Slurp(io / "err");
        ::usleep(300 * 1000);  // well into the WAV file
        ASSERT_TRUE(HasTemporaryFile(dir.Path(), wav)) << "rendered before the signal";
        ::kill(pid, signal);
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == signal) << signal << " " << raw;
        EXPECT_FALSE(HasTemporaryFile(dir.Path())) << signal;
        EXPECT_EQ(FilesOf(dir.Path()), before) << signal;
        EXPECT_EQ(fs::status(dir / "long_BAR_e.wav").permissions(), fs::perms(0640));
    }
}

// The threads of a running process now, from /proc (0 once it has ended).
int ThreadsOf(pid_t pid) {
    const std::string status = Slurp("/proc/" + std::to_string(pid) + "/status");
    const std::size_t at = status.find("\nThreads:");
    return at == std::string::npos ? 0 : std::stoi(status.substr(at + 9));
}

// Rendering under the limits a user sets (`ulimit -v`, `ulimit -u`): the sound library starts no
// thread of its own (it started one for every processor, and ended the run when the system
// refused one) and never crashes (its sound-font loader did, out of memory). Every MIDI file is
// written; a WAV file is written where memory allows, else its roll says why; no temporary file
// is left.
TEST(ConverterLimits, TheSoundPathStartsNoThreadAndLivesWithinLimits) {
#ifdef ROLLSCRIBE_SANITIZED
    GTEST_SKIP() << "a sanitizer build reserves terabytes of shadow memory and cannot start "
                    "under an address-space limit";
#endif
    TempDir dir;
    // The program copied where another user may run it, wherever the checkout lies.
    const fs::path converter = CopyProgram(CONVERTER_PATH, dir.Path());
    fs::create_directory(dir / "rolls");
    std::vector<std::string> rolls;
    for (int i = 0; i < 16; ++i) {
        const fs::path roll = dir / "rolls" / ("r" + std::to_string(i) + ".bar");
        WriteFile(roll, LongRoll(8 + i));
        WriteFile(fs::path(roll).replace_extension(".ann"), "/title: Long\r\n");
        rolls.push_back(roll.string());
    }
    const bool root = ::geteuid() == 0;
    if (root) {
        RunShell("chown -R nobody:nogroup " + Q(dir.Path()));
        fs::permissions(dir.Path(), fs::perms(0755));
    }
    struct Case {
        std::string limit;
        int jobs;
        bool allWritten;  // every WAV file too
    } cases[] = {
        {"ulimit -v 60000", 1, false}, {"ulimit -v 75000", 1, false},
        {"ulimit -v 100000", 1, true}, {"ulimit -v 300000", 4, true},
        {"ulimit -v 350000", 2, true}, {"ulimit -v 1000000", 16, true},
        {"ulimit -u 2", 2, true},  // as a user other than root, whose processes count
        {"ulimit -u 1", 16, true},     {"", 16, true},
    };
    for (const Case& c : cases) {
        for (const auto& entry : fs::directory_iterator(dir / "rolls"))
            if (!entry.path().string().ends_with(".bar") &&
                !entry.path().string().ends_with(".ann"))
                fs::remove(entry.path());
        std::string command = (c.limit.empty() ? "" : c.limit + " && ") + "exec " + Q(converter) +
                              " -q -j" + std::to_string(c.jobs) +
                              " --audio --soundfont " TEST_SOUND_FONT;
        for (const std::string& roll : rolls) command += " " + Q(roll);
        std::vector<std::string> args{"-c", command};
        std::string program = "/bin/bash";
        if (root) {
            args.insert(args.begin(), {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "env",
                                       "ASAN_OPTIONS=detect_leaks=0", "/bin/bash"});
            program = "/usr/bin/setpriv";
        }
        TempDir io;
        const pid_t pid = StartProgram(program, args, io / "err");
        int raw = 0, threads = 0;
        while (::waitpid(pid, &raw, WNOHANG) == 0) {
            threads = std::max(threads, ThreadsOf(pid));
            ::usleep(2000);
        }
        const std::string err = Slurp(io / "err");
        const std::string what = c.limit + " -j" + std::to_string(c.jobs);
        ASSERT_TRUE(WIFEXITED(raw)) << what << ": ended by signal " << WTERMSIG(raw) << "\n" << err;
        EXPECT_LE(WEXITSTATUS(raw), c.allWritten ? 0 : 1) << what << "\n" << err;
        EXPECT_LE(threads, 1 + c.jobs) << what << ": threads besides the workers";
        EXPECT_FALSE(HasTemporaryFile(dir / "rolls")) << what;
        std::size_t messages = 0;
        for (const std::string& roll : rolls) {
            const std::string title = roll.substr(0, roll.size() - 4);
            EXPECT_TRUE(fs::exists(title + "_BAR_e.mid")) << what << ": " << roll;
            if (fs::exists(title + "_BAR_e.wav")) continue;
            EXPECT_FALSE(c.allWritten) << what << ": no WAV file of " << roll << "\n" << err;
            const std::string line =
                "rollscribe-convert: " + roll + ": cannot render the WAV file: not enough memory";
            messages += err.find(line) != std::string::npos;
        }
        EXPECT_EQ(messages, LinesOf(err).size()) << what << "\n" << err;
    }
}

// On a terminal the progress bar follows a WAV file as it renders, also for one file, and is
// gone before the report; elsewhere nothing is added.
TEST(ConverterProgress, TheBarMovesWhileAWavFileRenders) {
    TempDir dir;
    WriteFile(dir / "song.bar", LongRoll(10 * 60));  // 10 minutes: 2 to 5 s of rendering
    WriteFile(dir / "song.ann", "/title: Song\r\n");
    std::string screen = RunOnTerminal(
        CONVERTER_PATH, {"--audio", "--soundfont", TEST_SOUND_FONT, (dir / "song.bar").string()});
    std::vector<std::size_t> filled;
    for (std::size_t at = 0; (at = screen.find("\r[", at)) != std::string::npos; ++at) {
        std::size_t end = screen.find("] 0/1", at);
        if (end == std::string::npos) break;
        filled.push_back(std::count(screen.begin() + at, screen.begin() + end, '#'));
    }
    EXPECT_GE(filled.size(), 3u) << screen;
    EXPECT_TRUE(std::is_sorted(filled.begin(), filled.end()));
    EXPECT_GT(filled.back(), filled.front());
    EXPECT_LE(filled.back(), 40u);
    std::size_t cleared = screen.rfind("\r\033[K");
    ASSERT_NE(cleared, std::string::npos);
    EXPECT_TRUE(screen.substr(cleared).starts_with("\r\033[K\n File Info : ")) << screen;
    EXPECT_EQ(screen.find("\r[", cleared), std::string::npos);

    ShellRun plain = Convert("--audio --soundfont " TEST_SOUND_FONT " " + Q(dir / "song.bar"));
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(plain.out, screen.substr(cleared + 4));
}

// A picture or WAV file that cannot be written fails the roll, with its reason, and leaves the
// other outputs written.
TEST_F(PictureSoundRolls, AnOutputThatCannotBeWrittenFailsTheRollOnly) {
    const fs::path roll = dir / "open.bar";
    const std::string png = (dir / "open_BAR_e.png").string();
    const std::string wav = (dir / "open_BAR_e.wav").string();
    const std::string kRefused = ": cannot replace the file: Is a directory";
    const std::string kWarned = "rollscribe-convert: " + roll.string() +
                                ": 1 of 5 holes lies outside the roll system's tracker bar "
                                "(notes 14-113)\nrollscribe-convert: " +
                                roll.string() +
                                ": 3 tracks still open at the end (notes 20, 64, 253)\n";
    struct Case {
        std::vector<std::string> folders;  // outputs whose names a folder takes
        std::string summary;
    } cases[] = {
        {{png}, "1 MIDI file written, 0 pictures written, 1 WAV file written"},
        {{wav}, "1 MIDI file written, 1 picture written, 0 WAV files written"},
        {{png, wav}, "1 MIDI file written, 0 pictures written, 0 WAV files written"},
    };
    for (const Case& c : cases) {
        for (const std::string& output : {png, wav, (dir / "open_BAR_e.mid").string()})
            fs::remove(output);
        std::string lines, reason;
        for (const std::string& folder : c.folders) {
            fs::create_directory(folder);
            lines += "rollscribe-convert: " + roll.string() + ": " + folder + kRefused + "\n";
            reason += (reason.empty() ? "" : "; ") + folder + kRefused;
        }
        ShellRun run = Convert("--picture png --audio --soundfont " TEST_SOUND_FONT " " + Q(roll) +
                               " " + Q(dir / "notes.txt"));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(TakeSummary(run.err), "rollscribe-convert: " + c.summary +
                                            ", 2 rolls failed or refused, 1 roll with warnings, "
                                            "in T s\n");
        EXPECT_EQ(run.err, kWarned + lines + "rollscribe-convert: " + (dir / "notes.txt").string() +
                               ": not a roll file: the extension must be bar or web\n");
        EXPECT_TRUE(fs::is_regular_file(dir / "open_BAR_e.mid"));
        EXPECT_EQ(fs::is_regular_file(png), c.folders.front() != png);
        EXPECT_EQ(fs::is_regular_file(wav), c.folders.back() != wav);

        ShellRun json =
            Convert("--json --picture png --audio --soundfont " TEST_SOUND_FONT " " + Q(roll));
        EXPECT_NE(json.out.find("\"status\":\"failed\",\"reason\":\"" + reason + "\""),
                  std::string::npos)
            << json.out;
        for (const std::string& folder : c.folders) fs::remove(folder);
    }
}

// The converter itself loads neither Cairo nor FluidSynth, which would make every plain
// conversion start several times slower: it opens its picture-and-sound module when --picture or
// --audio is given. Without the module, the options are refused.
TEST(ConverterOptions, PicturesAndSoundAreLoadedOnlyWhenAskedFor) {
    ShellRun libraries = RunShell(std::string("ldd ") + CONVERTER_PATH);
    ASSERT_EQ(libraries.status, 0);
    EXPECT_EQ(libraries.out.find("libfluidsynth"), std::string::npos) << libraries.out;
    EXPECT_EQ(libraries.out.find("libcairo"), std::string::npos) << libraries.out;

    TempDir dir;
    fs::create_directory(dir / "bin");
    fs::copy_file(CONVERTER_PATH, dir / "bin/rollscribe-convert");
    WriteFile(dir / "a.bar", RollBytes("00 30 05 30"));
    ShellRun run = RunShell(Q(dir / "bin/rollscribe-convert") + " --audio " + Q(dir / "a.bar"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "rollscribe-convert: --picture and --audio are not available: " +
                           (dir / "bin" / OUTPUTS_MODULE_FROM_BIN).string() +
                           ": cannot open shared object file: No such file or directory\n");
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"a.bar", "bin"}));
    EXPECT_EQ(RunShell(Q(dir / "bin/rollscribe-convert") + " -q " + Q(dir / "a.bar")).status, 0);
    // With the module at its place beside it, the copy writes them.
    const fs::path copy = CopyProgram(CONVERTER_PATH, dir / "copy");
    EXPECT_EQ(RunShell(Q(copy) + " -q --picture svg " + Q(dir / "a.bar")).status, 0);
    EXPECT_TRUE(fs::exists(dir / "a_BAR_e.svg"));
}

// Without /proc the converter cannot tell where its own file is: it opens the picture-and-sound
// module where that is installed, never one relative to the working folder nor one found through
// the library search path.
TEST(ConverterOptions, WithoutProcNoModuleIsOpenedFromTheWorkingFolder) {
#ifdef ROLLSCRIBE_SANITIZED
    GTEST_SKIP() << "the sanitizers read /proc/self/maps to start";
#endif
    if (::geteuid() != 0 || RunShell("unshare -m true").status != 0)
        GTEST_SKIP() << "needs root and a mount namespace to hide /proc";
    TempDir dir;
    // A working copy of the module where a path relative to the working folder, or a search,
    // would find it; the installed one hidden, if there is one.
    const fs::path module = fs::path(CONVERTER_PATH).parent_path() / OUTPUTS_MODULE_FROM_BIN;
    const fs::path relative = (dir / "work/here" / OUTPUTS_MODULE_FROM_BIN).lexically_normal();
    fs::create_directories(relative.parent_path());
    fs::create_directories(dir / "work/here/search");
    fs::copy_file(module, relative);
    fs::copy_file(module, dir / "work/here/search" / module.filename());
    fs::copy_file(module, dir / "work/here" / module.filename());
    WriteFile(dir / "a.bar", RollBytes("00 30 05 30"));
    const std::string installed = INSTALLED_OUTPUTS_MODULE;
    const std::string hide = fs::exists(fs::path(installed).parent_path())
                                 ? " && mount -t tmpfs none " + Q(fs::path(installed).parent_path())
                                 : "";
    ShellRun run =
        RunShell("unshare -m sh -c " +
                 Q("mount -t tmpfs none /proc" + hide + " && cd " + Q(dir / "work/here") +
                   " && LD_LIBRARY_PATH=" + Q(dir / "work/here/search") + " exec " +
                   CONVERTER_PATH + " --picture svg " + Q(dir / "a.bar")));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "rollscribe-convert: --picture and --audio are not available: " + installed +
                           ": cannot open shared object file: No such file or directory\n");
    EXPECT_FALSE(fs::exists(dir / "a_BAR_e.svg"));
}

TEST(ConverterOptions, PictureAndSoundOptionsMisusedAreUsageErrors) {
    TempDir dir;
    WriteFile(dir / "a.bar", RollBytes("00 30 05 30"));
    struct Case {
        std::string args;
        std::string message;
    } cases[] = {
        {"--picture jpg", "--picture: jpg not in {png,svg,pdf,pdf-a4,pdf-letter}"},
        {"--picture png,svg", "--picture: png,svg not in {png,svg,pdf,pdf-a4,pdf-letter}"},
        {"--picture", "--picture: 1 required FORMAT missing"},
        {"--audio --soundfont", "--soundfont: 1 required FILE missing"},
        {"--soundfont x.sf2", "--soundfont requires --audio"},
        {"--picture png --pixels-per-inch 0",
         "--pixels-per-inch: Value 0 not in range 0.01 to 4000"},
        {"--picture png --pixels-per-inch 4.9e-324",
         "--pixels-per-inch: Value 4.9e-324 not in range 0.01 to 4000"},
        {"--picture png --pixels-per-inch 0.0099",
         "--pixels-per-inch: Value 0.0099 not in range 0.01 to 4000"},
        {"--picture png --pixels-per-inch 4001",
         "--pixels-per-inch: Value 4001 not in range 0.01 to 4000"},
        {"--picture png --pixels-per-inch nan",
         "--pixels-per-inch: Value nan not in range 0.01 to 4000"},
        {"--picture png --pixels-per-inch 40x",
         "--pixels-per-inch: Value 40x not in range 0.01 to 4000"},
        {"--picture png --pixels-per-inch", "--pixels-per-inch: 1 required N missing"},
        {"--pixels-per-inch 80", "--pixels-per-inch requires --picture"},
    };
    for (const Case& c : cases) {
        bool last = c.args.ends_with("picture") || c.args.ends_with("soundfont") ||
                    c.args.ends_with("inch");
        ShellRun run =
            Convert(last ? Q(dir / "a.bar") + " " + c.args : c.args + " " + Q(dir / "a.bar"));
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_EQ(run.err, "rollscribe-convert: " + c.message +
                               "\nTry 'rollscribe-convert --help' for more information.\n")
            << c.args;
    }
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"a.bar"});
}

}  // namespace
