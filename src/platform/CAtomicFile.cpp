#include "platform/CAtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

#include "platform/CException.h"
#include "platform/FileFaults.h"

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

// A name part that no other writer, in this process or another, is likely to pick as well.
std::string UniqueSuffix() {
    static std::atomic<unsigned long> counter{0};
    thread_local std::mt19937_64 engine{
        std::random_device{}() ^ static_cast<unsigned long>(::getpid()) ^
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

CAtomicFile::~CAtomicFile() {
    Discard();
}

void CAtomicFile::Create(const CString& target) {
    Discard();
    m_target = target.ToStdString();
    std::size_t slash = m_target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : m_target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    if (int fault = InjectedFileFault(FileOperation::create, m_target.c_str()))
        throw CFileException(m_target, "cannot create the file", fault);
    int lastError = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A hidden name beside the target; a short one when the target's name is near the limit.
        std::string temp = base.size() < 200 ? dir + "." + base + "." + UniqueSuffix() + ".tmp"
                                             : dir + ".rollscribe-" + UniqueSuffix() + ".tmp";
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = temp;
            m_buffer = std::make_unique<char[]>(kBufferSize);
            m_used = 0;
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
    // No fsync before the rename: it would cost milliseconds per file in a batch of thousands,
    // the rename still replaces the old file only with a complete one, and a late error of the
    // disk is reported by close. A MIDI file lost to a power cut is made again from its roll.
    int fd = m_fd;
    m_fd = -1;
    int closeFault = InjectedFileFault(FileOperation::close, m_target.c_str());
    int err = ::close(fd) != 0 ? errno : closeFault;
    if (err != 0) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
        throw CFileException(m_target, "cannot write the file", err);
    }
    err = InjectedFileFault(FileOperation::rename, m_target.c_str());
    if (err == 0 && ::rename(m_temp.c_str(), m_target.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
        throw CFileException(m_target, "cannot replace the file", err);
    }
    m_temp.clear();
    m_buffer.reset();
}

void CAtomicFile::Discard() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temp.empty()) ::unlink(m_temp.c_str());
    m_temp.clear();
    m_buffer.reset();
    m_used = 0;
}
