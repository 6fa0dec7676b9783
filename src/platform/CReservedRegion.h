#pragma once

#include <cstddef>

namespace rollscribe {

// A block of address space that is reserved up front and made usable piece by piece, so that
// the data in it grows in place: it never moves and is never copied. Nothing is taken from the
// system until TryReserve; only the committed part uses memory.
class CReservedRegion {
  public:
    CReservedRegion() = default;
    CReservedRegion(const CReservedRegion&) = delete;
    CReservedRegion& operator=(const CReservedRegion&) = delete;
    CReservedRegion(CReservedRegion&& other) noexcept;
    CReservedRegion& operator=(CReservedRegion&& other) noexcept;
    ~CReservedRegion() { Release(); }

    // Reserves room for at least bytes (the reservation may be larger). Returns false, holding
    // nothing, when the address space cannot be had (a limit such as `ulimit -v`).
    bool TryReserve(std::size_t bytes) noexcept;
    // Makes the first bytes usable; returns false when they exceed the reservation.
    // Throws std::bad_alloc when the system has no memory for them.
    bool Commit(std::size_t bytes);
    // Returns the memory and the reservation (or keeps a small region for the thread's next
    // reservation).
    void Release() noexcept;

    void* Data() const noexcept { return m_base; }
    std::size_t Reserved() const noexcept { return m_reserved; }
    std::size_t Committed() const noexcept { return m_committed; }

  private:
    void* m_base = nullptr;
    std::size_t m_reserved = 0;
    std::size_t m_committed = 0;
};

// For tests: lets reservations fail as under an address-space limit that leaves bytes for
// regions beyond those mapped now (regions kept for reuse count as mapped); 0 lifts it.
// Sanitizer builds cannot run under a real limit, so their tests use this.
void SetReservationLimitForTests(std::size_t bytes) noexcept;

}  // namespace rollscribe
