// What converting a roll does when the file system works against it: missing, odd or unreadable
// inputs, outputs that cannot be created, written or put in place, and conversions that race.
// Every case checks the message the user gets and that nothing is lost: the inputs and the MIDI
// file of an earlier conversion are exactly as they were, and no temporary file is left behind.
// (Messages for a missing roll, a folder given as the roll and an output name taken by a folder
// are also checked through the converter itself in ConverterCliTest.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <thread>

#include "cli/BatchConverter.h"
#include "platform/FileFaults.h"
#include "roll/CRollscribeDoc.h"
#include "roll/RollLoader.h"
#include "support/FileFaultPlan.h"
#include "support/FolderSnapshot.h"
#include "support/MidiInvariants.h"
#include "support/RollFixture.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;
using Rule = FileFaultPlan::Rule;

namespace {

// A roll of 30000 records: its MIDI file (about 120 KB) takes several writes.
Bytes BusyRoll() {
    Bytes roll = RollBytes("00 F0 41 6E 20 6F 6C 64 20 72 6F 6C 6C 00");
    for (int i = 0; i < 30000; ++i) {
        roll.push_back(static_cast<std::uint8_t>(i % 5));        // delta
        roll.push_back(static_cast<std::uint8_t>(30 + i % 60));  // track
    }
    return roll;
}

// What converting one roll as the converter does came to.
struct ConversionResult {
    bool ok = false;
    std::string error;  // the last message: why it was not written
    std::string report;
};

ConversionResult ConvertRollFile(const std::string& path) {
    std::vector<RollInput> inputs{RollInput{path, std::nullopt, false, {}, {}}};
    RollResult result = ConvertRoll(inputs, 0, BatchSettings{});
    return {result.status == RollStatus::written,
            result.messages.empty() ? std::string() : result.messages.back().text, result.report};
}

const char* kAnnotations = "/title: Storm Galop\r\n/roll_tempo: 90\r\n/roll_type: Welte\r\n";

std::string Describe(const FolderSnapshot& s) {
    std::string out;
    for (const auto& [name, what] : s) out += "  " + name + ": " + what + "\n";
    return out;
}

mode_t CurrentUmask() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A folder "rolls" holding a roll, its annotation file and the MIDI file of an earlier
// conversion, which every failure must leave as it is.
class FaultMatrix : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(rolls);
        WriteFile(rolls / "roll.bar", BusyRoll());
        WriteFile(rolls / "roll.ann", kAnnotations);
        WriteFile(rolls / "roll_BAR_e.mid", "the MIDI file of an earlier conversion");
    }

    std::string In(const std::string& name) const { return (rolls / name).string(); }

    // Converts as the converter does and checks that the folder is exactly as it was.
    void ExpectFailureLosingNothing(const std::string& input, const std::string& error,
                                    std::vector<Rule> faults = {}) {
        FolderSnapshot before = SnapshotOf(dir.Path());
        ConversionResult result;
        {
            FileFaultPlan plan(std::move(faults));
            result = ConvertRollFile(input);
        }
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, error);
        FolderSnapshot after = SnapshotOf(dir.Path());
        EXPECT_EQ(after, before) << "before:\n"
                                 << Describe(before) << "after:\n"
                                 << Describe(after);
    }

    // Converts and checks that only the output changed, into a complete MIDI file with the
    // user's file permissions, with the warning given or none. Returns the report.
    std::string ExpectConverted(const std::string& input, const std::string& output,
                                std::vector<Rule> faults = {}, const std::string& warning = "") {
        FolderSnapshot before = SnapshotOf(dir.Path());
        ConversionResult result;
        {
            FileFaultPlan plan(std::move(faults));
            result = ConvertRollFile(input);
        }
        EXPECT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.error, warning);
        FolderSnapshot after = SnapshotOf(dir.Path());
        std::string key = fs::path(output).lexically_relative(dir.Path()).string();
        before.erase(key);
        EXPECT_TRUE(after.erase(key)) << "no output " << output;
        EXPECT_EQ(after, before) << "before:\n"
                                 << Describe(before) << "after:\n"
                                 << Describe(after);
        EXPECT_FALSE(fs::is_symlink(output));
        Bytes bytes = ReadFile(output);
        EXPECT_EQ(CheckMidiFile(
                      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())),
                  "");
        EXPECT_EQ(fs::status(output).permissions(), fs::perms(0666 & ~CurrentUmask()));
        return result.report;
    }

    TempDir dir;
    fs::path rolls = dir / "rolls";
};

TEST_F(FaultMatrix, MissingRoll) {
    ExpectFailureLosingNothing(In("missing.bar"),
                               "cannot open the file: No such file or directory");
}

TEST_F(FaultMatrix, FolderGivenAsTheRoll) {
    fs::create_directory(rolls / "folder.bar");
    ExpectFailureLosingNothing(In("folder.bar"), "cannot open the file: Is a directory");
}

