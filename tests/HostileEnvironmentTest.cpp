// The converter in unusual but ordinary environments: closed standard streams, address-space and
// process limits, a reader that goes away, outputs the user may not write, terminals, full
// devices. Each runs the built converter as a user would, in a child process.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/MidiInvariants.h"
#include "support/ProgramAsUser.h"
#include "support/RollFixture.h"
#include "support/ShellRun.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

const std::string kConverter = CONVERTER_PATH;

// A folder of small rolls r0.bar ... with their annotation files.
class Rolls : public ::testing::Test {
  protected:
    std::string Make(int count, std::size_t records = 1000) {
        std::string names;
        for (int i = 0; i < count; ++i) {
            Bytes roll = RollBytes("00 F2 6C 61 00");
            // Each hole opened and closed again on a track of the tracker bar: a sound roll.
            for (std::size_t r = 0; r < records; ++r)
                roll.insert(roll.end(), {static_cast<std::uint8_t>(r % 7),
                                         static_cast<std::uint8_t>(20 + (r / 2 * 7 + i) % 78)});
            // Appended rather than prefixed: GCC 12 at -O3 takes "x" + std::string for an
            // overlapping copy (-Wrestrict).
            std::string name = std::string("r").append(std::to_string(i));
            WriteFile(dir / (name + ".bar"), roll);
            WriteFile(dir / (name + ".ann"),
                      std::string("/title: Roll ").append(std::to_string(i)).append("\r\n"));
            names.append(" ").append(Q(dir / (name + ".bar")));
        }
        return names;
    }
    // Every MIDI file in the folder is complete, and no temporary file is left.
    int CheckOutputs() {
        int outputs = 0;
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            std::string name = entry.path().filename().string();
            EXPECT_FALSE(name.ends_with(".tmp")) << "temporary file left: " << name;
            if (!name.ends_with("_BAR_e.mid")) continue;
            ++outputs;
            Bytes bytes = ReadFile(entry.path());
            EXPECT_EQ(CheckMidiFile(std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                                     bytes.size())),
                      "")
                << name;
        }
        return outputs;
    }
    // As root, the converter runs as the user nobody, who may use the folder; otherwise as it is.
    ProgramAsUser AsUser() {
        if (::geteuid() == 0) fs::permissions(dir.Path(), fs::perms(0777));
        return ProgramAsUser(kConverter);
    }
    TempDir dir;
};

TEST_F(Rolls, ClosedStandardStreamsNeverReachAnOutput) {
    std::string rolls = Make(6);
    std::string mixed;
    for (int i = 0; i < 6; ++i) {
        for (const char* stem : {"r", "missing"}) {
            std::string name = std::string(stem).append(std::to_string(i)).append(".bar");
            mixed.append(" ").append(Q(dir / name));
        }
    }
    for (const char* closing : {"2>&-", "<&- >&-", "<&- >&- 2>&-"}) {
        for (const char* quiet : {"-q", ""}) {
            ShellRun run = RunShell(kConverter + " " + quiet + " -j2" + mixed + " " + closing);
            EXPECT_EQ(run.status, 1) << closing;
            EXPECT_EQ(CheckOutputs(), 6) << closing << " " << quiet;
        }
    }
}

TEST_F(Rolls, AddressSpaceLimitsLeaveSmallRollsConverting) {
#ifdef ROLLSCRIBE_SANITIZED
    GTEST_SKIP() << "a sanitizer build reserves terabytes of shadow memory and cannot start "
                    "under an address-space limit; CoreRulesTest covers the limit through the "
                    "reservation seam";
#endif
    std::string rolls = Make(111);
    for (const char* limit : {"1000000", "8000000"}) {
        for (const char* jobs : {"-j1", "-j2"}) {
            ShellRun run = RunShell(std::string("ulimit -v ") + limit + " && " + kConverter +
                                    " -q " + jobs + rolls);
            EXPECT_EQ(run.status, 0) << limit << " " << jobs << ": " << run.err.substr(0, 300);
            EXPECT_EQ(run.err, "");
        }
    }
    EXPECT_EQ(CheckOutputs(), 111);
}

// A small stack limit (ulimit -s 64) is the process's, not its workers': the conversion, the
// walk of a folder and the drawing of a picture go as without it.
TEST_F(Rolls, ASmallStackLimitChangesNothing) {
    const std::string rolls = Make(4);
    std::vector<std::string> runs = {"-j1" + rolls, "-j2 -r " + Q(dir.Path())};
#ifdef OUTPUT_READER  // the converter with pictures is built
    runs.push_back("--picture png" + rolls);
#endif
    for (const std::string& args : runs) {
        const ShellRun plain = RunShell(kConverter + " --json " + args);
        ASSERT_EQ(plain.status, 0) << plain.err;
        ShellRun run = RunShell("ulimit -s 64 && " + kConverter + " --json " + args);
        EXPECT_EQ(run.status, 0) << args << ": " << run.err;
        EXPECT_EQ(run.out, plain.out) << args;
    }
    EXPECT_EQ(CheckOutputs(), 4);
}

