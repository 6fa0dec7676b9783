// The converter's parts in-process: terminal escapes, JSON texts, the run's entries (folders,
// collisions) and the batch when threads are refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <system_error>

#include "cli/BatchConverter.h"
#include "cli/JsonRecord.h"
#include "cli/RollInputs.h"
#include "cli/TerminalText.h"
#include "expression/ProfileLocator.h"
#include "expression/ProfileShelf.h"
#include "platform/FileFaults.h"
#include "platform/TextDecoding.h"
#include "support/FileFaultPlan.h"
#include "support/FolderSnapshot.h"
#include "support/RollFixture.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

std::string B(std::string_view hex) {
    Bytes bytes = Hex(hex);
    return std::string(bytes.begin(), bytes.end());
}

struct TextCase {
    const char* name;
    std::string in;
    std::string out;
};

TEST(TerminalText, ControlsBecomeVisibleEscapesAndTextStays) {
    const TextCase cases[] = {
        {"plain", "Evening Waltz", "Evening Waltz"},
        {"line feed and tab stay", "a\nb\tc", "a\nb\tc"},
        {"carriage return", "x\rrollscribe-convert: all files OK",
         "x\\rrollscribe-convert: all files OK"},
        {"title-setting sequence", B("1B 5D 30 3B 68 69 07"), "\\e]0;hi\\a"},
        {"clear screen", B("1B 5B 32 4A"), "\\e[2J"},
        {"other C0 controls", B("00 01 08 0B 0C 1F"), "\\x00\\x01\\b\\v\\f\\x1F"},
        {"DEL", B("7F"), "\\x7F"},
        {"C1 control as UTF-8", B("C2 9B 32 4A"), "\\xC2\\x9B2J"},
        {"C1 control as a lone byte", B("9B 32 4A"), "\\x9B2J"},
        {"C1 range's ends as UTF-8", B("C2 80 C2 9F"), "\\xC2\\x80\\xC2\\x9F"},
        {"C1 range's ends as lone bytes", B("80 9F"), "\\x80\\x9F"},
        {"UTF-8 letters stay", B("C3 A9 E2 82 AC F0 9F 8E B9"), B("C3 A9 E2 82 AC F0 9F 8E B9")},
        {"no-break space stays", B("C2 A0"), B("C2 A0")},
        {"Latin-1 letters stay", B("E9 74 E9"), B("E9 74 E9")},
        {"cut sequence: its C1-range byte", B("E2 82 41"), B("E2") + "\\x82A"},
        {"backslash stays", "C:\\rolls", "C:\\rolls"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(EscapeForTerminal(c.in), c.out) << c.name;
}

TEST(TerminalText, Utf8SequencesAreStrict) {
    const std::pair<const char*, std::size_t> cases[] = {
        {"41", 1},          {"C3 A9", 2},       {"C2 80", 2},       {"C1 BF", 0},
        {"C0 80", 0},       {"E0 A0 80", 3},    {"E0 9F BF", 0},    {"ED 9F BF", 3},
        {"ED A0 80", 0},    {"EF BF BF", 3},    {"F0 90 80 80", 4}, {"F0 8F BF BF", 0},
        {"F4 8F BF BF", 4}, {"F4 90 80 80", 0}, {"F5 80 80 80", 0}, {"80", 0},
        {"E2 82", 0},       {"E2 82 41", 0},    {"FF", 0},
    };
    for (auto [hex, length] : cases) EXPECT_EQ(Utf8SequenceLength(B(hex)), length) << hex;
}

TEST(JsonRecord, TextsAreCarriedLosslessly) {
    const TextCase cases[] = {
        {"ASCII", "Waltz", "\"Waltz\""},
        {"quote, backslash and controls", "a\"b\\c\n\t", "\"a\\\"b\\\\c\\n\\t\""},
        {"zero byte", std::string("a\0b", 3), "\"a\\u0000b\""},
        {"UTF-8 as it is", B("C3 A9 F0 9F 8E B9"), B("22 C3 A9 F0 9F 8E B9 22")},
        {"a byte that is not UTF-8", B("E9 74 E9"), "\"\\udce9t\\udce9\""},
        {"every byte of a broken sequence", B("E2 82 41 FF"), "\"\\udce2\\udc82A\\udcff\""},
        {"a surrogate encoded", B("ED A0 80"), "\"\\udced\\udca0\\udc80\""},
        {"empty", "", "\"\""},
    };
    for (const TextCase& c : cases) EXPECT_EQ(JsonString(c.in), c.out) << c.name;
}

// A tree of rolls and other files, looked through with -r.
class Tree : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* folder : {"t", "t/B", "t/a", "t/a/deep", "elsewhere"})
            fs::create_directory(dir / folder);
        for (const char* file :
             {"t/z.bar", "t/Y.BAR", "t/x.Web", "t/notes.txt", "t/sidebar", "t/roll.xbar",
              "t/a/deep/r.bar", "t/B/q.web", "t/a/.hidden.bar", "elsewhere/far.bar"})
            WriteFile(dir / file, RollBytes("00 30 05 30"));
        fs::create_directory_symlink(dir / "elsewhere", dir / "t/linked");
        fs::create_symlink(dir / "elsewhere/far.bar", dir / "t/a/far-link.bar");
        fs::create_symlink(dir / "missing.bar", dir / "t/broken.bar");
    }
    std::string P(const std::string& name) const { return (dir / name).string(); }
    std::vector<std::string> Paths(const std::vector<RollInput>& inputs) const {
        std::vector<std::string> paths;
        for (const RollInput& input : inputs) paths.push_back(input.path);
        return paths;
    }
    TempDir dir;
};

