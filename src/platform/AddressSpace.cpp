#include "platform/AddressSpace.h"

#include <sys/mman.h>
#include <sys/resource.h>

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace rollscribe {

std::optional<std::uint64_t> AddressSpaceLimit() noexcept {
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return {};
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

bool AddressSpaceHasRoom(std::uint64_t bytes) noexcept {
    const std::optional<std::uint64_t> limit = AddressSpaceLimit();
    if (!limit) return true;
    if (bytes >= *limit) return false;
    void* p = ::mmap(nullptr, static_cast<std::size_t>(bytes), PROT_NONE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return false;
    ::munmap(p, static_cast<std::size_t>(bytes));
    return true;
}

void ShareMallocArenasUnderALimit() noexcept {
#ifdef __GLIBC__
    constexpr std::uint64_t kArenaReservation = 64ull << 20;
    if (const std::optional<std::uint64_t> limit = AddressSpaceLimit())
        ::mallopt(M_ARENA_MAX, static_cast<int>(std::clamp<std::uint64_t>(
                                   *limit / (16 * kArenaReservation), 1, 64)));
#endif
}

}  // namespace rollscribe
