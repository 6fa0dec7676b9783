// Converting an archive through the built converter: JSON Lines read back by Python, folders
// with -r, rolls that share an output, LF-only annotation files, bundled options, the summary.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "cli/JsonRecord.h"
#include "support/ConverterRun.h"
#include "support/FolderSnapshot.h"
#include "support/MidiInvariants.h"
#include "support/ProgramAsUser.h"
#include "support/RollFixture.h"
#include "support/ShellRun.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

// The report's fields by their label ("Title", "Tempo", ...), for each report in order.
std::vector<std::map<std::string, std::string>> ReportFields(const std::string& out) {
    std::vector<std::map<std::string, std::string>> reports;
    std::size_t at = 0;
    while ((at = out.find("\n File Info : ", at)) != std::string::npos) {
        std::size_t end = out.find("\n File Info : ", at + 1);
        std::string report =
            out.substr(at, end == std::string::npos ? std::string::npos : end - at);
        std::map<std::string, std::string> fields;
        for (const char* label : {"This File", "Roll MFR", "Roll Number", "Title", "Composer",
                                  "Performer", "Tempo", "BAR file Steps per Inch"}) {
            std::string key = std::string("\n ") + label + " : ";
            std::size_t from = report.rfind(key);
            if (from == std::string::npos) continue;
            from += key.size();
            std::size_t to = report.find('\n', from);
            fields[label] =
                report.substr(from, to == std::string::npos ? std::string::npos : to - from);
        }
        reports.push_back(fields);
        at = at + 1;
    }
    return reports;
}

// A folder of rolls of every kind a run meets.
class Archive : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"evening_waltz.bar", "evening_waltz.ann"})
            fs::copy_file(fs::path(EXAMPLES_DIR) / name, dir / name);
        // Texts that are not UTF-8 (Latin-1), a C1 control and a zero byte.
        WriteFile(dir / "latin.bar",
                  RollBytes("00 30 90 03 31 00 F0 A9 20 31 39 32 35 00 00 30 00 31"));
        std::string ann =
            "/title: Valse tr\xE8s lente\r\n/composer: \xC3\x89mile \xC2\x9B\r\n"
            "/roll_tempo: 70\r\n/roll_type: Ampico\r\n/x: a";
        ann += std::string(1, '\0') + "b\r\n";
        WriteFile(dir / "latin.ann", ann);
        WriteFile(dir / "short.bar", Hex("01"));
        WriteFile(dir / "notes.txt", "not a roll");
        WriteFile(dir / "latin.web", RollBytes("00 30 05 30"));
    }
    TempDir dir;
};