TEST_F(Tree, RecursiveTakesBarAndWebInAnyCaseInSortedOrderWithoutLinkedFolders) {
    std::vector<RollInput> inputs =
        CollectRollInputs({P("t/a/deep/r.bar"), P("t"), P("t/z.bar")}, true);
    EXPECT_EQ(Paths(inputs), (std::vector<std::string>{P("t/a/deep/r.bar"), P("t/B/q.web"),
                                                       P("t/Y.BAR"), P("t/a/.hidden.bar"),
                                                       P("t/a/deep/r.bar"), P("t/a/far-link.bar"),
                                                       P("t/x.Web"), P("t/z.bar"), P("t/z.bar")}));
    // The same roll named again is refused in favour of its first appearance.
    EXPECT_EQ(inputs[4].sameOutputAs, std::optional<std::size_t>(0));
    EXPECT_EQ(inputs[8].sameOutputAs, std::optional<std::size_t>(7));
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 7}) EXPECT_FALSE(inputs[i].sameOutputAs) << i;
}

// Under -o the file actually written decides: a link inside the output folder leads two rolls to
// one file, and the first keeps it; a folder yet to be made is its own.
TEST_F(Tree, UnderAnOutputFolderALinkedFolderIsTheFolderItself) {
    for (const char* folder : {"A/sub", "A/new", "out"}) fs::create_directories(dir / folder);
    for (const char* file : {"A/x.bar", "A/sub/x.bar", "A/new/x.bar"})
        WriteFile(dir / file, RollBytes("00 30 05 30"));
    fs::create_directory_symlink(".", dir / "out/sub");
    std::vector<RollInput> inputs = CollectRollInputs({P("A")}, true, P("out"));
    EXPECT_EQ(Paths(inputs),
              (std::vector<std::string>{P("A/new/x.bar"), P("A/sub/x.bar"), P("A/x.bar")}));
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_FALSE(inputs[0].sameOutputAs);
    EXPECT_FALSE(inputs[1].sameOutputAs);
    EXPECT_EQ(inputs[2].sameOutputAs, std::optional<std::size_t>(1));
}

TEST_F(Tree, WithoutRecursiveAFolderIsAnEntryThatIsRefused) {
    std::vector<RollInput> inputs = CollectRollInputs({P("t"), P("t/z.bar")}, false);
    ASSERT_EQ(inputs.size(), 2u);
    EXPECT_TRUE(inputs[0].folder);
    EXPECT_FALSE(inputs[1].folder);
}

