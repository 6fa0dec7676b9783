#include "support/FolderSnapshot.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

std::uint64_t HashOfFile(const fs::path& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::uint64_t hash = 0xcbf29ce484222325u;
    static char block[1 << 16];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, in.get())) > 0;)
        for (std::size_t i = 0; i < n; ++i)
            hash = (hash ^ static_cast<unsigned char>(block[i])) * 0x100000001b3u;
    return hash;
}

FolderSnapshot SnapshotOf(const fs::path& dir) {
    FolderSnapshot snapshot;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path& path = it->path();
        std::string name = path.lexically_relative(dir).string();
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            throw std::runtime_error("cannot stat " + path.string());
        char mode[16];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        if (S_ISLNK(st.st_mode)) {
            snapshot[name] = "link to " + fs::read_symlink(path).string();
        } else if (S_ISDIR(st.st_mode)) {
            snapshot[name] = std::string("folder ") + mode;
        } else {
            char description[160];
            std::snprintf(description, sizeof description,
                          "file %s, %lld bytes, modified %lld.%09ld, hash %016llx", mode,
                          static_cast<long long>(st.st_size),
                          static_cast<long long>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec,
                          static_cast<unsigned long long>(HashOfFile(path)));
            snapshot[name] = description;
        }
    }
    return snapshot;
}

}  // namespace testing_support
