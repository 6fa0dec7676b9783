#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace rollscribe {

// A path as a folder's descriptor and a name to give the system's *at calls, so that a file is
// reached however long its path. The system takes a path of up to PATH_MAX bytes in one call:
// a shorter path is used as it is (the working folder and the whole path); for a longer one, the
// folder of its last component is opened a piece at a time, each piece shorter than the limit,
// holding at most two descriptors at once, and the name is that last component.
class PathAt {
  public:
    PathAt() noexcept : m_dir(-1), m_error(EBADF) {}  // no path
    explicit PathAt(const std::string& path);
    ~PathAt();
    PathAt(PathAt&& other) noexcept;
    PathAt& operator=(PathAt&& other) noexcept;
    PathAt(const PathAt&) = delete;
    PathAt& operator=(const PathAt&) = delete;

    // The folder: AT_FDCWD, an open descriptor, or -1 when the folder could not be opened.
    int Dir() const noexcept { return m_dir; }
    const char* Name() const noexcept { return m_name.c_str(); }
    // 0, or why the folder could not be opened (an errno value).
    int Error() const noexcept { return m_error; }
    // The name of a file beside this one, in the same folder, for the same descriptor.
    std::string Beside(const std::string& fileName) const;

  private:
    void Close() noexcept;

    int m_dir;
    std::string m_name;
    int m_error = 0;
};

// stat (follow) or lstat of a path of any length: 0, or an errno value.
int StatPath(const std::string& path, struct stat* st, bool follow = true) noexcept;

}  // namespace rollscribe
