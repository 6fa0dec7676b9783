#pragma once

#include <cstdint>
#include <optional>

namespace rollscribe {

// The process's address-space limit (`ulimit -v`, RLIMIT_AS) in bytes: its soft limit, or none.
std::optional<std::uint64_t> AddressSpaceLimit() noexcept;

// Whether bytes more of address space can be had now: always without a limit; under one, tried
// by mapping them (inaccessible, nothing committed) and unmapping them at once. For work done by
// libraries that crash rather than fail when memory runs out.
bool AddressSpaceHasRoom(std::uint64_t bytes) noexcept;

// Under an address-space limit, lets the threads share malloc's arenas: each arena of glibc
// reserves 64 MB of address space, and a thread whose arena cannot be made gets a page of its
// own for every allocation, however small (a 6 MB sound font then took 90 MB). The arenas may
// take a sixteenth of the limit. Without a limit nothing changes. Call before threads start.
void ShareMallocArenasUnderALimit() noexcept;

}  // namespace rollscribe
