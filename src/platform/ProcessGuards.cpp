#include "platform/ProcessGuards.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "platform/CException.h"

namespace rollscribe {

namespace {

// The temporary files being written, for the signal handler. Records are linked once and never
// freed, so the handler may walk them at any moment; a record is reused once its file is done.
struct TemporaryRecord {
    enum : int { kFree = 0, kClaimed = 1, kLive = 2 };
    std::atomic<int> state{kFree};
    TemporaryRecord* next = nullptr;
    int dir = AT_FDCWD;  // the folder that path is in
    char path[PATH_MAX + 1] = {};
};

std::atomic<TemporaryRecord*> g_records{nullptr};
// Creations in progress, and whether a terminating signal is being handled: the handler waits
// for the creations to finish so that it sees (and removes) every file they create, and
// creations that start after it began do not create anything.
std::atomic<int> g_creating{0};
std::atomic<bool> g_terminating{false};
thread_local volatile sig_atomic_t t_creating = 0;
std::atomic<int> g_work{0};
std::atomic<int> g_notedSignal{0};

struct sigaction g_previous[NSIG];
bool g_chainWhenIdle = false;
// The signals the program was started with ignored (SIGHUP under nohup, SIGINT and SIGQUIT for a
// background job, SIGPIPE): they stay ignored.
sigset_t g_ignoredAtStart;
bool g_ignoredNoted = false;

static_assert(std::atomic<TemporaryRecord*>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

TemporaryRecord* ClaimRecord() {
    for (TemporaryRecord* r = g_records.load(); r; r = r->next) {
        int expected = TemporaryRecord::kFree;
        if (r->state.compare_exchange_strong(expected, TemporaryRecord::kClaimed)) return r;
    }
    auto* record = new (std::nothrow) TemporaryRecord;
    if (!record) return nullptr;
    record->state.store(TemporaryRecord::kClaimed);
    TemporaryRecord* head = g_records.load();
    do {
        record->next = head;
    } while (!g_records.compare_exchange_weak(head, record));
    return record;
}

bool AnyTemporaryFile() noexcept {
    for (TemporaryRecord* r = g_records.load(); r; r = r->next)
        if (r->state.load() == TemporaryRecord::kLive) return true;
    return false;
}

// Everything below runs in the signal handler: only async-signal-safe calls.
void RemoveTemporaryFiles() noexcept {
    g_terminating.store(true);
    // Creations on other threads finish first (a few milliseconds at most; not forever, should
    // a file system hang); one interrupted on this thread cannot go on.
    int own = t_creating ? 1 : 0;
    for (int i = 0; i < 300 && g_creating.load() > own; ++i) {
        timespec pause{0, 10 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
    for (TemporaryRecord* r = g_records.load(); r; r = r->next)
        if (r->state.load() == TemporaryRecord::kLive) ::unlinkat(r->dir, r->path, 0);
}

void EndBySignal(int signal) noexcept {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    // Delivered, with the default action, as soon as the handler returns and unblocks it.
    ::raise(signal);
}

void OnTerminationSignal(int signal, siginfo_t* info, void* context) {
    int savedErrno = errno;
    if (g_chainWhenIdle && g_work.load() == 0 && !AnyTemporaryFile()) {
        const struct sigaction& previous = g_previous[signal];
        if (previous.sa_flags & SA_SIGINFO) {
            if (previous.sa_sigaction) previous.sa_sigaction(signal, info, context);
        } else if (previous.sa_handler == SIG_IGN) {
        } else if (previous.sa_handler != SIG_DFL && previous.sa_handler) {
            previous.sa_handler(signal);
        } else {
            EndBySignal(signal);
        }
        errno = savedErrno;
        return;
    }
    RemoveTemporaryFiles();
    EndBySignal(signal);
    errno = savedErrno;
}

// The signals whose default action ends the process, but SIGKILL and SIGSTOP, which cannot be
// caught, and SIGXFSZ, which is dropped instead (see InstallHandlers).
std::vector<int> TerminatingSignals() {
    std::vector<int> signals = {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                                SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGSYS,  SIGPWR,  SIGSTKFLT};
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) signals.push_back(signal);
    return signals;
}

void NoteIgnoredSignalsOnce() noexcept {
    if (g_ignoredNoted) return;
    g_ignoredNoted = true;
    sigemptyset(&g_ignoredAtStart);
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
            current.sa_handler == SIG_IGN)
            sigaddset(&g_ignoredAtStart, signal);
    }
}

void DropSignal(int) {}

void InstallHandlers(bool chainWhenIdle, bool withPipe) noexcept {
    NoteIgnoredSignalsOnce();
    g_chainWhenIdle = chainWhenIdle;
    std::vector<int> signals;
    try {
        signals = TerminatingSignals();
    } catch (...) {
        return;
    }
    struct sigaction action {};
    action.sa_sigaction = &OnTerminationSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : signals) sigaddset(&action.sa_mask, signal);
    for (int signal : signals) {
        if ((signal == SIGPIPE && !withPipe) || sigismember(&g_ignoredAtStart, signal)) continue;
        struct sigaction current {};
        ::sigaction(signal, nullptr, &current);
        // A handler that someone else installed first (a sanitizer's for SIGSEGV) stays, unless
        // ours hands the signal on to it (the desktop program's toolkit).
        const bool handled = (current.sa_flags & SA_SIGINFO) ||
                             (current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN);
        if (handled && !chainWhenIdle) continue;
        ::sigaction(signal, &action, &g_previous[signal]);
    }
    // Past a file-size limit a write fails with EFBIG ("File too large"), which fails that
    // output alone, instead of the signal ending the program. Caught rather than ignored, so
    // that programs started from here get the default back.
    if (!sigismember(&g_ignoredAtStart, SIGXFSZ)) {
        struct sigaction drop {};
        drop.sa_handler = &DropSignal;
        drop.sa_flags = SA_RESTART;
        sigemptyset(&drop.sa_mask);
        ::sigaction(SIGXFSZ, &drop, nullptr);
    }
}

}  // namespace

