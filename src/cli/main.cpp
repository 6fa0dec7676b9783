// rollscribe-convert: converts roll files into MIDI files from the command line.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/BatchConverter.h"
#include "cli/ConvertOptions.h"

namespace {

// A one-line progress bar on standard error, redrawn in place.
class ProgressBar {
  public:
    ProgressBar(bool enabled, std::size_t total) : m_enabled(enabled), m_total(total) {}
    void Show(std::size_t done) {
        if (!m_enabled) return;
        constexpr std::size_t kWidth = 40;
        std::size_t filled = m_total ? done * kWidth / m_total : kWidth;
        std::string bar = "\r[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') +
                          "] " + std::to_string(done) + "/" + std::to_string(m_total);
        std::fputs(bar.c_str(), stderr);
        std::fflush(stderr);
        m_shown = true;
    }
    // Clears the bar so that other output starts on a clean line.
    void Clear() {
        if (!m_shown) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_shown = false;
    }

  private:
    bool m_enabled;
    std::size_t m_total;
    bool m_shown = false;
};

unsigned DefaultJobs() {
    unsigned n = std::thread::hardware_concurrency();
    return n ? n : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    ConvertOptions options;
    try {
        options = ParseConvertOptions(args);
    } catch (const UsageError& e) {
        std::cerr << "rollscribe-convert: " << e.what() << "\n"
                  << "Try 'rollscribe-convert --help' for more information.\n";
        return 2;
    }
    if (options.help) {
        std::cout << ConvertUsageText();
        return 0;
    }
    if (options.version) {
        std::cout << "rollscribe-convert " << ROLLSCRIBE_VERSION << "\n";
        return 0;
    }

    std::ios::sync_with_stdio(false);
    const auto& files = options.files;
    ProgressBar progress(files.size() > 1 && ::isatty(STDERR_FILENO), files.size());
    int status = 0;
    ConvertRollFiles(
        files, options.jobs ? options.jobs : DefaultJobs(),
        [&](std::size_t index, const ConversionResult& result) {
            if (!options.quiet || !result.ok) progress.Clear();
            if (!options.quiet) {
                if (index > 0) std::cout << "\n";
                std::cout << result.report << "\n";
                std::cout.flush();
            }
            if (!result.ok) {
                status = 1;
                std::cerr << "rollscribe-convert: " << files[index] << ": " << result.error << "\n";
                std::cerr.flush();
            }
        },
        [&](std::size_t done) { progress.Show(done); });
    progress.Clear();
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "rollscribe-convert: cannot write the reports to standard output\n";
        return 1;
    }
    return status;
}
