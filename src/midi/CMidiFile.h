#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "midi/TrackBytes.h"
#include "platform/CAtomicFile.h"
#include "platform/CString.h"

// Writes one Standard MIDI File of format 0: one track, 480 ticks per quarter note. The header
// chunk goes to the file at once; the track body is collected in memory and written, after its
// length, by WriteTrack. The file replaces its target only when Close has written it completely.
// Numbers are big-endian; note events are on the first channel and each carries its status byte.
//
// Order of calls: construct, Open, WriteHeader, the appends in track order, WriteTrack, Close.
// A long track can instead be streamed: StreamTrack after WriteHeader, then FlushTrack now and
// then to write what was appended so far; WriteTrack puts the track's length in place.
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
    // Instead of Open: the file's bytes go to bytes (emptied first), which the caller keeps alive;
    // Close leaves them complete there. Nothing is written to the file system.
    void OpenInMemory(std::vector<std::uint8_t>& bytes);
    void WriteHeader();
    // Appends nValue as a variable-length quantity (at most 4 bytes; larger values keep their low
    // 28 bits).
    void WriteVarLen(std::int32_t nValue);
    // The longest wait one delta can carry: a 4-byte variable-length quantity.
    static constexpr std::uint64_t kMaxDelta = 0x0FFFFFFF;
    // For a wait of any length before an event: a wait too long for one delta (above kMaxDelta)
    // is carried by empty text events first, so that the event keeps its exact time. CarryWait
    // appends those and returns the delta left for the event; WriteWait appends that too.
    std::uint32_t CarryWait(std::uint64_t delta);
    void WriteWait(std::uint64_t delta) {
        WriteVarLen(static_cast<std::int32_t>(CarryWait(delta)));
    }
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
    // nDelta (at most 0x0FFFFFFF) and a note-on with a velocity of 0 to 127 as it is (0 is a
    // note-off). Returns the place of its velocity among the bytes not yet written, for
    // PatchVelocity.
    std::size_t WriteNoteAfter(std::uint32_t nDelta, std::int32_t nNote, std::int32_t nVelocity);
    // Room for count more bytes of the track, to be filled by the caller straight; the place to
    // fill. CommitTrack tells where the bytes filled end. No other append in between.
    std::uint8_t* ReserveTrack(std::size_t count) { return m_trackBytes.Room(count); }
    void CommitTrack(const std::uint8_t* end) noexcept { m_trackBytes.SetEnd(end); }
    // Writes value (at most 0x0FFFFFFF) at out as a variable-length quantity; returns its end.
    static std::uint8_t* EncodeVarLen(std::uint8_t* out, std::uint32_t value) noexcept;
    // The same for a delta below 16384, without a branch; two bytes of room at out.
    static std::uint8_t* EncodeShortDelta(std::uint8_t* out, std::uint32_t delta) noexcept;
    // Writes a note-on (velocity 0: its note-off) at out; returns its end.
    static std::uint8_t* EncodeNoteOn(std::uint8_t* out, std::uint8_t note,
                                      std::uint8_t velocity) noexcept;
    // Changes the velocity of a note appended since the track was last flushed.
    void PatchVelocity(std::size_t place, std::int32_t nVelocity) {
        m_trackBytes.Patch(place, static_cast<std::uint8_t>(nVelocity & 0x7F));
    }
    // A control change on the first channel (both numbers keep their low 7 bits).
    void ControlChange(std::int32_t nController, std::int32_t nValue);
    // Appends the end of track, nEndDelta ticks after the last event, then writes the track chunk
    // (or, streaming, the rest of it and its length).
    void WriteTrack(std::int32_t nEndDelta = 0);
    // Streams the track: writes the track chunk's header now, its length to follow.
    void StreamTrack();
    // Streaming, writes the bytes appended so far to the file.
    void FlushTrack();
    // The bytes appended and not yet written.
    std::size_t PendingTrackBytes() const noexcept { return m_trackBytes.GetSize(); }
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
    std::uint32_t CarryLongWait(std::uint64_t delta);
    void PutVarLen(std::uint32_t value);
    // The file's bytes: to the file, or to the memory given to OpenInMemory.
    void Put(const void* data, std::size_t count);
    void PutAt(std::uint64_t offset, const void* data, std::size_t count);
    // Appends 00 FF type, the text's length and its bytes up to its first 0 byte.
    void WriteMeta(std::uint8_t type, const CString& strText, bool withDelta);

    rollscribe::CAtomicFile m_file;
    std::vector<std::uint8_t>* m_memory = nullptr;
    CString m_strPath;
    TrackBytes m_trackBytes;
    bool m_streaming = false;
    std::uint64_t m_streamedBytes = 0;  // of the track, written
    std::uint64_t m_trackLengthAt = 0;  // the file offset of the streamed track's length
};

// The appends made for every roll event, inline: a roll has millions of them.

inline std::uint32_t CMidiFile::CarryWait(std::uint64_t delta) {
    if (delta > kMaxDelta) [[unlikely]]
        return CarryLongWait(delta);
    return static_cast<std::uint32_t>(delta);
}

inline std::uint8_t* CMidiFile::EncodeShortDelta(std::uint8_t* out, std::uint32_t delta) noexcept {
    const bool wide = delta >= 128;
    out[0] = static_cast<std::uint8_t>(wide ? 0x80 | (delta >> 7) : delta);
    out[1] = static_cast<std::uint8_t>(delta & 0x7F);
    return out + 1 + wide;
}

inline std::uint8_t* CMidiFile::EncodeNoteOn(std::uint8_t* out, std::uint8_t note,
                                             std::uint8_t velocity) noexcept {
    out[0] = 0x90;
    out[1] = note;
    out[2] = velocity;
    return out + 3;
}

inline std::uint8_t* CMidiFile::EncodeVarLen(std::uint8_t* out, std::uint32_t value) noexcept {
    int n = 1;
    if (value > 127) n = 2;
    if (value > 16383) n = 3;
    if (value > 2097151) n = 4;
    for (int k = n - 1; k >= 0; --k) {
        std::uint8_t group = static_cast<std::uint8_t>((value >> (7 * k)) & 0x7F);
        *out++ = k > 0 ? static_cast<std::uint8_t>(group | 0x80) : group;
    }
    return out;
}

inline void CMidiFile::PutVarLen(std::uint32_t value) {
    std::size_t n = value > 2097151 ? 4 : value > 16383 ? 3 : value > 127 ? 2 : 1;
    EncodeVarLen(m_trackBytes.Extend(n), value);
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

inline std::size_t CMidiFile::WriteNoteAfter(std::uint32_t nDelta, std::int32_t nNote,
                                             std::int32_t nVelocity) {
    std::uint8_t* out;
    if (nDelta < 128) {
        out = m_trackBytes.Extend(4);
        *out++ = static_cast<std::uint8_t>(nDelta);
    } else {
        PutVarLen(nDelta);
        out = m_trackBytes.Extend(3);
    }
    out[0] = 0x90;
    out[1] = static_cast<std::uint8_t>(nNote & 0xFF);
    out[2] = static_cast<std::uint8_t>(nVelocity & 0x7F);
    return m_trackBytes.GetSize() - 1;
}

inline void CMidiFile::ControlChange(std::int32_t nController, std::int32_t nValue) {
    std::uint8_t* out = m_trackBytes.Extend(3);
    out[0] = 0xB0;
    out[1] = static_cast<std::uint8_t>(nController & 0x7F);
    out[2] = static_cast<std::uint8_t>(nValue & 0x7F);
}
