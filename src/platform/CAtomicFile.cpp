#include "platform/CAtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>

#include "platform/CException.h"
#include "platform/FileFaults.h"
#include "platform/ProcessGuards.h"

namespace rollscribe {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

std::atomic<bool> g_flushToDisk{false};

// Flushes a descriptor's data to the disk; 0 or an errno value.
int FlushToDisk(int fd, const std::string& path, bool folder) {
    if (int fault = InjectedFileFault(FileOperation::sync, path.c_str())) return fault;
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        // Some file systems cannot flush a folder; the file itself was flushed.
        if (folder && (errno == EINVAL || errno == EROFS)) return 0;
        return errno;
    }
    return 0;
}

// Flushes the folder that holds the target, so that a rename in it is on the disk.
int FlushFolderToDisk(const std::string& path, const PathAt& at) {
    int fd = -1;
    if (at.Dir() == AT_FDCWD) {
        std::size_t slash = path.rfind('/');
        std::string dir = slash == std::string::npos ? "."
                          : slash == 0               ? "/"
                                                     : path.substr(0, slash);
        fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } else {
        fd = ::openat(at.Dir(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0) return errno;
    int err = FlushToDisk(fd, path, true);
    ::close(fd);
    return err;
}

// A name part that no other writer, in this process or another, is likely to pick as well.
std::string UniqueSuffix() {
    static std::atomic<unsigned long> counter{0};
    // The device on the heap: it is some 5 KB, and a worker's stack may be small (ulimit -s).
    thread_local std::mt19937_64 engine{
        (*std::make_unique<std::random_device>())() ^ static_cast<unsigned long>(::getpid()) ^
        static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count())};
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned long long value = engine() ^ counter.fetch_add(1);
    std::string suffix;
    for (int i = 0; i < 10; ++i) {
        suffix += digits[value % 36];
        value /= 36;
    }
    return suffix;
}

}  // namespace

void CAtomicFile::SetFlushToDisk(bool flush) noexcept {
    g_flushToDisk.store(flush);
}

CAtomicFile::~CAtomicFile() {
    Discard();
}

void CAtomicFile::Create(const CString& target) {
    Discard();
    m_target = target.ToStdString();
    std::size_t slash = m_target.rfind('/');
    std::string base = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    m_at = PathAt(m_target);
    // A file in the target's place is replaced only when the user may write it, as the user
    // (the effective ids) would be checked when writing it directly. A symbolic link there is
    // replaced by the new file, its target untouched, as renaming over it does.
    struct stat old {};
    bool replacing = !m_at.Error() &&
                     ::fstatat(m_at.Dir(), m_at.Name(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
                     S_ISREG(old.st_mode);
    if (replacing) {
        int denied = InjectedFileFault(FileOperation::replace, m_target.c_str());
        if (!denied && ::faccessat(m_at.Dir(), m_at.Name(), W_OK, AT_EACCESS) != 0) denied = errno;
        if (denied)
            throw CFileException(m_target, "cannot replace a file you may not write", denied);
    }
    if (int fault = InjectedFileFault(FileOperation::create, m_target.c_str()))
        throw CFileException(m_target, "cannot create the file", fault);
    if (m_at.Error()) throw CFileException(m_target, "cannot create the file", m_at.Error());
    int lastError = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A hidden name beside the target; a short one when the target's name is near the limit.
        std::string temp =
            m_at.Beside(base.size() < 200 ? "." + base + "." + UniqueSuffix() + ".tmp"
                                          : ".rollscribe-" + UniqueSuffix() + ".tmp");
        void* slot = nullptr;
        int fd = CreateTemporaryFile(m_at.Dir(), temp, O_WRONLY | O_EXCL | O_CLOEXEC | O_NOCTTY,
                                     0666, &slot);
        if (fd >= 0) {
            m_fd = fd;
            m_slot = slot;
            m_temp = temp;
            m_buffer = std::make_unique<char[]>(kBufferSize);
            m_used = 0;
            if (replacing) {
                // The group first (it may clear set-id bits), then the permission bits. A group
                // the user is no member of cannot be given; the file then keeps the user's.
                if (old.st_gid != ::getegid() &&
                    ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
                    // Not given: the user's group stands.
                }
                (void)::fchmod(fd, old.st_mode & 0777);
            }
            return;
        }
        lastError = errno;
        if (lastError != EEXIST && lastError != EINTR) break;
    }
    throw CFileException(m_target, "cannot create the file", lastError);
}

void CAtomicFile::WriteThrough(const void* data, std::size_t count) {
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        std::size_t chunk = count;
        if (int fault = InjectedFileFault(FileOperation::write, m_target.c_str(), &chunk))
            throw CFileException(m_target, "cannot write the file", fault);
        ssize_t n = ::write(m_fd, p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw CFileException(m_target, "cannot write the file", errno);
        }
        if (n == 0) throw CFileException(m_target, "cannot write the file", ENOSPC);
        p += n;
        count -= static_cast<std::size_t>(n);
    }
}

