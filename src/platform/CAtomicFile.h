#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/CString.h"
#include "platform/PathAt.h"

namespace rollscribe {

// Writes a file so that the target is either left as it was or replaced by the complete new file.
// The bytes go to a temporary file beside the target, which Commit renames over the target once
// everything is written and closed. A file that is not committed is removed again, so a failure
// (or a terminating signal, see ProcessGuards.h) leaves neither a partial file nor a stray
// temporary one. A new file gets the permissions of any file the user creates (0666 less the
// umask). A file that is replaced keeps its permissions, and its group where the user may set
// it; a file the user may not write is not replaced.
class CAtomicFile {
  public:
    // Whether Commit flushes the file to the disk before the rename and the folder after it, so
    // that the new file survives a power cut once Commit returns. Off by default: it costs a
    // wait for the disk per file. Set it before files are written.
    static void SetFlushToDisk(bool flush) noexcept;

    CAtomicFile() = default;
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;
    ~CAtomicFile();

    // Creates the temporary file for target. Throws CFileException naming target, also when the
    // target is a file the user may not write.
    void Create(const CString& target);
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

  private:
    void Flush();
    void RemoveTemporary() noexcept;
    void WriteThrough(const void* data, std::size_t count);

    int m_fd = -1;
    void* m_slot = nullptr;  // the temporary file's record for the signal handler
    std::string m_target;
    PathAt m_at;         // the target, from its folder (a path of any length)
    std::string m_temp;  // the temporary file's name for m_at's folder
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
};

}  // namespace rollscribe