TEST_F(FaultMatrix, RollThatCannotBeOpened) {
    for (int error : {EACCES, EIO, EMFILE}) {
        SCOPED_TRACE(error);
        ExpectFailureLosingNothing(In("roll.bar"), "cannot open the file: " + OsErrorText(error),
                                   {{FileOperation::openRead, "/roll.bar", error}});
    }
}

TEST_F(FaultMatrix, RollThatFailsWhileBeingRead) {
    // Short reads of 1000 bytes, then a device error part-way through the roll.
    ExpectFailureLosingNothing(In("roll.bar"), "cannot read the file: Input/output error",
                               {{FileOperation::read, "/roll.bar", 0, 0, 1000},
                                {FileOperation::read, "/roll.bar", EIO, 20}});
}

TEST_F(FaultMatrix, AnnotationFileThatFailsWhileBeingRead) {
    ExpectFailureLosingNothing(
        In("roll.bar"), In("roll.ann") + ": cannot read the file: Input/output error",
        {{FileOperation::read, "/roll.ann", 0, 0, 7}, {FileOperation::read, "/roll.ann", EIO, 3}});
}

TEST_F(FaultMatrix, AnnotationFileThatIsAFolderOrCannotBeOpened) {
    struct Case {
        std::function<std::vector<Rule>()> arrange;
        const char* reason;
    } cases[] = {
        {[this] {
             fs::remove(rolls / "roll.ann");
             fs::create_directory(rolls / "roll.ann");
             return std::vector<Rule>{};
         },
         "Is a directory"},
        {[] {
             return std::vector<Rule>{{FileOperation::openRead, "/roll.ann", EACCES}};
         },
         "Permission denied"},
    };
    for (const Case& c : cases) {
        std::vector<Rule> faults = c.arrange();
        std::string report =
            ExpectConverted(In("roll.bar"), In("roll_BAR_e.mid"), std::move(faults),
                            std::string("cannot read the annotation file roll.ann: ") + c.reason +
                                "; converted with the default tempo and no texts");
        EXPECT_NE(
            report.find("\n ** Unable to open ANN file : " + In("roll.ann") + "\nAn old roll"),
            std::string::npos)
            << report;
        EXPECT_NE(report.find("\n Title : Roll Title Info\n"), std::string::npos);
    }
}

TEST_F(FaultMatrix, RollGivenThroughASymbolicLink) {
    fs::create_directory(dir / "links");
    fs::create_symlink(rolls / "roll.bar", dir / "links" / "linked.bar");
    fs::create_symlink(rolls / "roll.ann", dir / "links" / "linked.ann");
    std::string report = ExpectConverted((dir / "links" / "linked.bar").string(),
                                         (dir / "links" / "linked_BAR_e.mid").string());
    EXPECT_NE(report.find("\n Title : Storm Galop\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\n This File : " + (dir / "links" / "linked.bar").string() + "\n"),
              std::string::npos);
}

TEST_F(FaultMatrix, OutputThatIsASymbolicLinkIsReplacedAndItsTargetKept) {
    fs::remove(rolls / "roll_BAR_e.mid");
    WriteFile(dir / "elsewhere.mid", "a file the link points to");
    fs::create_symlink(dir / "elsewhere.mid", rolls / "roll_BAR_e.mid");
    ExpectConverted(In("roll.bar"), In("roll_BAR_e.mid"));
    EXPECT_EQ(ReadFile(dir / "elsewhere.mid"), BytesOf("a file the link points to"));
}

TEST_F(FaultMatrix, OutputNameTakenByAFolder) {
    fs::remove(rolls / "roll_BAR_e.mid");
    fs::create_directory(rolls / "roll_BAR_e.mid");
    WriteFile(rolls / "roll_BAR_e.mid" / "inside.txt", "kept");
    ExpectFailureLosingNothing(In("roll.bar"),
                               In("roll_BAR_e.mid") + ": cannot replace the file: Is a directory");
}

TEST_F(FaultMatrix, OutputFolderThatVanishes) {
    // The folder is moved away just before the output is created; the roll is open already.
    auto moveAway = [this] { fs::rename(rolls, dir / "moved"); };
    FolderSnapshot before = SnapshotOf(dir.Path());
    ConversionResult result;
    {
        FileFaultPlan plan({{FileOperation::create, "/roll_BAR_e.mid", 0, 0, 0, moveAway}});
        result = ConvertRollFile(In("roll.bar"));
    }
    fs::rename(dir / "moved", rolls);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error,
              In("roll_BAR_e.mid") + ": cannot create the file: No such file or directory");
    EXPECT_EQ(SnapshotOf(dir.Path()), before);
}

struct OutputFault {
    const char* name;
    std::vector<Rule> rules;
    const char* error;  // after "<output>: "
};

