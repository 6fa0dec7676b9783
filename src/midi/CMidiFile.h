#pragma once

#include <cstddef>
#include <cstdint>

#include "midi/TrackBytes.h"
#include "platform/CAtomicFile.h"
#include "platform/CString.h"

// Writes one Standard MIDI File of format 0: one track, 480 ticks per quarter note. The header
// chunk goes to the file at once; the track body is collected in memory and written, after its
// length, by WriteTrack. The file replaces its target only when Close has written it completely.
// Numbers are big-endian; note events are on the first channel and each carries its status byte.
//
// Order of calls: construct, Open, WriteHeader, the appends in track order, WriteTrack, Close.
class CMidiFile {
  public:
    // The longest text a meta event carries: its length must fit a 4-byte variable-length number.
    static constexpr std::size_t kMaxTextLength = 0x0FFFFFFF;

    // Starts the body with a 4/4 time signature and a C major key signature.
    CMidiFile();
    virtual ~CMidiFile() = default;

    // The most bytes the track body is expected to come to: the room reserved for it once it
    // outgrows its first small block. More can still be appended.
    void PlanTrackSize(std::size_t bytes) noexcept { m_trackBytes.PlanFor(bytes); }
    // Creates the file (as a temporary beside strPath). Throws CFileException naming strPath.
    void Open(const CString& strPath);
    void WriteHeader();
    // Appends nValue as a variable-length quantity (at most 4 bytes; larger values keep their low
    // 28 bits).
    void WriteVarLen(std::int32_t nValue);
    // Appends the delta, then a tempo event with the low 24 bits of nTempo (microseconds per beat).
    void WriteTempo(std::int32_t nDelta, std::int32_t nTempo);
    void WriteTrackName(const CString& strText);
    void WriteCopyright(const CString& strText);
    void WriteInstrumentName(const CString& strText);
    void WriteText(const CString& strText);
    // A lyric brings no delta of its own: the caller appends it first.
    void WriteLyric(const CString& strText);
    // An empty text event, again without a delta: a harmless event to carry a long wait.
    void WriteEmptyText();
    // A note-on; a velocity outside 1 to 127 becomes 70.
    void NoteOn(std::int32_t nNote, std::int32_t nVelocity);
    // A note-off, written as a note-on with velocity 0.
    void NoteOff(std::int32_t nNote);
    // A control change on the first channel (both numbers keep their low 7 bits).
    void ControlChange(std::int32_t nController, std::int32_t nValue);
    // Appends the end of track, nEndDelta ticks after the last event, then writes the track chunk.
    void WriteTrack(std::int32_t nEndDelta = 0);
    // Finishes the file and puts it in place of the target.
    void Close();

    CString m_strTrackId;
    CString m_strCopyrightText;
    CString m_strTrackName;
    std::int32_t m_headerLength = 6;
    std::int16_t m_format = 0;
    std::int16_t m_trackCount = 1;
    std::int16_t m_division = 480;
    CString m_strHeaderId;

  private:
    void PutVarLen(std::uint32_t value);
    // Appends 00 FF type, the text's length and its bytes up to its first 0 byte.
    void WriteMeta(std::uint8_t type, const CString& strText, bool withDelta);

    rollscribe::CAtomicFile m_file;
    CString m_strPath;
    TrackBytes m_trackBytes;
};

// The appends made for every roll event, inline: a roll has millions of them.

inline void CMidiFile::PutVarLen(std::uint32_t value) {
    int n = 1;
    if (value > 127) n = 2;
    if (value > 16383) n = 3;
    if (value > 2097151) n = 4;
    std::uint8_t* out = m_trackBytes.Extend(static_cast<std::size_t>(n));
    for (int k = n - 1; k >= 0; --k) {
        std::uint8_t group = static_cast<std::uint8_t>((value >> (7 * k)) & 0x7F);
        *out++ = k > 0 ? static_cast<std::uint8_t>(group | 0x80) : group;
    }
}

inline void CMidiFile::WriteVarLen(std::int32_t nValue) {
    // The byte count comes from comparisons on the signed value: a negative value gives one byte.
    PutVarLen(nValue < 0 ? static_cast<std::uint32_t>(nValue) & 0x7F
                         : static_cast<std::uint32_t>(nValue));
}

inline void CMidiFile::NoteOn(std::int32_t nNote, std::int32_t nVelocity) {
    if (nVelocity <= 0 || nVelocity >= 128) nVelocity = 70;
    std::uint8_t* out = m_trackBytes.Extend(3);
    out[0] = 0x90;
    out[1] = static_cast<std::uint8_t>(nNote & 0xFF);
    out[2] = static_cast<std::uint8_t>(nVelocity);
}

inline void CMidiFile::NoteOff(std::int32_t nNote) {
    std::uint8_t* out = m_trackBytes.Extend(3);
    out[0] = 0x90;
    out[1] = static_cast<std::uint8_t>(nNote & 0xFF);
    out[2] = 0x00;
}

inline void CMidiFile::ControlChange(std::int32_t nController, std::int32_t nValue) {
    std::uint8_t* out = m_trackBytes.Extend(3);
    out[0] = 0xB0;
    out[1] = static_cast<std::uint8_t>(nController & 0x7F);
    out[2] = static_cast<std::uint8_t>(nValue & 0x7F);
}
