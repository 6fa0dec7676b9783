#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/CFile.h"

// A buffered byte stream over an open file. A loading archive reads; a storing archive exists
// for the document's store path, which writes nothing, so it offers no write operation.
// Byte-at-a-time reading is served from the buffer; the disk is read in large blocks.
class CArchive {
  public:
    enum Mode { store = 0, load = 1 };

    CArchive(CFile* pFile, Mode mode, std::size_t bufferSize = 64 * 1024);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const noexcept { return m_mode == load; }
    bool IsStoring() const noexcept { return m_mode == store; }
    CFile* GetFile() const noexcept { return m_pFile; }

    // Extracts one byte; at the end of the file throws CArchiveException(endOfFile).
    CArchive& operator>>(std::uint8_t& byte) {
        if (m_pCur == m_pEnd) FillBuffer(1);
        byte = *m_pCur++;
        return *this;
    }

    // Copies up to count bytes; returns how many. At the end of the file returns 0, throws
    // nothing and leaves the buffer as it was.
    std::size_t Read(void* buffer, std::size_t count) {
        if (count == 1 && m_pCur != m_pEnd) {
            *static_cast<std::uint8_t*>(buffer) = *m_pCur++;
            return 1;
        }
        return ReadSlow(buffer, count);
    }

    // For a reader that takes many bytes one by one: the unread bytes in the buffer, which is
    // refilled first when empty; none at the end of the file. Skip(n) then marks n of them read.
    std::span<const std::uint8_t> Available() {
        if (m_pCur == m_pEnd) Refill();
        return {m_pCur, m_pEnd};
    }
    void Skip(std::size_t n) noexcept { m_pCur += n; }

    // Refills the buffer from the file; throws CArchiveException(endOfFile) when fewer than
    // nBytesNeeded bytes are left.
    void FillBuffer(std::size_t nBytesNeeded);

  private:
    std::size_t ReadSlow(void* buffer, std::size_t count);
    // Reads more bytes into the buffer; returns false at the end of the file.
    bool Refill();

    CFile* m_pFile;
    Mode m_mode;
    std::size_t m_bufferSize;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::uint8_t* m_pCur = nullptr;
    std::uint8_t* m_pEnd = nullptr;
};
