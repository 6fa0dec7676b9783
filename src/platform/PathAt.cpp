#include "platform/PathAt.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>

namespace rollscribe {

namespace {

// Opens a folder whose path may be longer than PATH_MAX, a piece at a time (each piece ending at
// a separator); returns the descriptor (O_PATH: no right to read the folder is needed, as for a
// path), or -1 with errno set.
int OpenFolderInPieces(const std::string& folder) {
    int dir = AT_FDCWD;
    std::size_t at = 0;
    while (at < folder.size()) {
        std::size_t end = folder.size();
        if (end - at >= PATH_MAX) {
            end = folder.rfind('/', at + PATH_MAX - 1);
            if (end == std::string::npos || end <= at) {
                if (dir != AT_FDCWD) ::close(dir);
                errno = ENAMETOOLONG;  // one name longer than any folder may hold
                return -1;
            }
        }
        const std::string piece = folder.substr(at, end - at);
        const int next = ::openat(dir, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        if (dir != AT_FDCWD) ::close(dir);
        if (next < 0) {
            errno = error;
            return -1;
        }
        dir = next;
        at = end + 1;
        while (at < folder.size() && folder[at] == '/') ++at;  // never a piece from the root
    }
    return dir;
}

}  // namespace

PathAt::PathAt(const std::string& path) : m_dir(AT_FDCWD), m_name(path) {
    if (path.size() < PATH_MAX) return;
    // The last component keeps its trailing separators, which keep their meaning.
    std::size_t end = path.find_last_not_of('/');
    std::size_t slash = end == std::string::npos ? std::string::npos : path.rfind('/', end);
    if (slash == std::string::npos) {
        m_dir = -1;
        m_error = ENAMETOOLONG;
        return;
    }
    m_name = path.substr(slash + 1);
    m_dir = OpenFolderInPieces(path.substr(0, slash == 0 ? 1 : slash));
    if (m_dir < 0) m_error = errno;
}

PathAt::~PathAt() {
    Close();
}

PathAt::PathAt(PathAt&& other) noexcept
    : m_dir(other.m_dir), m_name(std::move(other.m_name)), m_error(other.m_error) {
    other.m_dir = -1;
}

PathAt& PathAt::operator=(PathAt&& other) noexcept {
    if (this != &other) {
        Close();
        m_dir = other.m_dir;
        m_name = std::move(other.m_name);
        m_error = other.m_error;
        other.m_dir = -1;
    }
    return *this;
}

void PathAt::Close() noexcept {
    if (m_dir >= 0) ::close(m_dir);
    m_dir = -1;
}

std::string PathAt::Beside(const std::string& fileName) const {
    const std::size_t slash = m_name.rfind('/');
    return slash == std::string::npos ? fileName : m_name.substr(0, slash + 1) + fileName;
}

int StatPath(const std::string& path, struct stat* st, bool follow) noexcept {
    try {
        PathAt at(path);
        if (at.Error()) return at.Error();
        return ::fstatat(at.Dir(), at.Name(), st, follow ? 0 : AT_SYMLINK_NOFOLLOW) == 0 ? 0
                                                                                         : errno;
    } catch (...) {
        return ENOMEM;
    }
}

}  // namespace rollscribe
