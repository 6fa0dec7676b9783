#pragma once

#include <cstddef>

// A block of address space that is reserved up front and made usable piece by piece, so that
// the data in it grows in place: it never moves and is never copied. Nothing is taken from the
// system until Reserve; only the committed part uses memory.
class CReservedRegion {
  public:
    CReservedRegion() = default;
    CReservedRegion(const CReservedRegion&) = delete;
    CReservedRegion& operator=(const CReservedRegion&) = delete;
    CReservedRegion(CReservedRegion&& other) noexcept;
    CReservedRegion& operator=(CReservedRegion&& other) noexcept;
    ~CReservedRegion() { Release(); }

    // Reserves room for up to maxBytes (or, where the address space is limited, as much of it as
    // can be had, at least minBytes). Throws std::bad_alloc when not even minBytes can be had.
    void Reserve(std::size_t maxBytes, std::size_t minBytes);
    // Makes the first bytes usable; returns false when they exceed the reservation.
    // Throws std::bad_alloc when the system has no memory for them.
    bool Commit(std::size_t bytes);
    // Returns all memory and the reservation to the system.
    void Release() noexcept;

    void* Data() const noexcept { return m_base; }
    std::size_t Reserved() const noexcept { return m_reserved; }
    std::size_t Committed() const noexcept { return m_committed; }

  private:
    void* m_base = nullptr;
    std::size_t m_reserved = 0;
    std::size_t m_committed = 0;
};
