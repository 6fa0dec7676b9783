#include "support/ShellRun.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

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
