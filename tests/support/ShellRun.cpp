#include "support/ShellRun.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace testing_support {

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::map<std::string, std::string> KeyValues(const std::vector<std::string>& lines) {
    std::map<std::string, std::string> values;
    for (const std::string& line : lines) {
        std::size_t space = line.find(' ');
        values[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
    }
    return values;
}

std::string Q(const fs::path& path) {
    std::string quoted = "'";
    for (char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string TakeSummary(std::string& err) {
    std::size_t start = err.rfind('\n', err.size() >= 2 ? err.size() - 2 : 0);
    start = start == std::string::npos || err.size() < 2 ? 0 : start + 1;
    std::string summary = err.substr(start);
    err.erase(start);
    std::size_t in = summary.rfind(", in ");
    if (in != std::string::npos && summary.ends_with(" s\n")) {
        std::string time = summary.substr(in + 5, summary.size() - in - 8);
        bool number = !time.empty() && time.find_first_not_of("0123456789.") == std::string::npos;
        if (number) summary = summary.substr(0, in + 5) + "T s\n";
    }
    return summary;
}

namespace {

// In a child process: runs program with args, or ends with status 127.
[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

}  // namespace

std::string RunOnTerminal(const std::string& program, const std::vector<std::string>& args) {
    int master = -1, slave = -1;
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0) return "openpty failed";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(slave, 1);
        ::dup2(slave, 2);
        ::close(master);
        ::close(slave);
        Exec(program, args);
    }
    ::close(slave);
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) got.append(buffer, n);
    ::close(master);
    ::waitpid(pid, nullptr, 0);
    return got;
}

pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const fs::path& errPath) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open("/dev/null", O_RDWR), 1);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), 2);
        Exec(program, args);
    }
    return pid;
}

ShellRun RunShell(const std::string& command) {
    TempDir cwd;
    TempDir io;
    WriteFile(io / "command.sh", "cd " + Q(cwd.Path()) + " || exit 99\n{\n" + command + "\n} >" +
                                     Q(io / "out") + " 2>" + Q(io / "err") + "\n");
    int raw = std::system(("bash " + Q(io / "command.sh")).c_str());
    ShellRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), Slurp(io / "out"),
                 Slurp(io / "err")};
    EXPECT_TRUE(fs::is_empty(cwd.Path())) << "files written into the working folder";
    return run;
}

}  // namespace testing_support
