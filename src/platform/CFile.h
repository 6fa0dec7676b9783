#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/CException.h"
#include "platform/CString.h"

// A file opened for reading. Inputs are only ever read: there is no write mode.
// Only regular files open; a directory, a device or a pipe is refused with a clear reason.
class CFile {
  public:
    enum OpenFlags : unsigned { modeRead = 0x0000 };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile();

    // Opens path for reading. On failure returns false and, when pError is given, stores the
    // reason there; nothing is thrown.
    bool Open(const CString& path, unsigned flags, CFileException* pError = nullptr);
    // Opens or throws CFileException.
    void OpenOrThrow(const CString& path);
    bool IsOpen() const noexcept { return m_fd >= 0; }

    // Reads up to count bytes; returns how many were read, 0 at the end of the file.
    // A read error throws CFileException.
    std::size_t Read(void* buffer, std::size_t count);
    std::uint64_t GetLength() const;
    void Close() noexcept;

    // The file's full path (absolute, with "." and ".." resolved by name) and its last component.
    const CString& GetFilePath() const noexcept { return m_strFilePath; }
    CString GetFileName() const;

  private:
    int m_fd = -1;
    CString m_strFilePath;
};

namespace rollscribe {

// The full path of a file name as the user gave it: absolute, "." and ".." resolved by name.
CString FullPath(const CString& path);

// The whole of a file, read to its end (also past the length it had when opened). Throws
// CFileException when it cannot be opened or read.
std::vector<unsigned char> ReadWholeFile(const CString& path);
// The first count bytes of a file, or all of a shorter one. Throws as ReadWholeFile.
std::vector<unsigned char> ReadFileStart(const CString& path, std::size_t count);

}  // namespace rollscribe
