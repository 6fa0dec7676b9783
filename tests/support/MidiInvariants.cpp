#include "support/MidiInvariants.h"

#include <cstdio>

namespace testing_support {

namespace {

std::uint32_t BigEndian(std::string_view bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

std::string At(std::size_t offset, const std::string& what) {
    char where[40];
    std::snprintf(where, sizeof where, "at byte %zu: ", offset);
    return where + what;
}

// Reads a variable-length quantity at *at (moved past it), within end. Empty result: fine.
std::string ReadVarLen(std::string_view file, std::size_t* at, std::size_t end,
                       std::uint32_t* value, std::size_t* used) {
    std::size_t start = *at;
    *value = 0;
    for (std::size_t n = 1;; ++n) {
        if (*at >= end) return At(start, "a variable-length quantity runs past the track's end");
        std::uint8_t byte = static_cast<std::uint8_t>(file[(*at)++]);
        *value = *value << 7 | (byte & 0x7Fu);
        if (!(byte & 0x80)) {
            *used = n;
            return {};
        }
        if (n == 4) return At(start, "a variable-length quantity longer than 4 bytes");
    }
}

int ChannelDataBytes(std::uint8_t status) {
    std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

}  // namespace

std::string CheckMidiFile(std::string_view file,
                          const std::function<void(const MidiEvent&)>& onEvent) {
    if (file.size() < 22) return "the file is shorter than a header and a track chunk's start";
    if (file.substr(0, 4) != "MThd") return "the file does not begin with MThd";
    if (BigEndian(file, 4, 4) != 6) return "the header chunk's length is not 6";
    if (BigEndian(file, 8, 2) != 0) return "the format is not 0";
    if (BigEndian(file, 10, 2) != 1) return "the track count is not 1";
    if (BigEndian(file, 12, 2) != 480) return "the division is not 480 ticks per quarter note";
    if (file.substr(14, 4) != "MTrk") return At(14, "the track chunk does not begin with MTrk");
    std::uint64_t length = BigEndian(file, 18, 4);
    if (length != file.size() - 22)
        return "the track length " + std::to_string(length) + " differs from the body's size " +
               std::to_string(file.size() - 22);

    const std::size_t end = file.size();
    std::size_t at = 22;
    std::uint64_t tick = 0;
    bool ended = false;
    while (at < end) {
        if (ended) return At(at, "an event after the end of track");
        MidiEvent event{};
        std::uint32_t delta = 0;
        if (auto error = ReadVarLen(file, &at, end, &delta, &event.deltaBytes); !error.empty())
            return error;
        tick += delta;
        event.delta = delta;
        event.tick = tick;
        event.offset = at;
        if (at >= end) return At(at, "a delta without an event");
        event.status = static_cast<std::uint8_t>(file[at++]);
        if (event.status < 0x80) return At(event.offset, "an event without its status byte");
        if (event.status < 0xF0) {
            std::size_t n = static_cast<std::size_t>(ChannelDataBytes(event.status));
            if (end - at < n) return At(event.offset, "a channel event runs past the track's end");
            for (std::size_t i = 0; i < n; ++i)
                if (static_cast<std::uint8_t>(file[at + i]) >= 0x80)
                    return At(at + i, "a data byte of 0x80 or more");
            event.data = file.substr(at, n);
            at += n;
        } else if (event.status == 0xFF || event.status == 0xF0 || event.status == 0xF7) {
            if (event.status == 0xFF) {
                if (at >= end) return At(event.offset, "a meta event without its type");
                event.metaType = static_cast<std::uint8_t>(file[at++]);
                if (event.metaType >= 0x80) return At(at - 1, "a meta type of 0x80 or more");
            }
            std::uint32_t size = 0;
            std::size_t used = 0;
            if (auto error = ReadVarLen(file, &at, end, &size, &used); !error.empty()) return error;
            if (end - at < size)
                return At(event.offset, "an event's data run past the track's end");
            event.data = file.substr(at, size);
            at += size;
            if (event.status == 0xFF && event.metaType == 0x2F) {
                if (size != 0) return At(event.offset, "an end of track that is not empty");
                ended = true;
            }
        } else {
            return At(event.offset, "a status byte that no track event has");
        }
        if (onEvent) onEvent(event);
    }
    if (!ended) return "the track has no end of track";
    return {};
}

}  // namespace testing_support
