#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct ShellRun {
    int status;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// Runs a bash command line from an empty working folder, with its standard output and error
// caught (unless the command redirects them itself). Checks that nothing was written into the
// working folder.
ShellRun RunShell(const std::string& command);

// Runs a program with its standard output and error on a pseudo-terminal that passes bytes as
// they are; returns what the terminal received once the program has ended.
std::string RunOnTerminal(const std::string& program, const std::vector<std::string>& args);

// Starts a program with its standard output thrown away and its standard error into errPath
// (or thrown away too); returns its process id.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::filesystem::path& errPath = "/dev/null");

// A path in single quotes for a command line.
std::string Q(const std::filesystem::path& path);

// Takes the batch summary, the last line of standard error after several files, off err and
// returns it with its time replaced by "T".
std::string TakeSummary(std::string& err);

// The whole content of a file as text (empty when it cannot be read).
std::string Slurp(const std::filesystem::path& path);

// Text split into its lines, without their line feeds.
std::vector<std::string> LinesOf(const std::string& text);

// "key value" lines, as a reader script prints them, by key (the value empty when the line has
// no space).
std::map<std::string, std::string> KeyValues(const std::vector<std::string>& lines);

}  // namespace testing_support