void EnsureStandardDescriptors() noexcept {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        // The lowest free descriptor is fd itself; anything else is not wanted.
        if (opened >= 0 && opened != fd) ::close(opened);
    }
}

int CreateTemporaryFile(const std::string& path, int flags, mode_t mode, void** slot) noexcept {
    return CreateTemporaryFile(AT_FDCWD, path, flags, mode, slot);
}

int CreateTemporaryFile(int dir, const std::string& path, int flags, mode_t mode,
                        void** slot) noexcept {
    *slot = nullptr;
    g_creating.fetch_add(1);
    t_creating = 1;
    if (g_terminating.load()) {
        // The program is ending by a signal: create nothing more, and wait for the end.
        t_creating = 0;
        g_creating.fetch_sub(1);
        for (;;) ::pause();
    }
    TemporaryRecord* record = path.size() <= PATH_MAX ? ClaimRecord() : nullptr;
    if (record) {
        record->dir = dir;
        std::memcpy(record->path, path.c_str(), path.size() + 1);
        record->state.store(TemporaryRecord::kLive);
    }
    int fd = ::openat(dir, path.c_str(), flags | O_CREAT, mode);
    int openError = errno;
    t_creating = 0;
    g_creating.fetch_sub(1);
    if (fd < 0) {
        if (record) record->state.store(TemporaryRecord::kFree);
        errno = openError;
        return -1;
    }
    *slot = record;
    return fd;
}

void ForgetTemporaryFile(void* slot) noexcept {
    if (slot) static_cast<TemporaryRecord*>(slot)->state.store(TemporaryRecord::kFree);
}

void NoteIgnoredSignals() noexcept {
    NoteIgnoredSignalsOnce();
}

bool SignalIgnoredAtStart(int signal) noexcept {
    NoteIgnoredSignalsOnce();
    return sigismember(&g_ignoredAtStart, signal) == 1;
}

void EndOnTerminationSignals() noexcept {
    InstallHandlers(false, true);
}

void EndOnTerminationSignalsDuringWork() noexcept {
    InstallHandlers(true, false);
}

WorkInProgress::WorkInProgress() noexcept {
    g_work.fetch_add(1);
}

WorkInProgress::~WorkInProgress() {
    g_work.fetch_sub(1);
}

void NoteTerminationSignal(int signal) noexcept {
    g_notedSignal.store(signal);
}

void EndByNotedSignal() noexcept {
    int signal = g_notedSignal.load();
    if (signal == 0) return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
}

int CloseStandardOutput() noexcept {
    int error = 0;
    if (std::fflush(stdout) != 0)
        error = errno;
    else if (std::ferror(stdout))
        error = EIO;
    if (::close(STDOUT_FILENO) != 0 && error == 0 && errno != EBADF) error = errno;
    return error;
}

int FinishStandardOutput(std::string_view program, int writeError) {
    const int error = writeError ? writeError : CloseStandardOutput();
    if (error == 0) return 0;
    const std::string message =
        std::string(program) + ": cannot write to standard output: " + OsErrorText(error) + "\n";
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::fflush(stderr);
    return 1;
}

}  // namespace rollscribe