TEST_F(Tree, AFolderThatCannotBeReadIsAnEntryAtItsPlace) {
    FileFaultPlan plan({{FileOperation::readFolder, "/t/a", EACCES}});
    std::vector<RollInput> inputs = CollectRollInputs({P("t")}, true);
    EXPECT_EQ(Paths(inputs), (std::vector<std::string>{P("t/B/q.web"), P("t/Y.BAR"), P("t/a"),
                                                       P("t/x.Web"), P("t/z.bar")}));
    EXPECT_EQ(inputs[2].listingError, "cannot read the folder: Permission denied");
    RollResult result = ConvertRoll(inputs, 2, BatchSettings{});
    EXPECT_FALSE(result.isRoll);
    EXPECT_EQ(result.messages.size(), 1u);
}

// The warnings of a roll converted all the same: one row a roll, its warning as standard error
// and the JSON line give it after the roll's name; the MIDI file is written.
TEST(RollWarnings, EachDoubtfulRollIsNamed) {
    TempDir dir;
    struct Case {
        const char* roll;
        std::function<void()> make;  // its annotation file, or none
        const char* warning;
        const char* records = "00 30 | 05 30";
        bool expression = false;
    };
    auto annotated = [&](const char* name) {
        return [&dir, name] { WriteFile(dir / name, "/roll_type: 88-note\r\n"); };
    };
    const Case cases[] = {
        {"missing.bar", [] {},
         "no annotation file missing.ann; converted with the default tempo and no texts"},
        {"folder.bar", [&] { fs::create_directory(dir / "folder.ann"); },
         "cannot read the annotation file folder.ann: Is a directory; converted with the default "
         "tempo and no texts"},
        {"fifo.bar", [&] { ASSERT_EQ(::mkfifo((dir / "fifo.ann").c_str(), 0600), 0); },
         "cannot read the annotation file fifo.ann: not a regular file; converted with the "
         "default tempo and no texts"},
        {"denied.bar", [&] { WriteFile(dir / "denied.ann", "/title: Denied\r\n"); },
         "cannot read the annotation file denied.ann: Permission denied; converted with the "
         "default tempo and no texts"},
        // Cut short, or not a roll at all: figures from the file and the profile's tracker bar.
        {"cut.bar", annotated("cut.ann"), "the file ends inside a record (at byte 8)",
         "00 30 00 30 85"},
        {"text.bar", annotated("text.ann"), "the file ends inside a record (at byte 11)",
         "00 30 00 30 00 F0 41 42"},
        // Tracks 0 and 162 lie outside the 88-note bar; 1 and 98 are its ends.
        {"outside.bar", annotated("outside.ann"),
         "2 of 4 holes lie outside the roll system's tracker bar (notes 16-113)",
         "00 00 05 00 00 01 05 01 00 62 05 62 00 A2 05 A2"},
        {"open.bar", annotated("open.ann"), "2 tracks still open at the end (notes 63, 64)",
         "00 30 00 31"},
        {"far.bar", annotated("far.ann"),
         "2 events lie past the 32-bit time range (the roll is longer than 2,147,483 inches: "
         "later times are wrong)",
         "FF FF FF FF 7F 30 00 30"},
        // A red Welte roll that sets the bass hook (track 0), whose release no track holds.
        {"hook.bar", [&] { WriteFile(dir / "hook.ann", "/roll_type: Welte\r\n"); },
         "the bass mezzo-forte hook is set and never released (hole 1, note 14, is on no track "
         "of this scan; see the user guide)",
         "00 00 05 00 | 00 30 05 30", true},
    };
    FileFaultPlan plan({{FileOperation::openRead, "/denied.ann", EACCES}});
    for (const Case& c : cases) {
        WriteFile(dir / c.roll, RollBytes(c.records));
        c.make();
        std::vector<RollInput> inputs = CollectRollInputs({(dir / c.roll).string()}, false);
        BatchSettings settings;
        settings.conversion.expression = c.expression;
        RollResult result = ConvertRoll(inputs, 0, settings);
        EXPECT_EQ(result.status, RollStatus::written) << c.roll;
        ASSERT_EQ(result.messages.size(), 1u) << c.roll;
        EXPECT_EQ(result.messages[0].file, (dir / c.roll).string());
        EXPECT_EQ(result.messages[0].text, c.warning) << c.roll;
    }
}

