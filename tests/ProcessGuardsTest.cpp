// Standard descriptors, temporary files and terminating signals, each in a child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/ProcessGuards.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

// Runs body in a child process; returns its exit status, or 128 + the signal that ended it.
int InChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

TEST(ProcessGuards, ClosedStandardDescriptorsAreOpenedOnDevNull) {
    int status = InChild([] {
        ::close(0);
        ::close(1);
        ::close(2);
        EnsureStandardDescriptors();
        int fd = ::open("/dev/null", O_RDONLY);
        struct stat null {};
        ::stat("/dev/null", &null);
        for (int standard = 0; standard <= 2; ++standard) {
            struct stat st {};
            if (::fstat(standard, &st) != 0 || st.st_rdev != null.st_rdev) return 1;
        }
        bool writable = ::write(2, "x", 1) == 1 && ::write(1, "x", 1) == 1;
        return fd > 2 && writable ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
    // Open ones are left alone.
    status = InChild([] {
        int before = ::fcntl(1, F_GETFL);
        EnsureStandardDescriptors();
        int fd = ::open("/dev/null", O_RDONLY);
        return fd >= 3 && ::fcntl(1, F_GETFL) == before ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

TEST(ProcessGuards, TerminatingSignalsRemoveTemporaryFilesAndEndByTheSignal) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2,
                       SIGVTALRM, SIGPROF, SIGXCPU, SIGABRT, SIGRTMIN, SIGRTMAX}) {
        TempDir dir;
        fs::path temp = dir / ".out.tmp";
        fs::path done = dir / ".done.tmp";
        fs::path other = dir / "other";
        int status = InChild([&] {
            const rlimit noCore{0, 0};  // SIGQUIT and SIGABRT would leave a core file
            ::setrlimit(RLIMIT_CORE, &noCore);
            EndOnTerminationSignals();
            void* slot = nullptr;
            void* doneSlot = nullptr;
            int fd = CreateTemporaryFile(temp.string(), O_WRONLY | O_EXCL, 0666, &slot);
            int doneFd = CreateTemporaryFile(done.string(), O_WRONLY | O_EXCL, 0666, &doneSlot);
            ::close(::open(other.c_str(), O_WRONLY | O_CREAT, 0666));
            if (fd < 0 || doneFd < 0 || !slot) return 1;
            ::close(doneFd);
            ForgetTemporaryFile(doneSlot);  // renamed into place, say: no longer temporary
            ::raise(signal);
            return 2;
        });
        EXPECT_EQ(status, 128 + signal) << signal;
        EXPECT_FALSE(fs::exists(temp)) << signal;
        EXPECT_TRUE(fs::exists(done)) << signal;
        EXPECT_TRUE(fs::exists(other)) << signal;
    }
}

TEST(ProcessGuards, TemporaryFileThatCannotBeCreatedIsNotRecorded) {
    TempDir dir;
    void* slot = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateTemporaryFile((dir / "missing" / "x.tmp").string(), O_WRONLY, 0666, &slot), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(slot, nullptr);
}

int g_previousCalls = 0;

// The desktop program's way: the toolkit's handler gets the signal while no work is in progress;
// during work the signal ends the program at once.
TEST(ProcessGuards, DuringWorkTheSignalEndsAtOnceOtherwiseTheEarlierHandlerGetsIt) {
    TempDir dir;
    fs::path temp = dir / ".out.tmp";
    struct Case {
        bool work, temporary;
        int status;
    } cases[] = {{false, false, 3}, {true, false, 128 + SIGTERM}, {false, true, 128 + SIGTERM}};
    for (const Case& c : cases) {
        int status = InChild([&] {
            ::signal(SIGTERM, [](int) { ++g_previousCalls; });
            EndOnTerminationSignalsDuringWork();
            void* slot = nullptr;
            if (c.temporary && CreateTemporaryFile(temp.string(), O_WRONLY, 0666, &slot) < 0)
                return 1;
            if (c.work) {
                WorkInProgress work;
                ::raise(SIGTERM);
            } else {
                ::raise(SIGTERM);
            }
            return g_previousCalls == 1 ? 3 : 4;
        });
        EXPECT_EQ(status, c.status) << c.work << c.temporary;
        EXPECT_FALSE(fs::exists(temp));
    }
}

TEST(ProcessGuards, ANotedSignalEndsTheProgramLater) {
    EXPECT_EQ(InChild([] {
                  EndByNotedSignal();  // none noted: returns
                  NoteTerminationSignal(SIGHUP);
                  EndByNotedSignal();
                  return 0;
              }),
              128 + SIGHUP);
}

TEST(ProcessGuards, StandardOutputThatCannotBeWrittenIsReported) {
    int status = InChild([] {
        int full = ::open("/dev/full", O_WRONLY);
        ::dup2(full, 1);
        std::fputs("help text\n", stdout);
        return CloseStandardOutput() == ENOSPC ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(InChild([] {
                  std::fputs("fine\n", stdout);
                  ::dup2(::open("/dev/null", O_WRONLY), 1);
                  return CloseStandardOutput();
              }),
              0);
}

TEST(ProcessGuards, FinishingOutputThatCannotBeWrittenSaysSoAndFails) {
    TempDir dir;
    const fs::path errors = dir / "errors";
    struct Case {
        const char* out;
        int writeError;
        int status;
        const char* message;
    } cases[] = {
        {"/dev/null", 0, 0, ""},
        {"/dev/full", 0, 1, "prog: cannot write to standard output: No space left on device\n"},
        {"/dev/null", EPIPE, 1, "prog: cannot write to standard output: Broken pipe\n"},
    };
    for (const Case& c : cases) {
        const int status = InChild([&] {
            ::dup2(::open(c.out, O_WRONLY), 1);
            ::dup2(::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            std::fputs("help text\n", stdout);
            return FinishStandardOutput("prog", c.writeError);
        });
        EXPECT_EQ(status, c.status) << c.out << " " << c.writeError;
        const Bytes written = ReadFile(errors);
        EXPECT_EQ(std::string(written.begin(), written.end()), c.message)
            << c.out << " " << c.writeError;
    }
}

}  // namespace
