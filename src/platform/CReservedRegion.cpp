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

// Large pages: past its first one, a region asks for them, so that a large block costs one page
// fault per 2 MB instead of one per 4 KB. Small data stays in small pages.
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
    if (size > kLargePage)
        ::madvise(reinterpret_cast<char*>(aligned) + kLargePage, size - kLargePage, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
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
    std::size_t target = RoundUp(bytes);
    // Commit ahead in large steps so that steady growth costs few system calls.
    std::size_t ahead = m_committed + m_committed / 4;
    if (ahead > target) target = RoundUp(ahead);
    // Past the first large page, whole large pages, so that each can be one.
    if (target > kLargePage) target = RoundUp(target, kLargePage);
    if (target > m_reserved) target = m_reserved;
    char* base = static_cast<char*>(m_base);
    if (::mprotect(base + m_committed, target - m_committed, PROT_READ | PROT_WRITE) != 0)
        throw std::bad_alloc();
    m_committed = target;
    return true;
}

void CReservedRegion::Release() noexcept {
    if (m_base) ::munmap(m_base, m_reserved);
    m_base = nullptr;
    m_reserved = 0;
    m_committed = 0;
}
