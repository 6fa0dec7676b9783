#include "midi/MidiSequence.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "platform/CException.h"

namespace rollscribe {

namespace {

constexpr std::int32_t kDefaultTempo = 500000;  // microseconds a quarter note: 120 a minute

struct TrackEvent {
    std::uint64_t tick;
    std::int32_t tempo;  // for a tempo event, else -1
    TimedMessage message;
};

// Reads the bytes of one chunk after another; every read checks that the bytes are there.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size, const std::string& name)
        : m_data(data), m_size(size), m_name(name) {}
    std::size_t Left() const noexcept { return m_size - m_at; }
    std::size_t At() const noexcept { return m_at; }
    std::uint8_t Byte() {
        Need(1);
        return m_data[m_at++];
    }
    std::uint8_t Peek() {
        Need(1);
        return m_data[m_at];
    }
    std::uint32_t BigEndian(int bytes) {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) value = value << 8 | Byte();
        return value;
    }
    std::uint32_t VarLen() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t byte = Byte();
            value = value << 7 | (byte & 0x7F);
            if (!(byte & 0x80)) return value;
        }
        Fail("a variable-length number longer than 4 bytes at byte " + std::to_string(m_at));
    }
    void Skip(std::size_t count) {
        Need(count);
        m_at += count;
    }
    [[noreturn]] void Fail(const std::string& reason) const { throw CException(m_name, reason); }

  private:
    void Need(std::size_t count) const {
        if (count > Left()) Fail("not a complete MIDI file: it ends inside a chunk");
    }
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    const std::string& m_name;
};

// The events of one track chunk's body, in file order; returns the tick of its end.
std::uint64_t ReadTrack(ByteReader& in, std::size_t end, std::vector<TrackEvent>& events) {
    std::uint64_t tick = 0;
    std::uint8_t status = 0;
    while (in.At() < end) {
        tick += in.VarLen();
        std::uint8_t first = in.Byte();
        if (first == 0xFF) {
            std::uint8_t type = in.Byte();
            std::uint32_t length = in.VarLen();
            if (type == 0x51 && length == 3) {
                std::int32_t tempo = static_cast<std::int32_t>(in.BigEndian(3));
                events.push_back({tick, tempo > 0 ? tempo : kDefaultTempo, {}});
            } else {
                in.Skip(length);
            }
            if (type == 0x2F) break;
            continue;
        }
        if (first == 0xF0 || first == 0xF7) {
            in.Skip(in.VarLen());
            status = 0;
            continue;
        }
        TimedMessage message{};
        if (first & 0x80) {
            if (first >= 0xF0)
                in.Fail("a system message in a track at byte " + std::to_string(in.At() - 1));
            status = first;
            message.bytes[1] = in.Byte();
        } else {
            if (!status)
                in.Fail("a data byte without a status at byte " + std::to_string(in.At() - 1));
            message.bytes[1] = first;
        }
        message.bytes[0] = status;
        const std::uint8_t kind = status & 0xF0;
        message.size = kind == 0xC0 || kind == 0xD0 ? 2 : 3;
        if (message.size == 3) message.bytes[2] = in.Byte();
        if ((message.bytes[1] | message.bytes[2]) & 0x80)
            in.Fail("a data byte of 128 or more at byte " + std::to_string(in.At() - 1));
        events.push_back({tick, -1, message});
    }
    return tick;
}

// SMPTE ticks in 1001 seconds; 29 frames a second stands for 29.97 (30000 / 1001).
__int128 SmpteTicksPer1001Seconds(std::uint16_t division) {
    const std::int64_t frames = -static_cast<std::int8_t>(division >> 8);
    const std::int64_t perFrame = division & 0xFF;
    return std::max<__int128>(frames == 29 ? 30000 * perFrame : frames * perFrame * 1001, 1);
}

// The time of a tick at or after a span's start.
std::int64_t TimeInSpan(std::uint16_t division, const TempoSpan& span, std::uint64_t tick) {
    const auto ticks = static_cast<__int128>(tick - span.tick);
    if (division & 0x8000)
        return span.microseconds +
               static_cast<std::int64_t>(ticks * 1001000000 / SmpteTicksPer1001Seconds(division));
    return span.microseconds + static_cast<std::int64_t>(ticks * span.tempo / division);
}

}  // namespace

