#include "midi/TrackBytes.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

void TrackBytes::Grow(std::size_t more) {
    if (more > kMaxSize - m_size)
        throw std::length_error("the MIDI track would be larger than a track can be (4 GB)");
    std::size_t needed = m_size + more;
    if (m_pData == nullptr) m_region.Reserve(kMaxSize, needed);
    if (!m_region.Commit(needed)) {
        // Limited address space: move to a larger reservation (rare).
        CReservedRegion larger;
        larger.Reserve(std::max(needed, m_region.Reserved() * 2), needed);
        larger.Commit(needed);
        if (m_size) std::memcpy(larger.Data(), m_pData, m_size);
        m_region = std::move(larger);
    }
    m_pData = static_cast<std::uint8_t*>(m_region.Data());
    m_room = std::min(m_region.Committed(), kMaxSize);
}

void TrackBytes::Append(const void* data, std::size_t count) {
    if (count == 0) return;
    std::memcpy(Extend(count), data, count);
}

void TrackBytes::RemoveAll() noexcept {
    m_region.Release();
    m_pData = nullptr;
    m_size = 0;
    m_room = 0;
}
