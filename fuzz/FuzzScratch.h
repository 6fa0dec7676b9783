#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

// The folder in which a fuzz target writes its input files: a fresh one per process, under
// $ROLLSCRIBE_FUZZ_SCRATCH, else /dev/shm where there is one (nothing there reaches a disk), else
// the temporary folder. It is removed when the process ends normally.
inline const std::filesystem::path& FuzzScratch() {
    struct Folder {
        std::filesystem::path path;
        Folder() {
            namespace fs = std::filesystem;
            const char* chosen = std::getenv("ROLLSCRIBE_FUZZ_SCRATCH");
            fs::path base = chosen && *chosen              ? fs::path(chosen)
                            : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                           : fs::temp_directory_path();
            std::string pattern = (base / "rollscribe-fuzz-XXXXXX").string();
            if (!::mkdtemp(pattern.data())) {
                std::perror("cannot create the fuzz scratch folder");
                std::abort();
            }
            path = pattern;
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    return folder.path;
}

// Stops the fuzzer with the finding when a check reports one.
inline void ReportFinding(const std::string& problem) {
    if (problem.empty()) return;
    std::fprintf(stderr, "\n*** finding: %s\n", problem.c_str());
    std::abort();
}