TEST_F(Archive, JsonLinesReadBackByPythonMatchTheReports) {
    std::string files = Q(dir / "evening_waltz.bar") + " " + Q(dir / "latin.bar") + " " +
                        Q(dir / "short.bar") + " " + Q(dir / "notes.txt") + " " +
                        Q(dir / "latin.web") + " " + Q(dir / "missing.bar");
    ShellRun text = Convert("-j 3 " + files);
    ShellRun json = Convert("-j 3 --json " + files);
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(TakeSummary(text.err), TakeSummary(json.err));
    EXPECT_EQ(text.err, json.err);

    std::map<std::string, std::string> got = ReadJsonLines(json.out);
    auto reports = ReportFields(text.out);
    ASSERT_EQ(reports.size(), 6u);
    const char* labels[][2] = {{"Roll MFR", "manufacturer"}, {"Roll Number", "roll_number"},
                               {"Title", "title"},           {"Composer", "composer"},
                               {"Performer", "performer"},   {"Tempo", "tempo"}};
    for (std::size_t i = 0; i < reports.size(); ++i) {
        std::string n = std::to_string(i) + " ";
        for (auto [label, key] : labels)
            EXPECT_EQ(got[n + key], JsonHex(reports[i][label])) << i << " " << key;
        EXPECT_EQ(got[n + "steps_per_inch"], reports[i]["BAR file Steps per Inch"]) << i;
    }
    const char* statuses[] = {"written", "written", "failed", "rejected", "rejected", "failed"};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(got[std::to_string(i) + " status"], JsonHex(statuses[i])) << i;
    EXPECT_EQ(got["0 reason"], "null");
    EXPECT_EQ(got["2 reason"], JsonHex("the file ends too early"));
    EXPECT_EQ(got["3 reason"], JsonHex("not a roll file: the extension must be bar or web"));
    EXPECT_EQ(got["3 midi"], "null");
    EXPECT_EQ(got["4 reason"], JsonHex("writes the same MIDI file as " +
                                       (dir / "latin.bar").string() + "; not converted"));
    EXPECT_EQ(got["1 input"], JsonHex((dir / "latin.bar").string()));
    EXPECT_EQ(got["1 midi"], JsonHex((dir / "latin_BAR_e.mid").string()));
    EXPECT_EQ(got["4 midi"], got["1 midi"]);
    EXPECT_EQ(got["1 roll_type"], JsonHex("Ampico"));
    EXPECT_EQ(got["1 annotations"],
              JsonHex("/title") + "=" + JsonHex("Valse tr\xE8s lente") + ";" +
                  JsonHex("/composer") + "=" + JsonHex("\xC3\x89mile \xC2\x9B") + ";" +
                  JsonHex("/roll_tempo") + "=" + JsonHex("70") + ";" + JsonHex("/roll_type") + "=" +
                  JsonHex("Ampico") + ";" + JsonHex("/x") + "=" + JsonHex(std::string("a\0b", 3)));
    EXPECT_EQ(got["1 events"], "5");
    EXPECT_EQ(got["1 notes"], "2");
    // 400 steps at 800 steps a second and tempo 70 (571 steps an inch): 700 thousandths of an
    // inch, 280 ticks at 857,142 microseconds a quarter note.
    EXPECT_EQ(got["1 seconds"], "0.4999995");
    EXPECT_EQ(got["2 events"], "0");

    // The example roll's length agrees with what an independent reader finds in its MIDI file.
    ShellRun midi = RunShell(Q(MIDI_READER) + " " + Q(dir / "evening_waltz_BAR_e.mid"));
    ASSERT_EQ(midi.status, 0) << midi.err;
    EXPECT_NE(midi.out.find("total_ticks 69120\n"), std::string::npos);
    EXPECT_NE(midi.out.find("tempo 750000\n"), std::string::npos);
    EXPECT_EQ(got["0 seconds"], "108.0");  // 69,120 ticks at 750,000 microseconds a quarter
    Bytes file = ReadFile(dir / "evening_waltz_BAR_e.mid");
    int noteOns = 0;
    CheckMidiFile(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()),
                  [&](const MidiEvent& e) { noteOns += e.status == 0x90 && e.data[1] != 0; });
    EXPECT_EQ(got["0 notes"], std::to_string(noteOns));
}

TEST_F(Archive, RecursiveRunFindsRollsInAnyCaseSortedSkippingLinkedFolders) {
    for (const char* folder : {"tree", "tree/b", "tree/A", "outside"})
        fs::create_directory(dir / folder);
    for (const char* roll :
         {"tree/b/two.BAR", "tree/A/one.web", "tree/three.Bar", "outside/far.bar"})
        WriteFile(dir / roll, RollBytes("00 30 05 30"));
    WriteFile(dir / "tree/readme.txt", "text");
    fs::create_directory_symlink(dir / "outside", dir / "tree/linked");
    fs::create_symlink(dir / "tree/three.Bar", dir / "tree/b/three-again.bar");
    ShellRun one = Convert("-r -j 1 " + Q(dir / "tree") + " " + Q(dir / "evening_waltz.bar"));
    ShellRun four =
        Convert("--recursive -j4 " + Q(dir / "tree") + " " + Q(dir / "evening_waltz.bar"));
    EXPECT_EQ(TakeSummary(one.err),
              "rollscribe-convert: 5 MIDI files written, 0 rolls failed or refused, 4 rolls with "
              "warnings, in T s\n");
    TakeSummary(four.err);
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, four.out);
    EXPECT_EQ(one.err, four.err);
    auto reports = ReportFields(one.out);
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[0]["This File"], (dir / "tree/A/one.web").string());
    EXPECT_EQ(reports[1]["This File"], (dir / "tree/b/three-again.bar").string());
    EXPECT_EQ(reports[2]["This File"], (dir / "tree/b/two.BAR").string());
    EXPECT_EQ(reports[3]["This File"], (dir / "tree/three.Bar").string());
    EXPECT_EQ(reports[4]["This File"], (dir / "evening_waltz.bar").string());
    EXPECT_FALSE(fs::exists(dir / "outside/far_BAR_e.mid")) << "a linked folder was followed";
    EXPECT_TRUE(fs::exists(dir / "tree/b/three-again_BAR_e.mid"));
    EXPECT_TRUE(fs::exists(dir / "tree/three_BAR_e.mid"));
}

