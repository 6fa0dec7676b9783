#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "platform/GrowableStorage.h"
#include "roll/RollEvent.h"

// A growable, contiguous array of roll events. Capacity grows by a fixed step (or, with a step of
// 0, by an eighth of the size, at least 4 and at most 1024). The events live in reserved address
// space, so growing in place never moves or copies them and costs nothing per event already
// stored.
class RollEventArray {
  public:
    RollEventArray() = default;
    RollEventArray(const RollEventArray&) = delete;
    RollEventArray& operator=(const RollEventArray&) = delete;
    ~RollEventArray() { RemoveAll(); }

    // Sets the size (only 0 is supported: empties the array) and the growth step.
    void SetSize(std::int32_t newSize, std::int32_t growBy);
    // The most events the array will hold, as far as is known: the address space reserved when
    // it next grows from empty. More can still be added.
    void PlanFor(std::size_t maxEvents) noexcept { m_storage.PlanFor(maxEvents); }
    // Appends the event at index GetSize() and returns that index.
    std::int32_t Add(const RollEvent& event) { return Emplace(event); }
    std::int32_t Add(RollEvent&& event) { return Emplace(static_cast<RollEvent&&>(event)); }

    std::int32_t GetSize() const noexcept { return m_nSize; }
    std::int32_t GetCapacity() const noexcept { return m_nMaxSize; }
    std::int32_t GetGrowBy() const noexcept { return m_nGrowBy; }
    // The event at index i, 0 <= i < GetSize(); not checked.
    RollEvent& ElementAt(std::int32_t i) noexcept { return m_pData[i]; }
    const RollEvent& ElementAt(std::int32_t i) const noexcept { return m_pData[i]; }
    RollEvent& operator[](std::int32_t i) noexcept { return m_pData[i]; }
    const RollEvent& operator[](std::int32_t i) const noexcept { return m_pData[i]; }
    const RollEvent* begin() const noexcept { return m_pData; }
    const RollEvent* end() const noexcept { return m_pData + m_nSize; }

    // Destroys every event and releases the storage; the growth step stays.
    void RemoveAll() noexcept;

  private:
    template <typename E>
    std::int32_t Emplace(E&& event) {
        if (m_nSize == m_nMaxSize) GrowFor(m_nSize + static_cast<std::int64_t>(1));
        new (m_pData + m_nSize) RollEvent(static_cast<E&&>(event));
        return m_nSize++;
    }
    void GrowFor(std::int64_t needed);

    rollscribe::GrowableStorage<RollEvent> m_storage;
    RollEvent* m_pData = nullptr;
    std::int32_t m_nSize = 0;
    std::int32_t m_nMaxSize = 0;
    std::int32_t m_nGrowBy = 0;
};
