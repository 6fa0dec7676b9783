#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/CReservedRegion.h"

namespace {

constexpr std::size_t kReserve = std::size_t{1} << 32;

// Whether the page at address is mapped in this process.
bool IsMapped(const void* address) {
    long page = ::sysconf(_SC_PAGESIZE);
    auto start = reinterpret_cast<std::uintptr_t>(address) / page * page;
    unsigned char state;
    return ::mincore(reinterpret_cast<void*>(start), 1, &state) == 0 || errno != ENOMEM;
}

TEST(ReservedRegion, GrowsInPlaceKeepingItsContents) {
    CReservedRegion region;
    region.Reserve(kReserve, 1);
    ASSERT_TRUE(region.Commit(100));
    void* base = region.Data();
    std::memset(base, 0x5A, 100);
    ASSERT_TRUE(region.Commit(8 * 1024 * 1024 + 1));
    EXPECT_EQ(region.Data(), base);
    EXPECT_GE(region.Committed(), 8u * 1024 * 1024 + 1);
    const unsigned char* bytes = static_cast<const unsigned char*>(base);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0x5A) << i;
    bytes = static_cast<const unsigned char*>(region.Data());
    EXPECT_EQ(bytes[8 * 1024 * 1024], 0);  // fresh memory reads as zero
    EXPECT_FALSE(region.Commit(kReserve + 1));
}

TEST(ReservedRegion, SmallRegionIsKeptForTheThreadsNextReservation) {
    void* first;
    {
        CReservedRegion region;
        region.Reserve(kReserve, 1);
        ASSERT_TRUE(region.Commit(64 * 1024));
        first = region.Data();
        std::memset(first, 1, 64 * 1024);
    }
    EXPECT_TRUE(IsMapped(first));
    CReservedRegion again;
    again.Reserve(kReserve, 1);
    EXPECT_EQ(again.Data(), first);
    // What it had committed is usable at once.
    EXPECT_GE(again.Committed(), 64u * 1024);
    std::memset(again.Data(), 2, 64 * 1024);
    // A different reservation size gets a region of its own.
    CReservedRegion other;
    other.Reserve(kReserve / 2, 1);
    EXPECT_NE(other.Data(), first);
}

TEST(ReservedRegion, LargeUseIsReturnedToTheSystem) {
    void* base;
    {
        CReservedRegion region;
        region.Reserve(kReserve, 1);
        ASSERT_TRUE(region.Commit(64 * 1024 * 1024));
        base = region.Data();
        std::memset(base, 1, 4096);
    }
    EXPECT_FALSE(IsMapped(base));
}

TEST(ReservedRegion, KeptRegionsGoBackWhenTheThreadEnds) {
    void* kept = nullptr;
    std::thread worker([&] {
        CReservedRegion region;
        region.Reserve(kReserve, 1);
        region.Commit(64 * 1024);
        std::memset(region.Data(), 1, 64 * 1024);
        kept = region.Data();
        region.Release();
        EXPECT_TRUE(IsMapped(kept));
    });
    worker.join();
    ASSERT_NE(kept, nullptr);
    EXPECT_FALSE(IsMapped(kept));
}

TEST(ReservedRegion, MovedRegionOwnsTheMemory) {
    CReservedRegion a;
    a.Reserve(kReserve / 4, 1);
    ASSERT_TRUE(a.Commit(4096));
    void* base = a.Data();
    CReservedRegion b(std::move(a));
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_EQ(b.Data(), base);
    static_cast<char*>(b.Data())[0] = 7;
    CReservedRegion c;
    c = std::move(b);
    EXPECT_EQ(static_cast<char*>(c.Data())[0], 7);
}

}  // namespace
