#include "midi/TrackBytes.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

void TrackBytes::Grow(std::size_t more) {
    if (more > kMaxSize - m_size)
        throw std::length_error("the MIDI track would be larger than a track can be (4 GB)");
    m_pData = m_storage.Grow(m_size, m_size + more);
    m_room = std::min(m_storage.Capacity(), kMaxSize);
}

void TrackBytes::Append(const void* data, std::size_t count) {
    if (count == 0) return;
    std::memcpy(Extend(count), data, count);
}

void TrackBytes::RemoveAll() noexcept {
    m_storage.Release();
    m_pData = nullptr;
    m_size = 0;
    m_room = 0;
}
