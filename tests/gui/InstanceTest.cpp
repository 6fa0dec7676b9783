#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/uiaction.h>

#include <cstring>

#include "GuiHarness.h"
#include "app/AppSettings.h"
#include "app/CInstanceLink.h"
#include "app/GtkDisplayCheck.h"
#include "support/ShellRun.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace rollscribe::gui_test;
using testing_support::Slurp;

namespace {

// A socket file as a program that crashed leaves it: bound, never removed, nobody listening.
void LeaveStaleSocket(const fs::path& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

TEST(InstanceRequest, RoundTrip) {
    std::optional<std::string> file;
    ASSERT_TRUE(ParseInstanceRequest(MakeInstanceRequest("/rolls/a b\n.bar"), file));
    EXPECT_EQ(file, "/rolls/a b\n.bar");
    ASSERT_TRUE(ParseInstanceRequest(MakeInstanceRequest(std::nullopt), file));
    EXPECT_EQ(file, std::nullopt);
    for (const char* bad : {"", "open\n", "open", "show ", "delete\n/x", "OPEN\n/x"}) {
        EXPECT_FALSE(ParseInstanceRequest(bad, file)) << bad;
    }
    EXPECT_FALSE(ParseInstanceRequest(std::string("open\n/a\0b", 9), file));
}

class Instance : public GuiTest {
  protected:
    std::map<std::string, std::string> Environment() {
        return {{"XDG_CONFIG_HOME", m_config.Path().string()}};
    }
    // The lock and the socket of the program on the tests' display.
    fs::path InstanceFile(const char* extension) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        return fs::path(CInstanceLink::RuntimeFolder()) /
               (CInstanceLink::FileStem(OpenedDisplayScope(runtime ? runtime : "")) + extension);
    }
};

// An X server of the test's own, on a display number that was free; ended with the object.
// Unless it resets, it goes on as it is when its last client leaves. With an audit file, it
// writes there which clients connect and leave.
class SecondDisplay {
  public:
    explicit SecondDisplay(bool resets = false, const fs::path& audit = {}) {
        int ends[2];
        if (::pipe(ends) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, ends[0]);
        if (!audit.empty())
            posix_spawn_file_actions_addopen(&actions, 2, audit.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::string fd = std::to_string(ends[1]);
        // -noreset: a server that resets when its last client leaves refuses the next one
        // for a moment.
        std::vector<std::string> args = {"Xvfb", "-displayfd", fd,          "-screen",
                                         "0",    "800x600x24", "-nolisten", "tcp"};
        if (!resets) args.push_back("-noreset");
        if (!audit.empty()) args.insert(args.end(), {"-audit", "4"});
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd wait{ends[0], POLLIN, 0};
        char c = 0;
        while (m_pid > 0 && ::poll(&wait, 1, 10000) == 1 && ::read(ends[0], &c, 1) == 1 &&
               c != '\n')
            number += c;
        ::close(ends[0]);
        if (!number.empty()) m_number = number;
    }
    ~SecondDisplay() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    // The display's number; empty when no server could be started.
    const std::string& Number() const { return m_number; }

  private:
    pid_t m_pid = -1;
    std::string m_number;
};

TEST_F(Instance, ASecondStartHandsItsFileToTheRunningProgram) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("first")));
    fs::path second = m_rolls.AddRoll("second");
    ChildProcess child({ROLLSCRIBE_PATH, second.string()}, Environment());
    std::optional<int> status = child.Wait(20s);
    ASSERT_TRUE(status.has_value()) << "the second start did not end";
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(PumpUntil([&] { return Caption() == "second.bar - Rollscribe"; }));
    EXPECT_TRUE(fs::exists(m_rolls.Path("second_BAR_e.mid")));
    EXPECT_EQ(RecentFileLabels().front(), "&1 " + second.string());
}

