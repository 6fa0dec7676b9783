#include "cli/ConvertOptions.h"

#include <charconv>

namespace {

unsigned ParseJobs(const std::string& text) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > 1024)
        throw UsageError("invalid number of jobs '" + text + "' (expected 1 to 1024)");
    return value;
}

}  // namespace

ConvertOptions ParseConvertOptions(const std::vector<std::string>& args) {
    ConvertOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "-V" || arg == "--version") {
            options.version = true;
        } else if (arg == "-j" || arg == "--jobs") {
            if (i + 1 >= args.size()) throw UsageError("option '" + arg + "' needs a number");
            options.jobs = ParseJobs(args[++i]);
        } else if (arg.rfind("--jobs=", 0) == 0) {
            options.jobs = ParseJobs(arg.substr(7));
        } else if (arg.rfind("-j", 0) == 0) {
            options.jobs = ParseJobs(arg.substr(2));
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }
    if (options.files.empty() && !options.help && !options.version)
        throw UsageError("no roll file given");
    return options;
}

std::string ConvertUsageText() {
    return "Usage: rollscribe-convert [options] FILE...\n"
           "\n"
           "Converts scanned player-piano rolls into Standard MIDI Files. Each FILE is a roll\n"
           "scan (extension bar or web); its annotation file (same name, extension .ann) is read\n"
           "from the same folder, and the MIDI file TITLE_BAR_e.mid is written beside it, TITLE\n"
           "being the roll's file name up to its first dot. The roll and annotation files are\n"
           "only read. For each file the conversion report is printed.\n"
           "\n"
           "Options:\n"
           "  -q, --quiet      do not print the reports\n"
           "  -j, --jobs N     convert N files at a time (default: one per processor);\n"
           "                   the results and their order are the same for every N\n"
           "  -h, --help       print this help and exit\n"
           "  -V, --version    print the version and exit\n"
           "\n"
           "Exit status: 0 when every MIDI file was written, 1 when any file was rejected (not\n"
           "a bar or web file) or could not be converted, 2 when the command line is wrong.\n";
}
