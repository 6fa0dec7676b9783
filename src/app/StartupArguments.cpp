#include "app/StartupArguments.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace rollscribe {

namespace {

// Toolkit options whose value may follow as a separate argument.
constexpr std::string_view kOptionsWithValue[] = {
    "--display",   "--screen",       "--class",     "--name",         "--gtk-module",
    "--gdk-debug", "--gdk-no-debug", "--gtk-debug", "--gtk-no-debug",
};

bool TakesValue(std::string_view option) {
    return std::find(std::begin(kOptionsWithValue), std::end(kOptionsWithValue), option) !=
           std::end(kOptionsWithValue);
}

}  // namespace

StartupArguments ParseStartupArguments(int argc, const char* const* argv) {
    StartupArguments args;
    args.toolkitArgs.emplace_back(argc > 0 && argv[0] ? argv[0] : "rollscribe");
    bool options = true;
    auto addFile = [&](std::string name) {
        if (!args.file)
            args.file = std::move(name);
        else
            args.extraFiles.push_back(std::move(name));
    };
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--help" || arg == "-h") {
                args.help = true;
            } else if (arg == "--version") {
                args.version = true;
            } else {
                args.toolkitArgs.emplace_back(arg);
                if (TakesValue(arg) && i + 1 < argc) args.toolkitArgs.emplace_back(argv[++i]);
            }
        } else {
            addFile(std::string(arg));
        }
    }
    return args;
}

std::string StartupUsage(const std::string& programName) {
    return "Usage: " + programName +
           " [ROLL-FILE]\n"
           "Converts a scanned piano roll (a .bar or .web file with its .ann annotation file)\n"
           "into a MIDI file beside it and shows a report. With a roll file, opens it at once;\n"
           "if the program already runs, the file is opened there.\n";
}

}  // namespace rollscribe