// An unreadable folder, a folder that may be listed but not entered, and an unreadable roll, as a
// user without the right to read them: the run goes on and says what it could not read. Root reads
// everything, so as root the run is made as the user nobody.
TEST_F(Archive, RecursiveRunReportsWhatItCannotRead) {
    fs::path tree = dir / "tree";
    for (const char* folder : {"tree", "tree/closed", "tree/listed", "tree/open"})
        fs::create_directory(dir / folder);
    WriteFile(tree / "closed/hidden.bar", RollBytes("00 30 05 30"));
    WriteFile(tree / "listed/x.bar", RollBytes("00 30 05 30"));
    WriteFile(tree / "open/a.bar", RollBytes("00 30 05 30"));
    WriteFile(tree / "open/a.ann", "/title: A\r\n");
    WriteFile(tree / "open/secret.bar", RollBytes("00 30 05 30"));
    const ProgramAsUser converter(CONVERTER_PATH);
    if (::geteuid() == 0) {
        fs::permissions(dir.Path(), fs::perms(0755));
        RunShell("chown -R nobody:nogroup " + Q(tree));
    }
    fs::permissions(tree / "closed", fs::perms(0));
    fs::permissions(tree / "listed", fs::perms(0444));  // its names may be read, no more
    fs::permissions(tree / "open/secret.bar", fs::perms(0));
    for (const char* jobs : {"-j1", "-j4"}) {
        ShellRun run = RunShell(converter.Command() + " -qr " + jobs + " " + Q(tree));
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_EQ(run.err, "rollscribe-convert: " + (tree / "closed").string() +
                               ": cannot read the folder: Permission denied\n"
                               "rollscribe-convert: " +
                               (tree / "listed/x.bar").string() +
                               ": cannot open the file: Permission denied\n"
                               "rollscribe-convert: " +
                               (tree / "open/secret.bar").string() +
                               ": cannot open the file: Permission denied\n");
        EXPECT_TRUE(fs::exists(tree / "open/a_BAR_e.mid"));
    }
    fs::permissions(tree / "closed", fs::perms(0755));
    fs::permissions(tree / "listed", fs::perms(0755));
}

// Every roll is converted however deep it lies: at a path longer than the system takes in one
// call (18 folders of 250 characters), found by -r or named, and 1,020 folders deep under a limit
// of 1,024 open files.
TEST_F(Archive, RollsAreConvertedAtAnyDepth) {
    struct Case {
        int folders;
        std::size_t nameLength;
        bool recursive;
        const char* limit;
    } cases[] = {{18, 250, true, ""}, {18, 250, false, ""}, {1020, 1, true, "ulimit -n 1024 && "}};
    for (const Case& c : cases) {
        TempDir tree;
        const std::string name(c.nameLength, 'd');
        std::string folder = tree.Path().string();
        // Made a folder at a time: a path that long cannot be named in one call.
        int fd = ::open(tree.Path().c_str(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < c.folders; ++i, folder += "/" + name) {
            int next = ::mkdirat(fd, name.c_str(), 0755) == 0
                           ? ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY)
                           : -1;
            ::close(fd);
            fd = next;
        }
        ASSERT_GE(fd, 0);
        for (const char* file : {"evening_waltz.bar", "evening_waltz.ann"}) {
            const Bytes bytes = ReadFile(dir / file);
            int out = ::openat(fd, file, O_WRONLY | O_CREAT | O_EXCL, 0644);
            EXPECT_EQ(::write(out, bytes.data(), bytes.size()), std::ssize(bytes));
            ::close(out);
        }
        ::close(fd);
        const std::string what = std::to_string(c.folders) + " folders";
        ShellRun run =
            RunShell(c.limit + std::string(CONVERTER_PATH) + " -q --json " +
                     (c.recursive ? "-r " + Q(tree.Path()) : Q(folder + "/evening_waltz.bar")));
        EXPECT_EQ(run.status, 0) << what << ": " << run.err.substr(0, 300);
        std::map<std::string, std::string> fields = ReadJsonLines(run.out);
        EXPECT_EQ(fields["0 status"], JsonHex("written")) << what;
        EXPECT_EQ(fields["0 title"], JsonHex("Evening Waltz")) << what << ": annotation file read";
        EXPECT_EQ(fields["0 midi"], JsonHex(folder + "/evening_waltz_BAR_e.mid")) << what;
        // The MIDI file is that of the roll converted beside the archive, and stands alone.
        ASSERT_EQ(Convert("-q " + Q(dir / "evening_waltz.bar")).status, 0);
        ShellRun found =
            RunShell("find " + Q(tree.Path()) + " -name '*_BAR_e.mid' -execdir cmp -s {} " +
                     Q(dir / "evening_waltz_BAR_e.mid") + " \\; -print -o -name '*.tmp' -print");
        EXPECT_EQ(LinesOf(found.out).size(), 1u) << what << ": " << found.out.substr(0, 300);
        RunShell("rm -rf " + Q(tree.Path()));  // a tree this deep is more than TempDir removes
    }
}