TEST_F(Instance, ASecondStartWithARelativeNameOpensTheRightFile) {
    ASSERT_TRUE(Start());
    m_rolls.AddRoll("relative");
    fs::path before = fs::current_path();
    fs::current_path(m_rolls.Dir());
    ChildProcess child({ROLLSCRIBE_PATH, "relative.bar"}, Environment());
    fs::current_path(before);
    std::optional<int> status = child.Wait(20s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(PumpUntil([&] { return Caption() == "relative.bar - Rollscribe"; }));
    EXPECT_TRUE(fs::exists(m_rolls.Path("relative_BAR_e.mid")));
}

TEST_F(Instance, AStaleLockAndSocketAfterACrashDoNotStopAStart) {
    // A lock naming a process that is gone, and a socket file nobody answers on.
    ASSERT_FALSE(CInstanceLink::RuntimeFolder().empty());
    testing_support::WriteFile(InstanceFile(".lock"), std::string("999999\0", 7));
    fs::permissions(InstanceFile(".lock"), fs::perms::owner_read | fs::perms::owner_write);
    LeaveStaleSocket(InstanceFile(".socket"));
    ASSERT_TRUE(Start(m_rolls.AddRoll("after_crash")));
    EXPECT_EQ(Caption(), "after_crash.bar - Rollscribe");
    // And it answers later starts.
    fs::path next = m_rolls.AddRoll("next");
    ChildProcess child({ROLLSCRIBE_PATH, next.string()}, Environment());
    ASSERT_EQ(child.Wait(20s), 0);
    EXPECT_TRUE(PumpUntil([&] { return Caption() == "next.bar - Rollscribe"; }));
}

TEST_F(Instance, ALockFileWithOtherPermissionsIsReplaced) {
    testing_support::WriteFile(InstanceFile(".lock"), "1");
    fs::permissions(InstanceFile(".lock"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(Start());
    fs::path next = m_rolls.AddRoll("next");
    ChildProcess child({ROLLSCRIBE_PATH, next.string()}, Environment());
    ASSERT_EQ(child.Wait(20s), 0);
    EXPECT_TRUE(PumpUntil([&] { return Caption() == "next.bar - Rollscribe"; }));
}

// A start on another display opens a window of its own there, and later starts on that display,
// by any name of it, go to that window; the window on this display hears of none of them.
TEST_F(Instance, EachDisplayHasItsOwnRunningProgram) {
    SecondDisplay other;
    if (other.Number().empty()) GTEST_SKIP() << "no second X display: Xvfb could not be started";
    ASSERT_TRUE(Start(m_rolls.AddRoll("here")));
    testing_support::TempDir config;
    auto on = [&](const std::string& display) {
        return std::map<std::string, std::string>{{"DISPLAY", display},
                                                  {"XDG_CONFIG_HOME", config.Path().string()}};
    };
    ChildProcess there({ROLLSCRIBE_PATH, m_rolls.AddRoll("there").string()},
                       on(":" + other.Number()));
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(m_rolls.Path("there_BAR_e.mid")); }, 20s))
        << "the start on the other display converted nothing";
    EXPECT_EQ(there.Wait(1s), std::nullopt) << "the start on the other display ended";
    int n = 0;
    for (const std::string& name : {":" + other.Number() + ".0", "unix:" + other.Number()}) {
        const std::string roll = "next" + std::to_string(++n);
        ChildProcess next({ROLLSCRIBE_PATH, m_rolls.AddRoll(roll).string()}, on(name));
        EXPECT_EQ(next.Wait(20s), 0) << name;
        EXPECT_TRUE(PumpUntil([&] { return fs::exists(m_rolls.Path(roll + "_BAR_e.mid")); }, 20s))
            << name;
    }
    Pump(100ms);
    EXPECT_EQ(Caption(), "here.bar - Rollscribe");
    EXPECT_EQ(RecentFileLabels(),
              std::vector<std::string>{"&1 " + m_rolls.Path("here.bar").string()});
    there.Signal(SIGTERM);
    EXPECT_EQ(there.Wait(20s), 128 + SIGTERM);
}

// The program itself, as a user starts it twice in a row.
TEST(Program, RecentFilesSurviveARestartAndSigtermEndsItCleanly) {
    testing_support::TempDir config;
    testing_support::TempDir run;
    fs::permissions(run.Path(), fs::perms::owner_all);
    RollFolder rolls;
    std::map<std::string, std::string> env = {{"XDG_CONFIG_HOME", config.Path().string()},
                                              {"XDG_RUNTIME_DIR", run.Path().string()}};
    fs::path settings = config / "Quorvel_Software" / "rollscribe.conf";
    auto listed = [&](const std::string& text) {
        return Slurp(settings).find(text) != std::string::npos;
    };

    fs::path a = rolls.AddRoll("a");
    {
        ChildProcess program({ROLLSCRIBE_PATH, a.string()}, env);
        ASSERT_TRUE(PumpUntil([&] { return listed("file1=" + a.string()); }, 20s));
        program.Signal(SIGTERM);
        EXPECT_EQ(program.Wait(20s), 128 + SIGTERM);  // closed, then ended by the signal
    }
    EXPECT_TRUE(fs::exists(rolls.Path("a_BAR_e.mid")));
    EXPECT_TRUE(testing_support::ListDir(run.Path()).empty()) << "lock or socket left behind";

    fs::path b = rolls.AddRoll("b");
    {
        ChildProcess program({ROLLSCRIBE_PATH, b.string()}, env);
        ASSERT_TRUE(PumpUntil([&] { return listed("file1=" + b.string()); }, 20s));
        program.Signal(SIGTERM);
        EXPECT_EQ(program.Wait(20s), 128 + SIGTERM);  // closed, then ended by the signal
    }
    EXPECT_NE(
        Slurp(settings).find("[BAR/ANN\\ to\\ Vellum\\ file\\ converter/Recent\\ File\\ List]\n"
                             "file1=" +
                             b.string() + "\nfile2=" + a.string() + "\n"),
        std::string::npos)
        << Slurp(settings);
}

