#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rollscribe {

// What the desktop program's command line asks for. The file name is kept as the bytes given, so
// that any name the file system holds can be opened.
struct StartupArguments {
    std::optional<std::string> file;       // the roll file to open at start-up
    std::vector<std::string> toolkitArgs;  // the program name and the options, for the toolkit
    std::vector<std::string> extraFiles;   // further file names, which are not opened
    bool help = false;                     // --help: print the usage and end
    bool version = false;                  // --version: print the version and end
};

// At most one file name is opened. Arguments starting with "-" are options for the window
// system's toolkit (with the values of those that take one as a separate argument); "--" ends
// the options. A lone "-" is a file name.
StartupArguments ParseStartupArguments(int argc, const char* const* argv);

// The usage text for --help.
std::string StartupUsage(const std::string& programName);

}  // namespace rollscribe
