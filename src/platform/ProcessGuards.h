#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace rollscribe {

// Makes sure descriptors 0, 1 and 2 are open, on /dev/null where one is not. Without this a
// program started with a standard stream closed gives that descriptor to the next file it opens,
// and what it prints for the user lands in that file. Call first thing in main.
void EnsureStandardDescriptors() noexcept;

// Creates a temporary file (open with O_CREAT and these flags and mode) and records its path, so
// that a terminating signal removes it; returns the descriptor, or -1 with errno set. The record
// is given in *slot and must be dropped with ForgetTemporaryFile once the file is renamed or
// removed. Safe to call from any thread. With a folder's descriptor (see PathAt), path is a name
// in that folder, which must stay open until the record is dropped.
int CreateTemporaryFile(const std::string& path, int flags, mode_t mode, void** slot) noexcept;
int CreateTemporaryFile(int dir, const std::string& path, int flags, mode_t mode,
                        void** slot) noexcept;
void ForgetTemporaryFile(void* slot) noexcept;

// Notes the signals that the program was started with ignored (SIGHUP under nohup, SIGINT and
// SIGQUIT for a background job, SIGPIPE): they stay ignored, whatever is installed later. Call
// first thing in main, before a toolkit installs handlers of its own.
void NoteIgnoredSignals() noexcept;
bool SignalIgnoredAtStart(int signal) noexcept;

// On every signal whose default action ends the process (SIGINT, SIGTERM, SIGHUP, SIGPIPE,
// SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU, the real-time signals, ...):
// removes the temporary files being written, then ends the program by the same signal with its
// default action, so that the caller sees 128 + the signal's number. Outputs already in place
// stay as they are. Signals ignored at start stay ignored, and a handler installed before (a
// sanitizer's) stays. SIGXFSZ is dropped: a write past a file-size limit then fails with "File
// too large". For the converter.
void EndOnTerminationSignals() noexcept;

// On those signals (but SIGPIPE) while work is in progress (a WorkInProgress scope lives or a
// temporary file is being written): as above. Otherwise the signal goes to the handler that was
// installed before, the toolkit's, which closes the program in its own time, or ends the
// program by default. For the desktop program; call after the toolkit has installed its
// handlers.
void EndOnTerminationSignalsDuringWork() noexcept;

// Marks work (a roll's load) that a terminating signal ends at once instead of waiting for it.
class WorkInProgress {
  public:
    WorkInProgress() noexcept;
    ~WorkInProgress();
    WorkInProgress(const WorkInProgress&) = delete;
    WorkInProgress& operator=(const WorkInProgress&) = delete;
};

// For a program that closed gracefully on a terminating signal: notes the signal, and later ends
// the program by it (default action) so that its caller sees how it ended. EndByNotedSignal
// returns when no signal was noted.
void NoteTerminationSignal(int signal) noexcept;
void EndByNotedSignal() noexcept;

// Flushes and closes standard output. Returns 0, or the errno of a failed write or close (a
// full disk, a closed pipe, /dev/full): a program that printed must then fail.
int CloseStandardOutput() noexcept;

// Ends a program's printing (its help, its version): closes standard output and returns 0, or,
// when that fails or an earlier write did (writeError, an errno), says on standard error
// "<program>: cannot write to standard output: <reason>" and returns 1, the exit status.
int FinishStandardOutput(std::string_view program, int writeError = 0);

}  // namespace rollscribe
