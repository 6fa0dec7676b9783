#include "platform/CReservedRegion.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>
#include <utility>

namespace {

std::size_t PageSize() {
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t RoundUp(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

std::size_t RoundUp(std::size_t bytes) {
    return RoundUp(bytes, PageSize());
}

// Regions ask for large pages and are committed in whole ones, so that a large block costs one
// page fault per 2 MB instead of one per 4 KB.
constexpr std::size_t kLargePage = 2 * 1024 * 1024;

// Maps size bytes of address space, no access, at an address aligned to a large page.
void* MapAligned(std::size_t size) {
    std::size_t padded = size + kLargePage;
    void* p =
        ::mmap(nullptr, padded, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    std::uintptr_t start = reinterpret_cast<std::uintptr_t>(p);
    std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
    if (aligned > start) ::munmap(p, aligned - start);
    std::size_t tail = start + padded - (aligned + size);
    if (tail) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

// Regions that this thread gave back, kept mapped for its next use. Converting many small rolls
// would otherwise map, commit, fault in and unmap fresh memory for each one: system calls and
// page faults that also take a lock shared by all the process's threads. Only regions of small
// use are kept, one per reservation size, so the memory kept is small and bounded.
constexpr std::size_t kKeptCommitLimit = 8 * 1024 * 1024;

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

struct SpareRegionsCleaner {
    ~SpareRegionsCleaner() {
        for (SpareRegion& spare : t_spares.spares) {
            if (spare.base) ::munmap(spare.base, spare.reserved);
            spare = SpareRegion{};
        }
        t_spares.closed = true;
    }
};

thread_local SpareRegionsCleaner t_cleaner;

// Takes a kept region of exactly this reservation; false when there is none.
bool TakeSpare(std::size_t reserved, SpareRegion& out) noexcept {
    for (SpareRegion& spare : t_spares.spares) {
        if (spare.base && spare.reserved == reserved) {
            out = std::exchange(spare, SpareRegion{});
            return true;
        }
    }
    return false;
}

// Keeps a region of small use when none of its reservation is kept yet and a place is free;
// false when the caller must unmap it.
bool KeepSpare(const SpareRegion& region) noexcept {
    if (t_spares.closed || region.committed > kKeptCommitLimit) return false;
    SpareRegion* free = nullptr;
    for (SpareRegion& spare : t_spares.spares) {
        if (spare.base && spare.reserved == region.reserved) return false;
        if (!spare.base && !free) free = &spare;
    }
    if (!free) return false;
    (void)&t_cleaner;  // registers the cleaner for this thread's end
    *free = region;
    return true;
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

void CReservedRegion::Reserve(std::size_t maxBytes, std::size_t minBytes) {
    Release();
    std::size_t want = RoundUp(maxBytes);
    SpareRegion spare;
    if (TakeSpare(want, spare)) {
        m_base = spare.base;
        m_reserved = spare.reserved;
        m_committed = spare.committed;
        return;
    }
    std::size_t least = RoundUp(minBytes ? minBytes : 1);
    while (want >= least) {
        void* p = MapAligned(want);
        if (p) {
            m_base = p;
            m_reserved = want;
            return;
        }
        if (want == least) break;
        want = RoundUp(want / 2) < least ? least : RoundUp(want / 2);
    }
    throw std::bad_alloc();
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
        ::munmap(m_base, m_reserved);
    m_base = nullptr;
    m_reserved = 0;
    m_committed = 0;
}
