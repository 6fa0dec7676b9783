#include "platform/CFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/FileFaults.h"
#include "platform/PathAt.h"

using rollscribe::FileOperation;
using rollscribe::InjectedFileFault;

namespace rollscribe {

CString FullPath(const CString& path) {
    if (path.IsEmpty()) return path;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path absolute = fs::absolute(fs::path(path.ToStdString()), ec);
    if (ec) return path;
    // "." and ".." are resolved by name, except a ".." after a symbolic link: the system takes
    // that to the parent of the link's target, and so does the name.
    fs::path full = absolute.root_path();
    for (const fs::path& part : absolute.relative_path()) {
        if (part.empty() || part == ".") continue;
        if (part != "..") {
            full /= part;
            continue;
        }
        if (fs::is_symlink(full, ec)) {
            fs::path target = fs::canonical(full, ec);
            if (!ec) full = target;
        }
        full = full.parent_path();
    }
    std::string normal = full.string();
    // A path naming a directory keeps no trailing separator, so its last component is a name.
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return CString(normal);
}

namespace {

// Reads into bytes from the file's position until its end or until limit bytes in all, growing
// bytes as needed, and leaves it holding just what was read.
void ReadUpTo(CFile& file, std::vector<unsigned char>& bytes, std::size_t limit) {
    std::size_t got = 0;
    while (got < limit) {
        if (got == bytes.size())
            bytes.resize(std::min(limit, std::max<std::size_t>(64 * 1024, 2 * bytes.size())));
        const std::size_t n = file.Read(bytes.data() + got, bytes.size() - got);
        if (n == 0) break;
        got += n;
    }
    bytes.resize(got);
}

}  // namespace

std::vector<unsigned char> ReadWholeFile(const CString& path) {
    CFile file;
    file.OpenOrThrow(path);
    // Room for the file and a byte more, so that its end is seen without growing.
    std::vector<unsigned char> bytes(static_cast<std::size_t>(file.GetLength()) + 1);
    ReadUpTo(file, bytes, static_cast<std::size_t>(-1));
    return bytes;
}

std::vector<unsigned char> ReadFileStart(const CString& path, std::size_t count) {
    CFile file;
    file.OpenOrThrow(path);
    std::vector<unsigned char> bytes(
        static_cast<std::size_t>(std::min<std::uint64_t>(count, file.GetLength())));
    ReadUpTo(file, bytes, count);
    return bytes;
}

}  // namespace rollscribe

CFile::~CFile() {
    Close();
}

bool CFile::Open(const CString& path, unsigned flags, CFileException* pError) {
    (void)flags;  // read-only is the only mode
    Close();
    m_strFilePath = rollscribe::FullPath(path);
    std::string name = m_strFilePath.ToStdString();
    if (int fault = InjectedFileFault(FileOperation::openRead, name.c_str())) {
        if (pError) *pError = CFileException(name, "cannot open the file", fault);
        return false;
    }
    // The path as given, so that the system finds the file the user named (a trailing separator
    // keeps its meaning); the full path only names it. Not blocking on a pipe lets a pipe be
    // refused below instead of hanging the open.
    // A path longer than the system takes in one call is opened from its folder.
    rollscribe::PathAt at(std::string(path.GetString()));
    int fd = at.Error()
                 ? -1
                 : ::openat(at.Dir(), at.Name(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (pError)
            *pError = CFileException(name, "cannot open the file", at.Error() ? at.Error() : errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        if (pError) *pError = CFileException(name, "cannot open the file", err);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (pError) {
            if (S_ISDIR(st.st_mode))
                *pError = CFileException(name, "cannot open the file", EISDIR);
            else
                *pError = CFileException(name, "cannot open the file: not a regular file",
                                         CFileException::invalidFile);
        }
        return false;
    }
    int fl = ::fcntl(fd, F_GETFL);
    if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    m_fd = fd;
    return true;
}

void CFile::OpenOrThrow(const CString& path) {
    CFileException error("", "", CFileException::none);
    if (!Open(path, modeRead, &error)) throw error;
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
    if (m_fd < 0)
        throw CFileException(m_strFilePath.ToStdString(), "cannot read a file that is not open",
                             CFileException::genericException);
    for (;;) {
        if (int fault = InjectedFileFault(FileOperation::read, m_strFilePath.GetString(), &count))
            throw CFileException(m_strFilePath.ToStdString(), "cannot read the file", fault);
        ssize_t n = ::read(m_fd, buffer, count);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno == EINTR) continue;
        throw CFileException(m_strFilePath.ToStdString(), "cannot read the file", errno);
    }
}

std::uint64_t CFile::GetLength() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        throw CFileException(m_strFilePath.ToStdString(), "cannot get the file's length", errno);
    return static_cast<std::uint64_t>(st.st_size);
}

void CFile::Close() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

CString CFile::GetFileName() const {
    std::ptrdiff_t slash = -1;
    std::string_view path = m_strFilePath.View();
    std::size_t at = path.rfind('/');
    if (at != std::string_view::npos) slash = static_cast<std::ptrdiff_t>(at);
    return m_strFilePath.Mid(static_cast<std::size_t>(slash + 1));
}