// Rolls that would write one MIDI file: the first named is converted, every later one refused
// with a message naming it, whatever the number of jobs. Each roll holds a note of its own, so
// that the file written shows which one it came from.
TEST_F(Archive, RollsWritingOneMidiFileAreRefusedAfterTheFirst) {
    std::map<std::string, int> track;  // each roll's one track
    for (const char* file : {"c/a.op9.bar", "c/a.op48.bar", "c/a.bar", "c/a.web", "c/b.bar",
                             "c/A.bar", "d/a.bar", "r1/x/a.bar", "r2/x/a.bar", "r2/y/a.bar"}) {
        fs::create_directories((dir / file).parent_path());
        track[file] = 0x30 + static_cast<int>(track.size());
        char hex[8];
        std::snprintf(hex, sizeof hex, "00 %02X", track[file]);
        WriteFile(dir / file, RollBytes(hex));
    }
    WriteFile(dir / "c/a.txt", "not a roll");
    fs::create_directory_symlink(dir / "c", dir / "l");
    fs::create_directory(dir / "c/sub");
    struct Case {
        const char* name;
        const char* options;
        std::vector<std::string> named;
        std::vector<std::string> entries;  // the run's entries: the named files, or those found
        std::vector<int> refusedBy;        // per entry: the earlier one it is refused for, or -1
        const char* output;                // a MIDI file written
        const char* from;                  // the roll it must come from
    } cases[] = {
        {"dotted titles",
         "",
         {"c/a.op9.bar", "c/a.op48.bar"},
         {},
         {-1, 0},
         "c/a_BAR_e.mid",
         "c/a.op9.bar"},
        {"bar and web",
         "",
         {"c/a.web", "c/a.bar", "c/b.bar"},
         {},
         {-1, 0, -1},
         "c/a_BAR_e.mid",
         "c/a.web"},
        {"case differs", "", {"c/a.bar", "c/A.bar"}, {}, {-1, -1}, "c/A_BAR_e.mid", "c/A.bar"},
        {"named twice",
         "",
         {"c/b.bar", "c/a.bar", "c/b.bar"},
         {},
         {-1, -1, 0},
         "c/b_BAR_e.mid",
         "c/b.bar"},
        {"through a linked folder",
         "",
         {"l/a.web", "c/a.bar"},
         {},
         {-1, 0},
         "c/a_BAR_e.mid",
         "c/a.web"},
        {"through dot-dot",
         "",
         {"c/sub/../a.bar", "c/a.web"},
         {},
         {-1, 0},
         "c/a_BAR_e.mid",
         "c/a.bar"},
        {"missing or no roll: nothing to keep",
         "",
         {"c/missing.bar", "c/a.bar", "c/a.txt", "c/a.web"},
         {},
         {-1, -1, -1, 1},
         "c/a_BAR_e.mid",
         "c/a.bar"},
        {"one output folder",
         "-o out",
         {"d/a.bar", "c/a.bar", "c/b.bar"},
         {},
         {-1, 0, -1},
         "out/a_BAR_e.mid",
         "d/a.bar"},
        {"folders mirrored in one output folder",
         "-r -o out",
         {"r2", "r1"},
         {"r2/x/a.bar", "r2/y/a.bar", "r1/x/a.bar"},
         {-1, -1, 0},
         "out/x/a_BAR_e.mid",
         "r2/x/a.bar"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string>& entries = c.entries.empty() ? c.named : c.entries;
        ASSERT_EQ(entries.size(), c.refusedBy.size()) << c.name;
        std::string named, expected;
        for (const std::string& n : c.named) named += " " + Q(dir / n);
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (c.refusedBy[i] >= 0)
                expected += "rollscribe-convert: " + (dir / entries[i]).string() +
                            ": writes the same MIDI file as " +
                            (dir / entries[static_cast<std::size_t>(c.refusedBy[i])]).string() +
                            "; not converted\n";
        char note[16];
        std::snprintf(note, sizeof note, "90 %02X 50", track[c.from] + 15);
        const Bytes written = Hex(note);
        for (const char* jobs : {"-j 1", "-j 4"}) {
            RunShell("rm -rf " + Q(dir / "out") + " && rm -f " + Q(dir.Path()) + "/*/*.mid");
            ShellRun run = RunShell("cd " + Q(dir.Path()) + " && " + CONVERTER_PATH + " -q " +
                                    jobs + " " + c.options + named);
            std::string refused;
            for (const std::string& line : LinesOf(run.err))
                if (line.find(": writes the same MIDI file as ") != std::string::npos)
                    refused += line + "\n";
            EXPECT_EQ(refused, expected) << c.name << " " << jobs;
            const Bytes midi = ReadFile(dir / c.output);
            EXPECT_NE(std::search(midi.begin(), midi.end(), written.begin(), written.end()),
                      midi.end())
                << c.name << " " << jobs << ": not from " << c.from;
        }
    }
}

// -o: every output under one folder, the roll's folder left as it was (a read-only archive
// converts), a named roll's file straight in it, the folders below a folder named with -r made
// again below it with the mode a new folder gets, and the JSON line naming the file written.
TEST_F(Archive, OutputFolderTakesEveryOutputAndMirrorsTheFoldersOfR) {
    fs::create_directories(dir / "tree/sub/deep");
    fs::copy_file(dir / "evening_waltz.bar", dir / "tree/a.bar");
    fs::copy_file(dir / "evening_waltz.ann", dir / "tree/a.ann");
    fs::copy_file(dir / "latin.bar", dir / "tree/sub/deep/b.web");
    fs::permissions(dir / "tree/sub/deep",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const FolderSnapshot before = SnapshotOf(dir / "tree");
    const fs::path out = dir / "new/out";
    ShellRun run =
        Convert("-q --json -o " + Q(out) + " -r " + Q(dir / "tree") + " " + Q(dir / "latin.bar"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(SnapshotOf(dir / "tree"), before);
    for (const char* file : {"a_BAR_e.mid", "sub/deep/b_BAR_e.mid", "latin_BAR_e.mid"})
        EXPECT_TRUE(fs::is_regular_file(out / file)) << file;
    ASSERT_EQ(Convert("-q " + Q(dir / "evening_waltz.bar")).status, 0);
    EXPECT_EQ(ReadFile(out / "a_BAR_e.mid"), ReadFile(dir / "evening_waltz_BAR_e.mid"));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(out / "sub/deep").permissions()), 0777 & ~mask);
    const std::vector<std::string> lines = LinesOf(run.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find("\"midi\":" + JsonString((out / "sub/deep/b_BAR_e.mid").string())),
              std::string::npos)
        << lines[1];
    // An output folder that cannot be made stops the run before anything is converted.
    WriteFile(dir / "file", "");
    ShellRun refused = Convert("-q -o " + Q(dir / "file/out") + " " + Q(dir / "latin.bar"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "rollscribe-convert: output folder " + (dir / "file").string() +
                               ": cannot create the folder: Not a directory; no roll converted\n");
}

// Warnings about annotation files, on standard error and in the JSON line's "warnings": one
// without CR line ends is read as one line; a missing one leaves the default tempo and no texts,
// and names a file beside the roll that may have been meant. Neither changes the exit status.
TEST_F(Archive, AnnotationFilesMissingOrReadAsOneLineAreWarnedOf) {
    const std::string kLf = "/title: One\n/composer: Two\n";
    const std::string kNone = "; converted with the default tempo and no texts";
    struct Case {
        const char* roll;
        std::vector<std::pair<const char*, std::string>> annotations;
        std::string warning;  // after "rollscribe-convert: "; empty for none
    } cases[] = {
        {"lf.bar", {{"lf.ann", kLf}}, "c0/lf.ann: no CR line ends, read as one line"},
        {"crlf.bar", {{"crlf.ann", "/title: One\r\n/composer: Two\r\n"}}, ""},
        {"none.bar", {{"none.ann", "/title: One"}}, ""},
        {"lf.op2.bar", {{"lf.ann", kLf}}, "c3/lf.ann: no CR line ends, read as one line"},
        {"ROLL.BAR",
         {{"ROLL.ANN", kLf}},
         "c4/ROLL.BAR: no annotation file ROLL.ann" + kNone +
             " (ROLL.ANN is not read: the annotation file is ROLL.ann)"},
        {"waltz.op1.bar",
         {{"waltz.op1.ann", kLf}},
         "c5/waltz.op1.bar: no annotation file waltz.ann" + kNone +
             " (waltz.op1.ann is not read: the annotation file is waltz.ann)"},
        {"Roll.web",
         {{"roll.ann", kLf}, {"ROLL.Ann", kLf}},
         "c6/Roll.web: no annotation file Roll.ann" + kNone +
             " (ROLL.Ann is not read: the annotation file is Roll.ann)"},
        {"bare.bar",
         {{"bare.txt", kLf}, {"other.ann", kLf}},
         "c7/bare.bar: no annotation file bare.ann" + kNone},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const std::string folder = "c" + std::to_string(i);
        fs::create_directory(dir / folder);
        WriteFile(dir / folder / c.roll, RollBytes("00 30 05 30"));
        for (const auto& [name, text] : c.annotations) WriteFile(dir / folder / name, text);
        const std::string command = "cd " + Q(dir.Path()) + " && " + CONVERTER_PATH + " -q ";
        ShellRun run = RunShell(command + folder + "/" + c.roll);
        EXPECT_EQ(run.status, 0) << c.roll;
        EXPECT_EQ(run.err, c.warning.empty() ? "" : "rollscribe-convert: " + c.warning + "\n");
        ShellRun json = RunShell(command + "--json " + folder + "/" + c.roll);
        EXPECT_NE(json.out.find(",\"warnings\":[" +
                                (c.warning.empty() ? "" : JsonString(c.warning)) + "],"),
                  std::string::npos)
            << json.out;
    }
    ShellRun report = Convert(Q(dir / "c0/lf.bar"));
    EXPECT_NE(report.out.find("\n Title : One/composer: Two\n"), std::string::npos)
        << "still read as one line";
}

TEST_F(Archive, OptionsBundleAndEndAtTheDoubleDash) {
    WriteFile(dir / "-dash.bar", RollBytes("00 30 05 30"));
    struct Case {
        std::string args;
        int status;
        bool reports;
    } cases[] = {
        {"-qj2 " + Q(dir / "latin.bar"), 0, false},
        {"-qrj 2 " + Q(dir / "latin.bar"), 0, false},
        {"-j2q " + Q(dir / "latin.bar"), 2, false},
        {"--jobs=2 -q -- " + Q(dir / "latin.bar"), 0, false},
        {"--jobs 2 " + Q(dir / "latin.bar"), 0, true},
        {"-q -- -dash.bar", 0, false},
        {"-qx " + Q(dir / "latin.bar"), 2, false},
    };
    for (const Case& c : cases) {
        ShellRun run = RunShell("cd " + Q(dir.Path()) + " && " + CONVERTER_PATH + " " + c.args);
        EXPECT_EQ(run.status, c.status) << c.args << ": " << run.err;
        EXPECT_EQ(!run.out.empty(), c.reports) << c.args;
    }
    EXPECT_TRUE(fs::exists(dir / "-dash_BAR_e.mid"));
    ShellRun bad = Convert("-qx a.bar");
    EXPECT_EQ(bad.err,
              "rollscribe-convert: The following argument was not expected: -x\n"
              "Try 'rollscribe-convert --help' for more information.\n");
    ShellRun help = Convert("--help");
    EXPECT_NE(help.out.find("annotation file TITLE.ann is read"), std::string::npos);
}

TEST_F(Archive, SummaryAfterSeveralFilesUnlessQuiet) {
    std::string two = Q(dir / "latin.bar") + " " + Q(dir / "short.bar");
    ShellRun several = Convert(two);
    EXPECT_EQ(TakeSummary(several.err),
              "rollscribe-convert: 1 MIDI file written, 1 roll failed or refused, in T s\n");
    EXPECT_EQ(Convert("-q " + two).err, "rollscribe-convert: " + (dir / "short.bar").string() +
                                            ": the file ends too early\n");
    EXPECT_EQ(Convert(Q(dir / "latin.bar")).err, "");
}

}  // namespace
