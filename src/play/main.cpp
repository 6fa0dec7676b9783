// rollscribe-play: plays a roll (or a MIDI file) live to a MIDI port.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/TerminalText.h"
#include "live/LiveError.h"
#include "live/LivePlayer.h"
#include "live/MidiPorts.h"
#include "platform/CException.h"
#include "platform/ProcessGuards.h"
#include "platform/WriteAll.h"
#include "play/PlayOptions.h"
#include "play/PlayableFile.h"

namespace {

using namespace rollscribe;

constexpr std::string_view kProgram = "rollscribe-play";

// Writes all of text to a descriptor (escaped on a terminal, unless it is the progress line's
// own); returns 0 or the errno.
int WriteShown(int fd, std::string_view text, bool escape = true) {
    return rollscribe::WriteAll(
        fd, escape && ::isatty(fd) == 1 ? EscapeForTerminal(text) : std::string(text));
}

void Error(std::string_view text) {
    WriteShown(STDERR_FILENO, std::string(kProgram) + ": " + std::string(text) + "\n");
}

int PrintAndExit(const std::string& text) {
    return FinishStandardOutput(kProgram, WriteShown(STDOUT_FILENO, text));
}

// The signals that end a play gracefully: what sounds is released first. One ignored at start
// (SIGHUP under nohup) stays ignored.
sigset_t EndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        if (!SignalIgnoredAtStart(signal)) sigaddset(&set, signal);
    return set;
}

// The port named, or the only one there is. Throws LiveError.
MidiPort ChoosePort(const std::string& name) {
    PortList list = ListPorts();
    if (!name.empty()) return FindPort(list, name);
    if (list.ports.size() == 1) return list.ports.front();
    if (list.ports.empty()) return FindPort(list, "");  // says why there are none
    std::string message = "more than one MIDI port; choose one with --port:";
    for (const MidiPort& port : list.ports)
        message += "\n  " + port.name + " (" + ApiName(port.api) + ")";
    throw LiveError(message);
}

}  // namespace

int main(int argc, char** argv) {
    EnsureStandardDescriptors();
    NoteIgnoredSignals();
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    PlayOptions options;
    try {
        options = ParsePlayOptions(args);
    } catch (const PlayUsageError& e) {
        Error(std::string(e.what()) + "\nTry '" + std::string(kProgram) +
              " --help' for more information.");
        return 2;
    }
    if (options.help) return PrintAndExit(PlayUsageText());
    if (options.version)
        return PrintAndExit(std::string(kProgram) + " " + ROLLSCRIBE_VERSION + "\n");
    if (options.listPorts) return PrintAndExit(DescribePorts(ListPorts()));

    // From here on the ending signals are taken by the main thread (every thread made later
    // blocks them too), so that a play ends with nothing left sounding.
    const sigset_t signals = EndingSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::shared_ptr<const MidiSequence> sequence;
    std::unique_ptr<LivePlayer> player;
    try {
        // The port first: a wrong name is told before a long roll is converted.
        const MidiPort port = ChoosePort(options.port);
        std::vector<std::string> warnings;
        sequence = LoadPlayable(options.file, options.expression, options.profile, warnings);
        for (const std::string& warning : warnings) Error(warning);
        player = std::make_unique<LivePlayer>(OpenPort(port, std::string(kProgram)));
        player->Play(sequence, options.fromMicroseconds);
    } catch (const std::exception& e) {
        Error(e.what());
        return 1;
    }

    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    const std::string total = FormatPlayTime(sequence->lengthMicroseconds);
    std::string shown;
    int signal = 0;
    while (player->IsPlaying()) {
        if (terminal) {
            const std::string line = "\r" + FormatPlayTime(player->Position()) + " of " + total;
            if (line != shown) WriteShown(STDERR_FILENO, line, false);
            shown = line;
        }
        const timespec wait{0, 200'000'000};
        const int taken = ::sigtimedwait(&signals, nullptr, &wait);
        if (taken > 0) {
            signal = taken;
            break;
        }
    }
    player->Stop();
    if (terminal && !shown.empty())
        WriteShown(STDERR_FILENO, "\r" + FormatPlayTime(player->Position()) + " of " + total + "\n",
                   false);
    const std::exception_ptr failure = player->Failure();
    player.reset();  // the port is let go only now, after the release
    if (signal) {
        NoteTerminationSignal(signal);
        EndByNotedSignal();
    }
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            Error(e.what());
        }
        return 1;
    }
    return 0;
}