TEST(Program, AFileThatCannotBeOpenedIsReportedAndTheProgramEndsWithAFailure) {
    testing_support::TempDir config;
    testing_support::TempDir run;
    fs::permissions(run.Path(), fs::perms::owner_all);
    fs::path settings = config / "Quorvel_Software" / "rollscribe.conf";
    auto startWithMissingFile = [&] {
        ChildProcess program({ROLLSCRIBE_PATH, (run / "missing.bar").string()},
                             {{"XDG_CONFIG_HOME", config.Path().string()},
                              {"XDG_RUNTIME_DIR", run.Path().string()}});
        // The message box waits for its OK: Return, pressed until the program has ended. With
        // no window manager the box sits at the top left and has the keyboard while the
        // pointer is over it.
        wxUIActionSimulator keys;
        keys.MouseMove(60, 40);
        std::optional<int> status;
        for (int attempt = 0; attempt < 40 && !status; ++attempt) {
            status = program.Wait(250ms);
            if (!status) keys.Char(WXK_RETURN);
        }
        ASSERT_TRUE(status.has_value()) << "the program did not end";
        EXPECT_EQ(*status, 1);
    };
    // No settings before: none after, not even empty groups.
    startWithMissingFile();
    EXPECT_FALSE(fs::exists(settings)) << Slurp(settings);
    // A list from earlier runs is kept as it was, without the file that failed.
    const std::string earlier =
        "[BAR/ANN\\ to\\ Vellum\\ file\\ converter/Recent\\ File\\ List]\n"
        "file1=/rolls/b.bar\nfile2=/rolls/a.bar\n";
    fs::create_directories(settings.parent_path());
    testing_support::WriteFile(settings, earlier);
    startWithMissingFile();
    EXPECT_EQ(Slurp(settings), earlier);
}

TEST(Program, SigtermWhileAMessageBoxIsUpEndsTheProgram) {
    testing_support::TempDir config;
    testing_support::TempDir run;
    fs::permissions(run.Path(), fs::perms::owner_all);
    ChildProcess program(
        {ROLLSCRIBE_PATH, (run / "missing.bar").string()},
        {{"XDG_CONFIG_HOME", config.Path().string()}, {"XDG_RUNTIME_DIR", run.Path().string()}});
    // The box about the missing file waits for an answer that does not come.
    ASSERT_EQ(program.Wait(1500ms), std::nullopt);
    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value()) << "the program did not end";
    EXPECT_EQ(*status, 128 + SIGTERM);
}

// Signals ignored at start stay ignored (SIGHUP under nohup, SIGINT for a background job): the
// program goes on and still takes a second start's file; SIGTERM then ends it.
TEST(Program, SignalsIgnoredAtStartStayIgnored) {
    testing_support::TempDir config;
    testing_support::TempDir run;
    fs::permissions(run.Path(), fs::perms::owner_all);
    RollFolder rolls;
    std::map<std::string, std::string> env = {{"XDG_CONFIG_HOME", config.Path().string()},
                                              {"XDG_RUNTIME_DIR", run.Path().string()}};
    fs::path settings = config / "Quorvel_Software" / "rollscribe.conf";
    auto listed = [&](const fs::path& file) {
        return Slurp(settings).find("file1=" + file.string()) != std::string::npos;
    };
    fs::path first = rolls.AddRoll("first");
    fs::path second = rolls.AddRoll("second");
    ChildProcess program({"/bin/sh", "-c", "trap '' INT; exec nohup \"$0\" \"$1\" >/dev/null 2>&1",
                          ROLLSCRIBE_PATH, first.string()},
                         env);
    ASSERT_TRUE(PumpUntil([&] { return listed(first); }, 20s));
    program.Signal(SIGHUP);
    program.Signal(SIGINT);
    ChildProcess start({ROLLSCRIBE_PATH, second.string()}, env);
    EXPECT_EQ(start.Wait(20s), 0);
    EXPECT_TRUE(PumpUntil([&] { return listed(second); }, 20s));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(20s), 128 + SIGTERM);
}

// --help and --version print their text and end, without a display to open a window on.
TEST(Program, HelpAndVersionNeedNoWindow) {
    testing_support::TempDir out;
    for (const char* option : {"help", "version"}) {
        const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " +
                                    std::string(ROLLSCRIBE_PATH) + " --" + option + " > " +
                                    (out / option).string() + " 2> " + (out / "err").string();
        EXPECT_EQ(std::system(command.c_str()), 0) << option;
        EXPECT_EQ(Slurp(out / "err"), "") << option;
    }
    EXPECT_NE(Slurp(out / "help").find("Usage:"), std::string::npos);
    EXPECT_EQ(Slurp(out / "version"), "Rollscribe " ROLLSCRIBE_VERSION "\n");
}

