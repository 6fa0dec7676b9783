#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/GrowableStorage.h"

// The body of a MIDI track as plain bytes, in file order. It grows in place in reserved address
// space, so appending rarely copies what is already there. A track chunk's length is a 32-bit
// number, so the body holds at most 0xFFFFFFFF bytes.
class TrackBytes {
  public:
    static constexpr std::size_t kMaxSize = 0xFFFFFFFFu;

    TrackBytes() = default;
    TrackBytes(const TrackBytes&) = delete;
    TrackBytes& operator=(const TrackBytes&) = delete;

    // The most bytes the body will hold, as far as is known: the address space reserved when it
    // first grows. More can still be appended.
    void PlanFor(std::size_t maxBytes) noexcept { m_storage.PlanFor(maxBytes); }
    void Add(std::uint8_t byte) {
        if (m_size == m_room) Grow(1);
        m_pData[m_size++] = byte;
    }
    void Append(const void* data, std::size_t count);
    // Room for count more bytes, to be filled by the caller at once.
    std::uint8_t* Extend(std::size_t count) {
        if (count > m_room - m_size) Grow(count);
        std::uint8_t* at = m_pData + m_size;
        m_size += count;
        return at;
    }

    // Room for count more bytes at the end, without appending them: the place they go.
    std::uint8_t* Room(std::size_t count) {
        if (count > m_room - m_size) Grow(count);
        return m_pData + m_size;
    }
    // The body ends at end, a place within the room given by Room.
    void SetEnd(const std::uint8_t* end) noexcept {
        m_size = static_cast<std::size_t>(end - m_pData);
    }

    std::size_t GetSize() const noexcept { return m_size; }
    const std::uint8_t* GetData() const noexcept { return m_pData; }
    std::uint8_t operator[](std::size_t i) const noexcept { return m_pData[i]; }
    void RemoveAll() noexcept;
    // Changes a byte already appended.
    void Patch(std::size_t i, std::uint8_t byte) noexcept { m_pData[i] = byte; }
    // Empties the body, keeping its room.
    void Clear() noexcept { m_size = 0; }

  private:
    void Grow(std::size_t more);

    rollscribe::GrowableStorage<std::uint8_t> m_storage;
    std::uint8_t* m_pData = nullptr;
    std::size_t m_size = 0;
    std::size_t m_room = 0;
};
