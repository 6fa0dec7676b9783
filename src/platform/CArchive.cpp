#include "platform/CArchive.h"

#include <cstring>

CArchive::CArchive(CFile* pFile, Mode mode, std::size_t bufferSize)
    : m_pFile(pFile), m_mode(mode), m_bufferSize(bufferSize < 16 ? 16 : bufferSize) {
    if (m_mode == load) {
        m_buffer = std::make_unique<std::uint8_t[]>(m_bufferSize);
        m_pCur = m_pEnd = m_buffer.get();
    }
}

bool CArchive::Refill() {
    if (!m_buffer) return false;
    std::size_t kept = static_cast<std::size_t>(m_pEnd - m_pCur);
    if (kept) std::memmove(m_buffer.get(), m_pCur, kept);
    m_pCur = m_buffer.get();
    m_pEnd = m_pCur + kept;
    std::size_t n = m_pFile->Read(m_pEnd, m_bufferSize - kept);
    m_pEnd += n;
    return n > 0;
}

void CArchive::FillBuffer(std::size_t nBytesNeeded) {
    while (static_cast<std::size_t>(m_pEnd - m_pCur) < nBytesNeeded) {
        if (!Refill())
            throw CArchiveException(CArchiveException::endOfFile,
                                    m_pFile->GetFilePath().ToStdString(),
                                    "the file ends too early");
    }
}

std::size_t CArchive::ReadSlow(void* buffer, std::size_t count) {
    std::uint8_t* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        if (m_pCur == m_pEnd && !Refill()) break;
        std::size_t chunk = static_cast<std::size_t>(m_pEnd - m_pCur);
        if (chunk > count - done) chunk = count - done;
        std::memcpy(out + done, m_pCur, chunk);
        m_pCur += chunk;
        done += chunk;
    }
    return done;
}
