#include "roll/RollEventArray.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

constexpr std::int64_t kMaxEvents = std::numeric_limits<std::int32_t>::max();

}  // namespace

void RollEventArray::SetSize(std::int32_t newSize, std::int32_t growBy) {
    if (growBy >= 0) m_nGrowBy = growBy;
    if (newSize == 0) RemoveAll();
}

void RollEventArray::GrowFor(std::int64_t needed) {
    if (needed > kMaxEvents) throw std::bad_alloc();
    std::int64_t capacity;
    if (m_pData == nullptr) {
        capacity = needed;
    } else {
        std::int64_t step = m_nGrowBy;
        if (step == 0) step = std::clamp<std::int64_t>(m_nSize / 8, 4, 1024);
        capacity = std::max(needed, m_nMaxSize + step);
    }
    capacity = std::min(capacity, kMaxEvents);
    m_pData = m_storage.Grow(static_cast<std::size_t>(m_nSize), static_cast<std::size_t>(capacity));
    m_nMaxSize = static_cast<std::int32_t>(capacity);
}

void RollEventArray::RemoveAll() noexcept {
    for (std::int32_t i = 0; i < m_nSize; ++i) m_pData[i].~RollEvent();
    m_storage.Release();
    m_pData = nullptr;
    m_nSize = 0;
    m_nMaxSize = 0;
}