// A server with no other client (a kiosk's) resets when its last client leaves, and refuses
// or drops a client meanwhile. Every start shows its window there: the program keeps the
// connection that it opens first, so the server never resets while it starts.
TEST(Program, StartsOnAServerThatResetsWhenItsLastClientLeaves) {
    testing_support::TempDir logs;
    const fs::path audit = logs / "server.log";
    RollFolder rolls;
    const fs::path roll = rolls.AddRoll("kiosk");
    int starts = 0;
    {
        SecondDisplay bare(true, audit);
        if (bare.Number().empty()) GTEST_SKIP() << "no X server of its own: Xvfb did not start";
        for (; starts < 4; ++starts) {
            testing_support::TempDir config;
            testing_support::TempDir run;
            fs::permissions(run.Path(), fs::perms::owner_all);
            const fs::path settings = config / "Quorvel_Software" / "rollscribe.conf";
            ChildProcess program({ROLLSCRIBE_PATH, roll.string()},
                                 {{"DISPLAY", ":" + bare.Number()},
                                  {"XDG_CONFIG_HOME", config.Path().string()},
                                  {"XDG_RUNTIME_DIR", run.Path().string()}});
            ASSERT_TRUE(PumpUntil(
                [&] { return Slurp(settings).find("file1=" + roll.string()) != std::string::npos; },
                20s))
                << "start " << starts << " showed no window";
            program.Signal(SIGTERM);
            ASSERT_EQ(program.Wait(20s), 128 + SIGTERM) << "start " << starts;
        }
    }
    // A reset numbers the clients from 1 again: once after each program, never while it runs.
    const std::string log = Slurp(audit);
    int firsts = 0;
    for (std::size_t at = log.find("client 1 connected"); at != std::string::npos;
         at = log.find("client 1 connected", at + 1))
        ++firsts;
    EXPECT_EQ(firsts, starts) << log;
}

TEST(Program, WithoutADisplayItSaysSoAndEnds) {
    testing_support::TempDir out;
    fs::copy_file(fs::path(EXAMPLES_DIR) / "evening_waltz.bar", out / "roll.bar");
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " +
                                std::string(ROLLSCRIBE_PATH) + " " + (out / "roll.bar").string() +
                                " 2> " + (out / "err").string();
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(Slurp(out / "err").find("cannot open the display"), std::string::npos)
        << Slurp(out / "err");
    EXPECT_FALSE(fs::exists(out / "roll_BAR_e.mid")) << "converted without a window";
}

}  // namespace

namespace {

// A terminating signal while a roll is being converted (the load holds the main loop): the
// program ends by the signal at once, its temporary file removed, the earlier MIDI file kept.
TEST(Program, SignalDuringALoadEndsItAtOnceLeavingNoTemporaryFile) {
    testing_support::TempDir config;
    testing_support::TempDir run;
    testing_support::TempDir rolls;
    fs::permissions(run.Path(), fs::perms::owner_all);
    // 20 MB of note records and a 40 MB lyric: long enough a write to be caught in it.
    std::vector<std::uint8_t> roll = {'R', 'O', 'L'};
    while (roll.size() < 20 * 1024 * 1024) roll.insert(roll.end(), {0x01, 0x10, 0x02, 0x11});
    roll.insert(roll.end(), {0x00, 0xF2});
    roll.resize(roll.size() + 40 * 1024 * 1024, 'l');
    roll.push_back(0);
    testing_support::WriteFile(rolls / "big.bar", roll);
    testing_support::WriteFile(rolls / "big_BAR_e.mid", "earlier");
    auto hasTemporary = [&] { return testing_support::HasTemporaryFile(rolls.Path()); };
    ChildProcess program(
        {ROLLSCRIBE_PATH, (rolls / "big.bar").string()},
        {{"XDG_CONFIG_HOME", config.Path().string()}, {"XDG_RUNTIME_DIR", run.Path().string()}});
    auto start = std::chrono::steady_clock::now();
    while (!hasTemporary() && std::chrono::steady_clock::now() - start < 120s) ::usleep(1000);
    ASSERT_TRUE(hasTemporary()) << "the MIDI file was never begun";
    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(20s);
    ASSERT_TRUE(status.has_value()) << "the program did not end";
    EXPECT_EQ(*status, 128 + SIGTERM);
    EXPECT_FALSE(hasTemporary());
    EXPECT_TRUE(Slurp(rolls / "big_BAR_e.mid") == "earlier")
        << "the earlier MIDI file was replaced";
}

}  // namespace