void CAtomicFile::Flush() {
    if (m_used == 0) return;
    std::size_t used = m_used;
    m_used = 0;
    WriteThrough(m_buffer.get(), used);
}

void CAtomicFile::Write(const void* data, std::size_t count) {
    if (m_fd < 0) throw CFileException(m_target, "cannot write the file", EBADF);
    if (count <= kBufferSize - m_used) {
        std::memcpy(m_buffer.get() + m_used, data, count);
        m_used += count;
        return;
    }
    Flush();
    if (count >= kBufferSize) {
        WriteThrough(data, count);
    } else {
        std::memcpy(m_buffer.get(), data, count);
        m_used = count;
    }
}

void CAtomicFile::WriteAt(std::uint64_t offset, const void* data, std::size_t count) {
    if (m_fd < 0) throw CFileException(m_target, "cannot write the file", EBADF);
    Flush();
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        std::size_t chunk = count;
        if (int fault = InjectedFileFault(FileOperation::write, m_target.c_str(), &chunk))
            throw CFileException(m_target, "cannot write the file", fault);
        ssize_t n = ::pwrite(m_fd, p, chunk, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw CFileException(m_target, "cannot write the file", errno);
        }
        if (n == 0) throw CFileException(m_target, "cannot write the file", ENOSPC);
        p += n;
        offset += static_cast<std::uint64_t>(n);
        count -= static_cast<std::size_t>(n);
    }
}

void CAtomicFile::Commit() {
    if (m_fd < 0) throw CFileException(m_target, "cannot write the file", EBADF);
    try {
        Flush();
    } catch (...) {
        Discard();
        throw;
    }
    // By default no flush to the disk before the rename: it would cost a wait for the disk per
    // file in a batch of thousands (docs/performance.md). The rename still replaces the old file
    // only with a complete one as far as the running system is concerned, and a late error of
    // the disk is reported by close; after a power cut the file may be empty or missing on some
    // file systems (docs/robustness.md), and is made again from its roll.
    const bool flush = g_flushToDisk.load();
    int fd = m_fd;
    m_fd = -1;
    int err = flush ? FlushToDisk(fd, m_target, false) : 0;
    int closeFault = InjectedFileFault(FileOperation::close, m_target.c_str());
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0) err = closeFault;
    if (err != 0) {
        RemoveTemporary();
        throw CFileException(m_target, "cannot write the file", err);
    }
    err = InjectedFileFault(FileOperation::rename, m_target.c_str());
    if (err == 0 && ::renameat(m_at.Dir(), m_temp.c_str(), m_at.Dir(), m_at.Name()) != 0)
        err = errno;
    if (err != 0) {
        RemoveTemporary();
        throw CFileException(m_target, "cannot replace the file", err);
    }
    ForgetTemporaryFile(m_slot);
    m_slot = nullptr;
    m_temp.clear();
    m_buffer.reset();
    const int folderError = flush ? FlushFolderToDisk(m_target, m_at) : 0;
    m_at = PathAt();
    if (folderError)
        throw CFileException(m_target, "cannot flush the folder to the disk", folderError);
}

void CAtomicFile::RemoveTemporary() noexcept {
    if (!m_temp.empty()) ::unlinkat(m_at.Dir(), m_temp.c_str(), 0);
    ForgetTemporaryFile(m_slot);
    m_slot = nullptr;
    m_temp.clear();
}

void CAtomicFile::Discard() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    RemoveTemporary();
    m_at = PathAt();
    m_buffer.reset();
    m_used = 0;
}

}  // namespace rollscribe