// A user allowed one process has no thread to spare: the calling thread converts everything, also
// on a small stack.
TEST_F(Rolls, RefusedThreadsAreDoneWithout) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as a user with a process limit";
    std::string rolls = Make(100);
    ProgramAsUser user = AsUser();
    RunShell("chown -R nobody:nogroup " + Q(dir.Path()));
    for (const char* limit : {"1", "3", "1 -s 64"}) {
        ShellRun run =
            RunShell(user.Prefix() + "env ASAN_OPTIONS=detect_leaks=0 bash -c 'ulimit -u " + limit +
                     " && exec " + user.Path() + " -q -j64" + rolls + "'");
        EXPECT_EQ(run.status, 0) << limit << ": " << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(CheckOutputs(), 100);
    }
}

TEST_F(Rolls, AReaderThatGoesAwayEndsTheRunLikeASignal) {
    std::string rolls = Make(300, 20000);
    ShellRun run =
        RunShell(kConverter + " -j2" + rolls + " 2>&1 | head -1; echo \"${PIPESTATUS[0]}\"");
    EXPECT_EQ(run.out, std::string("\n").append(std::to_string(128 + SIGPIPE)).append("\n"));
    int outputs = CheckOutputs();
    EXPECT_LT(outputs, 300) << "the run should have ended early";
}

// Signals ignored when the converter starts stay ignored: SIGHUP under nohup, SIGINT and SIGQUIT
// for a background job of a script, SIGPIPE ignored by the caller (a reader that goes away then
// fails the reports alone). Each comes while the converter waits to write its reports.
TEST_F(Rolls, SignalsIgnoredAtStartStayIgnored) {
    const std::string rolls = Make(400);
    TempDir io;
    struct Case {
        const char* start;
        const char* then;
        int status;
    } cases[] = {{"nohup ", "kill -HUP $pid", 0},
                 {"", "kill -INT $pid", 0},
                 {"", "kill -QUIT $pid", 0},
                 {"trap '' PIPE; ", "exec 3<&-", 1}};
    for (const Case& c : cases) {
        for (const std::string& name : ListDir(dir.Path()))
            if (name.ends_with(".mid")) fs::remove(dir / name);
        fs::remove(io / "fifo");
        // The first byte of the reports comes once the converter's handlers are set; the pipe
        // then holds the rest until the signal has come.
        ShellRun run = RunShell("mkfifo " + Q(io / "fifo") + "\n" + c.start + kConverter + " -j2" +
                                rolls + " >" + Q(io / "fifo") + " &\npid=$!\nexec 3<" +
                                Q(io / "fifo") + "\nhead -c1 <&3 >/dev/null\n" + c.then +
                                "\ncat <&3 >/dev/null 2>&1\nwait $pid\necho $?");
        EXPECT_EQ(run.out, std::to_string(c.status) + "\n") << c.then << ": " << run.err;
        EXPECT_EQ(CheckOutputs(), 400) << c.then;
    }
}

// Past a file-size limit (ulimit -f) the roll whose MIDI file would pass it fails with the
// reason, and the run goes on.
TEST_F(Rolls, AFileSizeLimitFailsTheRollThatPassesIt) {
    const std::string rolls = Make(3);
    Bytes big = RollBytes("");
    for (int r = 0; r < 100000; ++r)
        big.insert(big.end(), {static_cast<std::uint8_t>(r % 3), static_cast<std::uint8_t>(30)});
    WriteFile(dir / "r1.bar", big);
    ShellRun run = RunShell("ulimit -f 100 && " + kConverter + " -q -j1" + rolls);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "rollscribe-convert: " + (dir / "r1.bar").string() + ": " +
                           (dir / "r1_BAR_e.mid").string() +
                           ": cannot write the file: File too large\n");
    EXPECT_EQ(CheckOutputs(), 2);
}

