// rollscribe-convert: converts roll files into MIDI files from the command line.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/BatchConverter.h"
#include "cli/ConvertOptions.h"
#include "cli/RollInputs.h"
#include "cli/RollOutputsModule.h"
#include "cli/TerminalText.h"
#include "expression/ProfileLocator.h"
#include "expression/ProfileReader.h"
#include "expression/ProfileShelf.h"
#include "platform/AddressSpace.h"
#include "platform/CAtomicFile.h"
#include "platform/CException.h"
#include "platform/CreateFolders.h"
#include "platform/ProcessGuards.h"
#include "platform/WriteAll.h"

namespace {

using namespace rollscribe;

constexpr std::string_view kProgram = "rollscribe-convert";

// Standard output or error: texts go out whole, with control characters made visible when the
// descriptor is a terminal. The first failed write is kept, and nothing more is written.
class Console {
  public:
    explicit Console(int fd) : m_fd(fd), m_terminal(::isatty(fd) == 1) {}
    void Write(std::string_view text) {
        if (m_error) return;
        m_error = WriteAll(m_fd, m_terminal ? EscapeForTerminal(text) : std::string(text));
    }
    // A line of the program about a file: "rollscribe-convert: FILE: text".
    void Message(std::string_view file, std::string_view text) {
        Write(std::string(kProgram) + ": " + std::string(file) + ": " + std::string(text) + "\n");
    }
    bool IsTerminal() const noexcept { return m_terminal; }
    int Error() const noexcept { return m_error; }

  private:
    int m_fd;
    bool m_terminal;
    int m_error = 0;
};

// A one-line progress bar on standard error, redrawn in place: the files done, and the bar
// filled by them and by the part done of the files in progress. It never moves back.
class ProgressBar {
  public:
    ProgressBar(bool enabled, std::size_t total) : m_enabled(enabled), m_total(total) {}
    void Show(std::size_t done, double partInProgress = 0) {
        if (!m_enabled) return;
        constexpr std::size_t kWidth = 40;
        double work = static_cast<double>(done) + partInProgress;
        std::size_t filled =
            m_total ? std::min(kWidth, static_cast<std::size_t>(work * kWidth / m_total)) : kWidth;
        m_filled = std::max(m_filled, filled);
        std::string bar = "\r[" + std::string(m_filled, '#') + std::string(kWidth - m_filled, ' ') +
                          "] " + std::to_string(done) + "/" + std::to_string(m_total);
        if (m_shown && bar == m_bar) return;
        WriteAll(STDERR_FILENO, bar);
        m_bar = bar;
        m_shown = true;
    }
    // Clears the bar so that other output starts on a clean line.
    void Clear() {
        if (!m_shown) return;
        WriteAll(STDERR_FILENO, "\r\033[K");
        m_shown = false;
    }

