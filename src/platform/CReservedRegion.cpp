#include "platform/CReservedRegion.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

namespace rollscribe {

namespace {

std::size_t RoundUp(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

// Regions ask for transparent huge pages and are committed in whole ones: a 100 MB roll touches
// 1.2 GB of events and 200 MB of track, 350,000 page faults of 4 KB against about 700 of 2 MB;
// its whole load went from 1.3 s to 0.63 s (docs/performance.md).
constexpr std::size_t kLargePage = 2 * 1024 * 1024;

// Regions that this thread gave back, kept mapped for its next use. Converting many small rolls
// would otherwise map, commit, fault in and unmap fresh memory for each one: system calls and
// page faults that also take a lock shared by all the process's threads (a batch of 1,000 rolls:
// 126,398 page faults before, 411 after; system time 0.34 s to 0.15 s). Only regions of small
// use and small reservation are kept, so the memory and the address space kept stay small; small
// reservations are rounded up to a power of two so that rolls of different sizes share them.
constexpr std::size_t kKeptCommitLimit = 8 * 1024 * 1024;
constexpr std::size_t kKeptReserveLimit = 16 * 1024 * 1024;

// The size actually reserved for a request.
std::size_t ReservationFor(std::size_t bytes) {
    if (bytes > kKeptReserveLimit) return RoundUp(bytes, kLargePage);
    std::size_t size = kLargePage;
    while (size < bytes) size *= 2;
    return size;
}

std::atomic<std::size_t> g_testLimit{0};
std::atomic<std::size_t> g_mapped{0};  // the address space of all regions, kept ones included

// Maps size bytes of address space, no access, at an address aligned to a large page.
void* MapAligned(std::size_t size) noexcept {
    std::size_t padded = size + kLargePage;
    std::size_t limit = g_testLimit.load(std::memory_order_relaxed);
    if (limit && g_mapped.load(std::memory_order_relaxed) + padded > limit) return nullptr;
    void* p =
        ::mmap(nullptr, padded, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    g_mapped.fetch_add(size, std::memory_order_relaxed);
    std::uintptr_t start = reinterpret_cast<std::uintptr_t>(p);
    std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
    if (aligned > start) ::munmap(p, aligned - start);
    std::size_t tail = start + padded - (aligned + size);
    if (tail) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void Unmap(void* base, std::size_t size) noexcept {
    ::munmap(base, size);
    g_mapped.fetch_sub(size, std::memory_order_relaxed);
}

struct SpareRegion {
    void* base;
    std::size_t reserved;
    std::size_t committed;
};

// Trivially destructible, so that it stays usable while objects that hold regions are destroyed
// at the thread's (or the program's) end; the cleaner below returns the spares when the thread
// ends, and from then on nothing more is kept.
struct SpareRegions {
    SpareRegion spares[4];
    bool closed;
};

thread_local SpareRegions t_spares;

void DropSpares() noexcept {
    for (SpareRegion& spare : t_spares.spares) {
        if (spare.base) Unmap(spare.base, spare.reserved);
        spare = SpareRegion{};
    }
}

struct SpareRegionsCleaner {
    ~SpareRegionsCleaner() {
        DropSpares();
        t_spares.closed = true;
    }
};

thread_local SpareRegionsCleaner t_cleaner;

// Takes the smallest kept region of at least this reservation; false when there is none.
bool TakeSpare(std::size_t reserved, SpareRegion& out) noexcept {
    SpareRegion* best = nullptr;
    for (SpareRegion& spare : t_spares.spares) {
        if (spare.base && spare.reserved >= reserved && (!best || spare.reserved < best->reserved))
            best = &spare;
    }
    if (!best) return false;
    out = std::exchange(*best, SpareRegion{});
    return true;
}

// Keeps a region of small use when a place is free; false when the caller must unmap it.
bool KeepSpare(const SpareRegion& region) noexcept {
    if (t_spares.closed || region.committed > kKeptCommitLimit ||
        region.reserved > kKeptReserveLimit)
        return false;
    for (SpareRegion& spare : t_spares.spares) {
        if (!spare.base) {
            (void)&t_cleaner;  // registers the cleaner for this thread's end
            spare = region;
            return true;
        }
    }
    return false;
}

}  // namespace

CReservedRegion::CReservedRegion(CReservedRegion&& other) noexcept
    : m_base(std::exchange(other.m_base, nullptr)),
      m_reserved(std::exchange(other.m_reserved, 0)),
      m_committed(std::exchange(other.m_committed, 0)) {}

CReservedRegion& CReservedRegion::operator=(CReservedRegion&& other) noexcept {
    if (this != &other) {
        Release();
        m_base = std::exchange(other.m_base, nullptr);
        m_reserved = std::exchange(other.m_reserved, 0);
        m_committed = std::exchange(other.m_committed, 0);
    }
    return *this;
}

bool CReservedRegion::TryReserve(std::size_t bytes) noexcept {
    Release();
    if (bytes > SIZE_MAX / 2) return false;
    std::size_t want = ReservationFor(bytes ? bytes : 1);
    SpareRegion spare;
    if (TakeSpare(want, spare)) {
        m_base = spare.base;
        m_reserved = spare.reserved;
        m_committed = spare.committed;
        return true;
    }
    void* p = MapAligned(want);
    if (!p) {
        // The address space is limited: what this thread keeps goes back first.
        DropSpares();
        p = MapAligned(want);
    }
    if (!p) return false;
    m_base = p;
    m_reserved = want;
    return true;
}

bool CReservedRegion::Commit(std::size_t bytes) {
    if (bytes <= m_committed) return true;
    if (bytes > m_reserved) return false;
    // Commit ahead in large steps so that steady growth costs few system calls, and in whole
    // large pages.
    std::size_t ahead = m_committed + m_committed / 4;
    std::size_t target = RoundUp(bytes > ahead ? bytes : ahead, kLargePage);
    if (target > m_reserved) target = m_reserved;
    char* base = static_cast<char*>(m_base);
    if (::mprotect(base + m_committed, target - m_committed, PROT_READ | PROT_WRITE) != 0)
        throw std::bad_alloc();
    m_committed = target;
    return true;
}

void CReservedRegion::Release() noexcept {
    if (m_base && !KeepSpare(SpareRegion{m_base, m_reserved, m_committed}))
        Unmap(m_base, m_reserved);
    m_base = nullptr;
    m_reserved = 0;
    m_committed = 0;
}

void SetReservationLimitForTests(std::size_t bytes) noexcept {
    g_testLimit.store(bytes ? g_mapped.load() + bytes : 0);
}

}  // namespace rollscribe
