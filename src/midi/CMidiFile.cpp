#include "midi/CMidiFile.h"

#include <cstring>
#include <stdexcept>

namespace {

void PutBigEndian(std::uint8_t* out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

}  // namespace

CMidiFile::CMidiFile() : m_strTrackId("MTrk"), m_strHeaderId("MThd") {
    static const std::uint8_t kSignatures[] = {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18,
                                               0x08, 0x00, 0xFF, 0x59, 0x02, 0x00, 0x00};
    m_trackBytes.Append(kSignatures, sizeof kSignatures);
}

void CMidiFile::Open(const CString& strPath) {
    m_strPath = strPath;
    m_file.Create(strPath);
}

void CMidiFile::OpenInMemory(std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    m_memory = &bytes;
}

void CMidiFile::Put(const void* data, std::size_t count) {
    if (!m_memory) return m_file.Write(data, count);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_memory->insert(m_memory->end(), bytes, bytes + count);
}

void CMidiFile::PutAt(std::uint64_t offset, const void* data, std::size_t count) {
    if (!m_memory) return m_file.WriteAt(offset, data, count);
    std::memcpy(m_memory->data() + offset, data, count);
}

void CMidiFile::WriteHeader() {
    std::uint8_t header[14];
    std::memcpy(header, m_strHeaderId.GetString(), 4);
    PutBigEndian(header + 4, static_cast<std::uint32_t>(m_headerLength), 4);
    PutBigEndian(header + 8, static_cast<std::uint16_t>(m_format), 2);
    PutBigEndian(header + 10, static_cast<std::uint16_t>(m_trackCount), 2);
    PutBigEndian(header + 12, static_cast<std::uint16_t>(m_division), 2);
    Put(header, sizeof header);
}

void CMidiFile::WriteTempo(std::int32_t nDelta, std::int32_t nTempo) {
    WriteVarLen(nDelta);
    std::uint8_t* out = m_trackBytes.Extend(6);
    out[0] = 0xFF;
    out[1] = 0x51;
    out[2] = 0x03;
    PutBigEndian(out + 3, static_cast<std::uint32_t>(nTempo) & 0xFFFFFF, 3);
}

void CMidiFile::WriteMeta(std::uint8_t type, const CString& strText, bool withDelta) {
    std::size_t length = std::strlen(strText.GetString());
    if (length > kMaxTextLength) length = kMaxTextLength;
    if (withDelta) m_trackBytes.Add(0x00);
    m_trackBytes.Add(0xFF);
    m_trackBytes.Add(type);
    PutVarLen(static_cast<std::uint32_t>(length));
    m_trackBytes.Append(strText.GetString(), length);
}

void CMidiFile::WriteTrackName(const CString& strText) {
    WriteMeta(0x03, strText, true);
    m_strTrackName = strText;
}

void CMidiFile::WriteCopyright(const CString& strText) {
    WriteMeta(0x02, strText, true);
    m_strCopyrightText = strText;
}

void CMidiFile::WriteInstrumentName(const CString& strText) {
    WriteMeta(0x04, strText, true);
}

void CMidiFile::WriteText(const CString& strText) {
    WriteMeta(0x01, strText, true);
}

void CMidiFile::WriteLyric(const CString& strText) {
    WriteMeta(0x05, strText, false);
}

std::uint32_t CMidiFile::CarryLongWait(std::uint64_t delta) {
    while (delta > kMaxDelta) {
        WriteVarLen(static_cast<std::int32_t>(kMaxDelta));
        WriteEmptyText();
        delta -= kMaxDelta;
    }
    return static_cast<std::uint32_t>(delta);
}

void CMidiFile::WriteEmptyText() {
    WriteMeta(0x01, CString(), false);
}

void CMidiFile::StreamTrack() {
    std::uint8_t chunk[8] = {};
    std::memcpy(chunk, m_strTrackId.GetString(), 4);
    m_trackLengthAt = 8 + static_cast<std::uint64_t>(m_headerLength) + 4;
    Put(chunk, sizeof chunk);
    m_streaming = true;
    m_streamedBytes = 0;
}

void CMidiFile::FlushTrack() {
    if (!m_streaming || m_trackBytes.GetSize() == 0) return;
    m_streamedBytes += m_trackBytes.GetSize();
    if (m_streamedBytes > TrackBytes::kMaxSize)
        throw std::length_error("the MIDI track would be larger than a track can be (4 GB)");
    Put(m_trackBytes.GetData(), m_trackBytes.GetSize());
    m_trackBytes.Clear();
}

void CMidiFile::WriteTrack(std::int32_t nEndDelta) {
    static const std::uint8_t kEndOfTrack[] = {0xFF, 0x2F, 0x00};
    WriteVarLen(nEndDelta);
    m_trackBytes.Append(kEndOfTrack, sizeof kEndOfTrack);
    if (m_streaming) {
        FlushTrack();
        std::uint8_t length[4];
        PutBigEndian(length, static_cast<std::uint32_t>(m_streamedBytes), 4);
        PutAt(m_trackLengthAt, length, sizeof length);
        return;
    }
    std::uint8_t chunk[8];
    std::memcpy(chunk, m_strTrackId.GetString(), 4);
    PutBigEndian(chunk + 4, static_cast<std::uint32_t>(m_trackBytes.GetSize()), 4);
    Put(chunk, sizeof chunk);
    Put(m_trackBytes.GetData(), m_trackBytes.GetSize());
}

void CMidiFile::Close() {
    if (!m_memory) m_file.Commit();
}