TEST_F(FaultMatrix, OutputThatCannotBeCreatedWrittenOrPutInPlace) {
    const std::string out = "/roll_BAR_e.mid";
    const OutputFault cases[] = {
        {"read-only folder",
         {{FileOperation::create, out, EROFS}},
         "cannot create the file: Read-only file system"},
        {"folder not writable",
         {{FileOperation::create, out, EACCES}},
         "cannot create the file: Permission denied"},
        {"disk full at once",
         {{FileOperation::write, out, ENOSPC}},
         "cannot write the file: No space left on device"},
        {"disk fills part-way",
         {{FileOperation::write, out, 0, 0, 8192}, {FileOperation::write, out, ENOSPC, 6}},
         "cannot write the file: No space left on device"},
        {"quota exceeded when closed",
         {{FileOperation::close, out, EDQUOT}},
         "cannot write the file: Disk quota exceeded"},
        {"device error on close",
         {{FileOperation::close, out, EIO}},
         "cannot write the file: Input/output error"},
        {"rename refused",
         {{FileOperation::rename, out, EACCES}},
         "cannot replace the file: Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFailureLosingNothing(In("roll.bar"), In("roll_BAR_e.mid") + ": " + c.error, c.rules);
    }
}

TEST_F(FaultMatrix, DiskThatFillsLeavesThePartialFileOnlyUntilTheFailure) {
    // At the failing write, part of the new file exists beside the old one; afterwards it is gone.
    std::uintmax_t partial = 0;
    auto look = [&] {
        for (const auto& entry : fs::directory_iterator(rolls))
            if (entry.path().extension() == ".tmp") partial = entry.file_size();
    };
    ExpectFailureLosingNothing(
        In("roll.bar"), In("roll_BAR_e.mid") + ": cannot write the file: No space left on device",
        {{FileOperation::write, "/roll_BAR_e.mid", 0, 0, 8192},
         {FileOperation::write, "/roll_BAR_e.mid", ENOSPC, 6, 0, look}});
    EXPECT_EQ(partial, 22u + 4 * 8192u);
}

TEST_F(FaultMatrix, ShortReadsAndWritesChangeNothing) {
    ASSERT_TRUE(ConvertRollFile(In("roll.bar")).ok);
    Bytes expected = ReadFile(rolls / "roll_BAR_e.mid");
    fs::remove(rolls / "roll_BAR_e.mid");
    ExpectConverted(In("roll.bar"), In("roll_BAR_e.mid"),
                    {{FileOperation::read, "", 0, 0, 1}, {FileOperation::write, "", 0, 0, 3}});
    EXPECT_EQ(ReadFile(rolls / "roll_BAR_e.mid"), expected);
}

TEST_F(FaultMatrix, ConversionsOfTheSameRollAtOnceLeaveOneCompleteFile) {
    ASSERT_TRUE(ConvertRollFile(In("roll.bar")).ok);
    const Bytes expected = ReadFile(rolls / "roll_BAR_e.mid");
    fs::remove(rolls / "roll_BAR_e.mid");

    // While four threads convert the roll again and again, a watcher reads the output whenever
    // it exists: it must always find the complete file.
    std::atomic<bool> done{false};
    std::atomic<int> seen{0};
    std::atomic<int> incomplete{0};
    std::thread watcher([&] {
        while (!done) {
            std::error_code ec;
            if (!fs::exists(rolls / "roll_BAR_e.mid", ec)) continue;
            Bytes now;
            try {
                now = ReadFile(rolls / "roll_BAR_e.mid");
            } catch (const std::exception&) {
                continue;  // replaced between the look and the read
            }
            ++seen;
            if (now != expected) ++incomplete;
        }
    });
    std::vector<std::thread> workers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (int round = 0; round < 10; ++round)
                if (!ConvertRollFile(In("roll.bar")).ok) ++failures;
        });
    for (auto& worker : workers) worker.join();
    done = true;
    watcher.join();

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(incomplete, 0) << "of " << seen << " looks";
    EXPECT_GT(seen, 0);
    EXPECT_EQ(ReadFile(rolls / "roll_BAR_e.mid"), expected);
    EXPECT_EQ(ListDir(rolls), (std::vector<std::string>{"roll.ann", "roll.bar", "roll_BAR_e.mid"}));
}

TEST_F(FaultMatrix, ConverterProcessesRacingOnOneRollLeaveOneCompleteFile) {
    ASSERT_TRUE(ConvertRollFile(In("roll.bar")).ok);
    const Bytes expected = ReadFile(rolls / "roll_BAR_e.mid");
    const std::string one = std::string(CONVERTER_PATH) + " -q '" + In("roll.bar") + "'";
    std::string four;  // four at once; fails when any of them fails
    for (int i = 1; i <= 4; ++i) four += one + " & p" + std::to_string(i) + "=$!; ";
    four += "wait $p1 && wait $p2 && wait $p3 && wait $p4";
    for (int round = 0; round < 5; ++round) {
        fs::remove(rolls / "roll_BAR_e.mid");
        ASSERT_EQ(std::system(four.c_str()), 0);
        EXPECT_EQ(ReadFile(rolls / "roll_BAR_e.mid"), expected);
        EXPECT_EQ(ListDir(rolls),
                  (std::vector<std::string>{"roll.ann", "roll.bar", "roll_BAR_e.mid"}));
    }
}

}  // namespace