std::int64_t MicrosecondsAtTick(const MidiSequence& sequence, std::int64_t tick) {
    const auto at = static_cast<std::uint64_t>(std::max<std::int64_t>(tick, 0));
    if (sequence.tempos.empty()) return 0;
    auto span = std::upper_bound(sequence.tempos.begin(), sequence.tempos.end(), at,
                                 [](std::uint64_t t, const TempoSpan& s) { return t < s.tick; });
    return TimeInSpan(sequence.division, *std::prev(span), at);
}

std::int64_t TickAtMicroseconds(const MidiSequence& sequence, std::int64_t microseconds) {
    const std::int64_t at = std::max<std::int64_t>(microseconds, 0);
    if (sequence.tempos.empty()) return 0;
    auto span = std::prev(
        std::upper_bound(sequence.tempos.begin(), sequence.tempos.end(), at,
                         [](std::int64_t t, const TempoSpan& s) { return t < s.microseconds; }));
    // The first tick at or after the time: a play started there misses no message.
    const auto time = static_cast<__int128>(at - span->microseconds);
    const __int128 perTime = sequence.division & 0x8000
                                 ? SmpteTicksPer1001Seconds(sequence.division)
                                 : static_cast<__int128>(sequence.division);
    const __int128 timePer =
        sequence.division & 0x8000 ? 1001000000 : std::max<__int128>(span->tempo, 1);
    return static_cast<std::int64_t>(span->tick) +
           static_cast<std::int64_t>((time * perTime + timePer - 1) / timePer);
}

MidiSequence ParseMidiSequence(const std::uint8_t* data, std::size_t size,
                               const std::string& name) {
    ByteReader in(data, size, name);
    if (size < 14 || std::memcmp(data, "MThd", 4) != 0)
        in.Fail("not a MIDI file (it does not begin with an MThd header)");
    in.Skip(4);
    std::uint32_t headerLength = in.BigEndian(4);
    if (headerLength < 6) in.Fail("not a MIDI file (its header is too short)");
    in.Skip(4);  // format and track count: the tracks are read as they come
    std::uint16_t division = static_cast<std::uint16_t>(in.BigEndian(2));
    in.Skip(headerLength - 6);
    if (division == 0) in.Fail("a MIDI file with 0 ticks a quarter note");

    std::vector<TrackEvent> events;
    std::uint64_t endTick = 0;
    while (in.Left() >= 8) {
        bool track = std::memcmp(data + in.At(), "MTrk", 4) == 0;
        in.Skip(4);
        std::size_t length = in.BigEndian(4);
        if (length > in.Left()) in.Fail("not a complete MIDI file: a track is cut short");
        std::size_t end = in.At() + length;
        if (track) endTick = std::max(endTick, ReadTrack(in, end, events));
        in.Skip(end - in.At());
    }
    // All tracks merged by time; at one tick, tempos first, the rest in file order.
    std::stable_sort(events.begin(), events.end(), [](const TrackEvent& a, const TrackEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.tempo >= 0 && b.tempo < 0;
    });

    // Each time from the last tempo change on, so that no rounding adds up.
    MidiSequence sequence;
    sequence.messages.reserve(events.size());
    sequence.division = division;
    sequence.tempos.push_back({0, 0, kDefaultTempo});
    const bool smpte = division & 0x8000;
    for (const TrackEvent& event : events) {
        const std::int64_t time = TimeInSpan(division, sequence.tempos.back(), event.tick);
        if (event.tempo >= 0) {
            if (smpte) continue;  // an SMPTE division's ticks have a length of their own
            if (sequence.tempos.back().tick == event.tick)
                sequence.tempos.back().tempo = event.tempo;
            else
                sequence.tempos.push_back({event.tick, time, event.tempo});
            continue;
        }
        TimedMessage message = event.message;
        message.microseconds = time;
        sequence.messages.push_back(message);
    }
    sequence.lengthMicroseconds = TimeInSpan(division, sequence.tempos.back(), endTick);
    if (!sequence.messages.empty())
        sequence.lengthMicroseconds =
            std::max(sequence.lengthMicroseconds, sequence.messages.back().microseconds);
    return sequence;
}

MidiSequence ReadMidiSequence(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CFileException(path, "cannot open", errno);
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[65536];
    for (;;) {
        ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            ::close(fd);
            throw CFileException(path, "cannot read", error);
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), block, block + n);
    }
    ::close(fd);
    return ParseMidiSequence(bytes.data(), bytes.size(), path);
}

}  // namespace rollscribe