TEST_F(Rolls, AReplacedOutputKeepsItsModeAndOneTheUserMayNotWriteIsKept) {
    Make(3);
    ProgramAsUser user = AsUser();
    WriteFile(dir / "r0_BAR_e.mid", "private");
    WriteFile(dir / "r1_BAR_e.mid", "read-only");
    if (!user.Prefix().empty()) RunShell("chown -R nobody:nogroup " + Q(dir.Path()));
    fs::permissions(dir / "r0_BAR_e.mid", fs::perms(0600));
    fs::permissions(dir / "r1_BAR_e.mid", fs::perms(0400));
    ShellRun run = RunShell("umask 027 && " + user.Command() + " -q " + Q(dir / "r0.bar") + " " +
                            Q(dir / "r1.bar") + " " + Q(dir / "r2.bar"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "rollscribe-convert: " + (dir / "r1.bar").string() + ": " +
                           (dir / "r1_BAR_e.mid").string() +
                           ": cannot replace a file you may not write: Permission denied\n");
    EXPECT_EQ(fs::status(dir / "r0_BAR_e.mid").permissions(), fs::perms(0600));
    EXPECT_NE(Slurp(dir / "r0_BAR_e.mid"), "private");
    EXPECT_EQ(Slurp(dir / "r1_BAR_e.mid"), "read-only");
    EXPECT_EQ(fs::status(dir / "r1_BAR_e.mid").permissions(), fs::perms(0400));
    EXPECT_EQ(fs::status(dir / "r2_BAR_e.mid").permissions(), fs::perms(0640));
}

std::string OnTerminal(const std::vector<std::string>& args) {
    return RunOnTerminal(kConverter, args);
}

TEST_F(Rolls, ControlCharactersAreShownAsEscapesOnATerminalOnly) {
    // A roll text with a carriage return that would overwrite its line, and annotation texts
    // that would set the terminal's title and clear the screen.
    Bytes roll = RollBytes("00 F1");
    std::string fake = "x\rrollscribe-convert: all files OK";
    roll.insert(roll.end(), fake.begin(), fake.end());
    roll.push_back(0);
    WriteFile(dir / "t.bar", roll);
    WriteFile(dir / "t.ann",
              "/title: \x1B]0;owned\x07\x1B[2J\r\n/composer: \xC2\x9B"
              "2J\x7F\r\n");
    std::string screen = OnTerminal({(dir / "t.bar").string()});
    EXPECT_NE(screen.find("\nx\\rrollscribe-convert: all files OK\n"), std::string::npos) << screen;
    EXPECT_NE(screen.find("\n Title : \\e]0;owned\\a\\e[2J\n"), std::string::npos);
    EXPECT_NE(screen.find("\n Composer : \\xC2\\x9B2J\\x7F\n"), std::string::npos);
    for (char control : {'\x1B', '\x07', '\r', '\x7F'})
        EXPECT_EQ(screen.find(control), std::string::npos) << static_cast<int>(control);
    std::string error = OnTerminal({"-q", (dir / "gone\x1B[2J.bar").string()});
    EXPECT_EQ(error, "rollscribe-convert: " + (dir / "gone\\e[2J.bar").string() +
                         ": cannot open the file: No such file or directory\n");

    // Into a file or a pipe the report is byte for byte.
    ShellRun file = RunShell(kConverter + " " + Q(dir / "t.bar"));
    EXPECT_NE(file.out.find("\n" + fake + "\n"), std::string::npos);
    EXPECT_NE(file.out.find("\n Title : \x1B]0;owned\x07\x1B[2J\n"), std::string::npos);
    ShellRun pipe = RunShell(kConverter + " " + Q(dir / "t.bar") + " | cat");
    EXPECT_EQ(pipe.out, file.out);
}

TEST_F(Rolls, StandardOutputThatCannotBeWrittenIsAFailure) {
    Make(1);
    struct Case {
        std::string command;
        std::string message;
    } cases[] = {
        {kConverter + " --help", "cannot write to standard output"},
        {kConverter + " -V", "cannot write to standard output"},
        {kConverter + " " + Q(dir / "r0.bar"), "cannot write the reports to standard output"},
#ifdef DESKTOP_PATH
        {std::string(DESKTOP_PATH) + " --help", "cannot write to standard output"},
        {std::string(DESKTOP_PATH) + " --version", "cannot write to standard output"},
#endif
    };
    for (const Case& c : cases) {
        ShellRun run = RunShell(c.command + " >/dev/full");
        EXPECT_EQ(run.status, 1) << c.command;
        EXPECT_NE(run.err.find(c.message + ": No space left on device\n"), std::string::npos)
            << c.command << ": " << run.err;
    }
    EXPECT_EQ(CheckOutputs(), 1) << "the conversion itself was done";
}

TEST_F(Rolls, SyncWritesTheSameFiles) {
    std::string rolls = Make(3);
    ASSERT_EQ(RunShell(kConverter + " -q" + rolls).status, 0);
    Bytes plain = ReadFile(dir / "r1_BAR_e.mid");
    ShellRun run = RunShell(kConverter + " -q --sync" + rolls);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "r1_BAR_e.mid"), plain);
    EXPECT_EQ(CheckOutputs(), 3);
}

}  // namespace
