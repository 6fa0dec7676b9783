#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/CReservedRegion.h"

namespace rollscribe {

// Contiguous storage for a growing array of T, in reserved address space. The first growth
// reserves room for what the data is planned to need, so that the array then grows in place;
// when that much address space cannot be had, or the data outgrows it, the storage grows as an
// ordinary array does: into a region twice as large (or just large enough), the elements moved
// over and the old region given back. So growing never fails for lack of address space while
// memory is there. The owner constructs and destroys the elements; the storage moves them.
template <typename T>
class GrowableStorage {
  public:
    GrowableStorage() = default;
    GrowableStorage(const GrowableStorage&) = delete;
    GrowableStorage& operator=(const GrowableStorage&) = delete;

    // The most elements the data can come to, as far as is known (0: unknown): the room
    // reserved when the storage next needs a region.
    void PlanFor(std::size_t maxCount) noexcept { m_planned = maxCount; }

    // Room for capacity elements, of which the first size are live (and moved along when the
    // storage moves). Returns the elements' (new) address. Throws std::bad_alloc.
    T* Grow(std::size_t size, std::size_t capacity) {
        constexpr std::size_t kMaxCount = SIZE_MAX / 2 / sizeof(T);
        if (capacity > kMaxCount) throw std::bad_alloc();
        std::size_t bytes = capacity * sizeof(T);
        if (m_region.Data() && m_region.Commit(bytes)) return Data();
        // The planned room, else twice the present room, else just what is needed.
        std::size_t doubled = m_region.Data() ? std::min(m_region.Reserved(), SIZE_MAX / 4) * 2 : 0;
        std::size_t planned = std::min(m_planned, kMaxCount) * sizeof(T);
        CReservedRegion next;
        if (!next.TryReserve(std::max({bytes, planned, doubled})) &&
            !(planned > doubled && doubled > bytes && next.TryReserve(doubled)) &&
            !next.TryReserve(bytes))
            throw std::bad_alloc();
        next.Commit(bytes);
        if (size) Relocate(static_cast<T*>(next.Data()), Data(), size);
        m_region = std::move(next);
        return Data();
    }

    T* Data() const noexcept { return static_cast<T*>(m_region.Data()); }
    // How many elements fit without another growth (at least the last capacity asked for).
    std::size_t Capacity() const noexcept { return m_region.Committed() / sizeof(T); }
    // Gives the storage back; the elements must have been destroyed.
    void Release() noexcept { m_region.Release(); }

  private:
    static void Relocate(T* to, T* from, std::size_t count) {
        if constexpr (std::is_trivially_copyable_v<T>) {
            std::memcpy(static_cast<void*>(to), static_cast<const void*>(from), count * sizeof(T));
        } else {
            static_assert(std::is_nothrow_move_constructible_v<T>);
            for (std::size_t i = 0; i < count; ++i) {
                new (to + i) T(std::move(from[i]));
                from[i].~T();
            }
        }
    }

    CReservedRegion m_region;
    std::size_t m_planned = 0;
};

}  // namespace rollscribe
