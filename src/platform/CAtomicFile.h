#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/CString.h"

// Writes a file so that the target is either left as it was or replaced by the complete new file.
// The bytes go to a temporary file beside the target, which Commit renames over the target once
// everything is written and closed. A file that is not committed is removed again, so a failure
// leaves neither a partial file nor a stray temporary one. The new file gets the permissions of
// any file the user creates (0666 less the umask), since it is created with that mode.
class CAtomicFile {
  public:
    CAtomicFile() = default;
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;
    ~CAtomicFile();

    // Creates the temporary file for target. Throws CFileException naming target.
    void Create(const CString& target);
    bool IsOpen() const noexcept { return m_fd >= 0; }
    // Appends bytes (buffered). Throws CFileException naming the target.
    void Write(const void* data, std::size_t count);
    // Writes bytes over part of what was written before, at a byte offset from the start (after
    // writing what is buffered); later writes still append. For headers whose sizes are known
    // only at the end. Throws CFileException naming the target.
    void WriteAt(std::uint64_t offset, const void* data, std::size_t count);
    // Writes what is buffered, closes, and renames the temporary file over the target.
    // Throws CFileException naming the target; the temporary file is then removed.
    void Commit();
    // Closes and removes the temporary file; the target stays as it was.
    void Discard() noexcept;

    const std::string& TargetPath() const noexcept { return m_target; }
    const std::string& TemporaryPath() const noexcept { return m_temp; }

  private:
    void Flush();
    void WriteThrough(const void* data, std::size_t count);

    int m_fd = -1;
    std::string m_target;
    std::string m_temp;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
};