  private:
    bool m_enabled;
    std::size_t m_total;
    std::size_t m_filled = 0;
    std::string m_bar;
    bool m_shown = false;
};

unsigned DefaultJobs() {
    unsigned n = std::thread::hardware_concurrency();
    return n ? n : 1;
}

// Prints text on standard output and ends the program: 0, or 1 when it could not be written.
int PrintAndExit(const std::string& text) {
    Console out(STDOUT_FILENO);
    out.Write(text);
    return FinishStandardOutput(kProgram, out.Error());
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything opens a file: a closed standard stream must not become an output's.
    EnsureStandardDescriptors();
    NoteIgnoredSignals();
    const auto started = std::chrono::steady_clock::now();

    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    ConvertOptions options;
    try {
        options = ParseConvertOptions(args);
    } catch (const UsageError& e) {
        Console(STDERR_FILENO)
            .Write(std::string(kProgram) + ": " + e.what() + "\nTry '" + std::string(kProgram) +
                   " --help' for more information.\n");
        return 2;
    }
    if (options.help) return PrintAndExit(ConvertUsageText());
    if (options.version)
        return PrintAndExit(std::string(kProgram) + " " + ROLLSCRIBE_VERSION + "\n");
    // How every roll is converted: the run's one copy of the settings.
    BatchSettings settings;
    ConversionSettings& conversion = settings.conversion;
    conversion.outputFolder = options.outputDir;
    conversion.expression = options.expression;
    conversion.profile = options.profile;
    conversion.picture = options.picture;
    conversion.pixelsPerInch = options.pixelsPerInch;
    conversion.audio = options.audio;
    conversion.audioFormat = options.audioFormat;
    conversion.soundFont = options.soundFont;
    // The pictures and sound files are written by a module that only they load, with the
    // libraries they need: a plain conversion never loads them.
    std::unique_ptr<RollOutputs> outputs;
    if (conversion.PictureOrSound()) {
        try {
            outputs = OpenRollOutputs(conversion);
        } catch (const RollOutputsUnavailable& e) {
            Console(STDERR_FILENO)
                .Write(std::string(kProgram) +
                       ": --picture and --audio are not available: " + e.what() + "\n");
            return 2;
        }
    }

    // A signal (Ctrl+C, a closed pipe) ends the run with no temporary file left behind; one
    // ignored at start (nohup) stays ignored.
    EndOnTerminationSignals();
    CAtomicFile::SetFlushToDisk(options.sync);
    ShareMallocArenasUnderALimit();

    // A profile named for every roll that cannot be found or read stops the run before anything
    // is written, with one message. One that is read but wrong fails each roll's expression
    // file, with a message naming its field, and leaves the MIDI files written.
    // The check reads it into the run's shelf, from which the rolls take it.
    auto profiles = std::make_shared<ProfileShelf>();
    if (options.expression && !options.profile.empty()) {
        std::string problem;
        try {
            profiles->Get(options.profile);
        } catch (const ProfileError& e) {
            if (!IsProfileFile(options.profile)) problem = e.Path() + ": " + e.Reason();
        } catch (const CException& e) {
            problem = e.Path() + ": " + e.Reason();
        } catch (const std::bad_alloc&) {
            // Each roll then says what it lacks.
        }
        if (!problem.empty()) {
            Console(STDERR_FILENO)
                .Write(std::string(kProgram) + ": profile " + problem + "; no roll converted\n");
            return 1;
        }
    }

    // The output folder is made first: one that cannot be stops the run before anything is
    // written, with one message.
    if (!options.outputDir.empty()) {
        try {
            CreateFolders(options.outputDir);
        } catch (const CException& e) {
            Console(STDERR_FILENO)
                .Write(std::string(kProgram) + ": output folder " + e.Path() + ": " + e.Reason() +
                       "; no roll converted\n");
            return 1;
        }
    }
    std::vector<RollInput> inputs =
        CollectRollInputs(options.files, options.recursive, options.outputDir);
    settings.jobs = options.jobs ? options.jobs : DefaultJobs();
    settings.json = options.json;
    settings.profiles = profiles;
    // A sound font that cannot be used stops the run before anything is written.
    if (outputs) {
        if (const std::string problem = outputs->CheckSoundFont(); !problem.empty()) {
            Console(STDERR_FILENO)
                .Write(std::string(kProgram) + ": " + problem + "; no roll converted\n");
            return 1;
        }
        settings.outputs = outputs.get();
    }
    auto partInProgress = [&] { return outputs ? outputs->PartInProgress() : 0.0; };

    Console out(STDOUT_FILENO);
    Console err(STDERR_FILENO);
    // Rendering a WAV file takes long (a second for two minutes of music): the bar follows it
    // as it goes, also for one file.
    ProgressBar progress(err.IsTerminal() && (inputs.size() > 1 || options.audio), inputs.size());
    if (options.audio) settings.progressEvery = std::chrono::milliseconds(200);
    std::size_t reports = 0, written = 0, failed = 0, pictures = 0, wavFiles = 0,
                expressionFiles = 0, withWarnings = 0;
    bool anyFailure = false;
    ConvertRolls(
        inputs, settings,
        [&](std::size_t, RollResult& result) {
            // JSON lines were asked for by name: -q leaves them and silences the rest.
            bool printsReport = result.isRoll && (!options.quiet || options.json);
            if (printsReport || !result.messages.empty()) progress.Clear();
            if (printsReport) {
                if (reports++ > 0 && !options.json) out.Write("\n");
                out.Write(result.report + "\n");
            }
            for (const RollMessage& message : result.messages)
                err.Message(message.file, message.text);
            // A roll whose picture or WAV file failed has its MIDI file written all the same.
            if (result.midiWritten) ++written;
            withWarnings += result.isRoll && result.warnings > 0;
            // With --strict a roll with a warning fails the run, its outputs kept.
            if (result.status != RollStatus::written ||
                (options.strict && result.isRoll && result.warnings > 0)) {
                anyFailure = true;
                if (result.isRoll) ++failed;
            }
            pictures += result.picture.has_value();
            wavFiles += result.audio.has_value();
            expressionFiles += result.expression.has_value();
        },
        [&](std::size_t done) { progress.Show(done, partInProgress()); });
    progress.Clear();
    outputs.reset();  // the picture library's caches are released for leak checkers

    int status = anyFailure ? 1 : 0;
    if (int error = out.Error() ? out.Error() : CloseStandardOutput()) {
        err.Write(std::string(kProgram) +
                  ": cannot write the reports to standard output: " + OsErrorText(error) + "\n");
        status = 1;
    }
    if (inputs.size() > 1 && !options.quiet) {
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        char time[32];
        std::snprintf(time, sizeof time, "%.2f s", seconds);
        std::string summary = Counted(written, "MIDI file", "MIDI files") + " written, ";
        if (options.expression)
            summary +=
                Counted(expressionFiles, "expression file", "expression files") + " written, ";
        if (options.picture) summary += Counted(pictures, "picture", "pictures") + " written, ";
        if (options.audio) {
            const std::string word = SoundFileWord(options.audioFormat);
            summary += Counted(wavFiles, word.c_str(), (word + "s").c_str()) + " written, ";
        }
        summary += Counted(failed, "roll", "rolls") + " failed or refused, ";
        if (withWarnings) summary += Counted(withWarnings, "roll", "rolls") + " with warnings, ";
        err.Write(std::string(kProgram) + ": " + summary + "in " + time + "\n");
    }
    return status;
}