// When the system refuses threads, the batch goes on with those it got, or on the calling
// thread, and its results are those of a run with all its threads.
TEST_F(Tree, RefusedThreadsChangeNothingButTheSpeed) {
    std::vector<std::string> named;
    for (int i = 0; i < 12; ++i) {
        std::string name = "many/r" + std::to_string(i) + (i == 5 ? ".txt" : ".bar");
        fs::create_directories(dir / "many");
        WriteFile(dir / name, i == 7 ? Hex("01") : RollBytes("00 30 05 30"));
        named.push_back(P(name));
    }
    auto run = [&](int threadsAllowed) {
        std::vector<RollInput> inputs = CollectRollInputs(named, false);
        BatchSettings settings;
        settings.jobs = 4;
        int started = 0;
        settings.startThread = [&](std::function<void()> work) {
            if (started >= threadsAllowed)
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            ++started;
            return WorkerThread(std::move(work));
        };
        std::vector<std::string> seen;
        ConvertRolls(
            inputs, settings,
            [&](std::size_t index, RollResult& result) {
                seen.push_back(std::to_string(index) + " " +
                               std::to_string(static_cast<int>(result.status)) + " " +
                               result.report);
            },
            [](std::size_t) {});
        return seen;
    };
    std::vector<std::string> all = run(4);
    ASSERT_EQ(all.size(), 12u);
    EXPECT_EQ(run(1), all);
    EXPECT_EQ(run(0), all);
}

// An archive of alternating roll types reads each profile once for the whole run, whatever
// worker converts which roll.
TEST_F(Tree, EachProfileIsReadOnceARun) {
    std::vector<std::string> named;
    for (int i = 0; i < 8; ++i) {
        std::string title = "mixed/r" + std::to_string(i);
        fs::create_directories(dir / "mixed");
        WriteFile(dir / (title + ".bar"), RollBytes("00 30 05 30"));
        WriteFile(dir / (title + ".ann"),
                  i % 2 ? "/roll_type: Ampico\r\n" : "/roll_type: Welte\r\n");
        named.push_back(P(title + ".bar"));
    }
    for (unsigned jobs : {1u, 2u}) {
        std::atomic<int> reads{0};
        BatchSettings settings;
        settings.jobs = jobs;
        settings.conversion.expression = true;
        settings.profiles = std::make_shared<ProfileShelf>([&](const std::string& name) {
            ++reads;
            return LoadProfile(name);
        });
        int written = 0;
        ConvertRolls(
            CollectRollInputs(named, false), settings,
            [&](std::size_t, RollResult& result) { written += result.expression.has_value(); },
            [](std::size_t) {});
        EXPECT_EQ(written, 8) << jobs << " jobs";
        EXPECT_EQ(reads, 2) << jobs << " jobs";
    }
}

// Under -o -r a roll's mirrored folder is made only once the roll is read: one that cannot be
// read leaves no empty folder, and one whose folder cannot be made keeps its title and figures.
TEST_F(Tree, AMirroredFolderIsMadeOnceItsRollIsRead) {
    fs::create_directories(dir / "src/gone");
    fs::create_directories(dir / "src/blocked");
    WriteFile(dir / "src/gone/x.bar", RollBytes("00 30 05 30"));
    WriteFile(dir / "src/blocked/a.bar", RollBytes("00 30 05 30"));
    WriteFile(dir / "src/blocked/a.ann", "/title: Kept\r\n");
    fs::create_directories(dir / "out");
    WriteFile(dir / "out/blocked", "a file where the folder would be");
    FileFaultPlan plan({{FileOperation::openRead, "/gone/x.bar", EIO}});
    BatchSettings settings;
    settings.json = true;
    std::vector<std::string> lines;
    ConvertRolls(
        CollectRollInputs({P("src")}, true, P("out")), settings,
        [&](std::size_t, RollResult& result) {
            EXPECT_EQ(result.status, RollStatus::failed);
            lines.push_back(result.report);
        },
        [](std::size_t) {});
    EXPECT_FALSE(fs::exists(dir / "out/gone"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Not a directory"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"title\":\"Kept\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"events\":2,"), std::string::npos) << lines[0];
}

}  // namespace
