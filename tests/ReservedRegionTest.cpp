#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/CReservedRegion.h"
#include "platform/GrowableStorage.h"
#include "roll/RollEvent.h"

using namespace rollscribe;

namespace {

constexpr std::size_t kMB = 1024 * 1024;
constexpr std::size_t kReserve = std::size_t{1} << 32;

// Whether the page at address is mapped in this process.
bool IsMapped(const void* address) {
    long page = ::sysconf(_SC_PAGESIZE);
    auto start = reinterpret_cast<std::uintptr_t>(address) / page * page;
    unsigned char state;
    return ::mincore(reinterpret_cast<void*>(start), 1, &state) == 0 || errno != ENOMEM;
}

// While it lives, reservations fail as under an address-space limit.
class ReservationLimit {
  public:
    explicit ReservationLimit(std::size_t bytes) { SetReservationLimitForTests(bytes); }
    ~ReservationLimit() { SetReservationLimitForTests(0); }
};

TEST(ReservedRegion, GrowsInPlaceKeepingItsContents) {
    CReservedRegion region;
    ASSERT_TRUE(region.TryReserve(kReserve));
    ASSERT_TRUE(region.Commit(100));
    void* base = region.Data();
    std::memset(base, 0x5A, 100);
    ASSERT_TRUE(region.Commit(8 * kMB + 1));
    EXPECT_EQ(region.Data(), base);
    EXPECT_GE(region.Committed(), 8 * kMB + 1);
    const unsigned char* bytes = static_cast<const unsigned char*>(base);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0x5A) << i;
    EXPECT_EQ(bytes[8 * kMB], 0);  // fresh memory reads as zero
    EXPECT_FALSE(region.Commit(kReserve + 2 * kMB + 1));
}

TEST(ReservedRegion, SmallRegionIsKeptForTheThreadsNextReservationOfUpToItsSize) {
    void* first;
    {
        CReservedRegion region;
        ASSERT_TRUE(region.TryReserve(1 * kMB));
        ASSERT_TRUE(region.Commit(64 * 1024));
        first = region.Data();
        std::memset(first, 1, 64 * 1024);
    }
    EXPECT_TRUE(IsMapped(first));
    CReservedRegion again;
    ASSERT_TRUE(again.TryReserve(1536 * 1024));  // another small size shares it
    EXPECT_EQ(again.Data(), first);
    // What it had committed is usable at once.
    EXPECT_GE(again.Committed(), 64u * 1024);
    std::memset(again.Data(), 2, 64 * 1024);
    // A larger reservation gets a region of its own.
    CReservedRegion other;
    ASSERT_TRUE(other.TryReserve(8 * kMB));
    EXPECT_NE(other.Data(), first);
}

TEST(ReservedRegion, LargeUseOrLargeReservationIsReturnedToTheSystem) {
    struct Case {
        std::size_t reserve, commit;
    } cases[] = {{kReserve, 64 * kMB}, {kReserve, 4096}, {64 * kMB, 4096}};
    for (const Case& c : cases) {
        void* base;
        {
            CReservedRegion region;
            ASSERT_TRUE(region.TryReserve(c.reserve));
            ASSERT_TRUE(region.Commit(c.commit));
            base = region.Data();
            std::memset(base, 1, 4096);
        }
        EXPECT_FALSE(IsMapped(base)) << c.reserve << " " << c.commit;
    }
}

TEST(ReservedRegion, KeptRegionsGoBackWhenTheThreadEnds) {
    void* kept = nullptr;
    std::thread worker([&] {
        CReservedRegion region;
        ASSERT_TRUE(region.TryReserve(1 * kMB));
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
    ASSERT_TRUE(a.TryReserve(kReserve / 4));
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

TEST(ReservedRegion, UnderALimitKeptRegionsAreGivenBackToMakeRoom) {
    std::thread worker([] {  // a thread of its own: nothing kept from other tests
        ReservationLimit limit(16 * kMB);
        void* kept;
        {
            CReservedRegion small;
            ASSERT_TRUE(small.TryReserve(1 * kMB));
            small.Commit(4096);
            kept = small.Data();
        }
        ASSERT_TRUE(IsMapped(kept));
        CReservedRegion large;
        EXPECT_FALSE(large.TryReserve(64 * kMB));  // beyond the limit: refused, holding nothing
        EXPECT_EQ(large.Data(), nullptr);
        EXPECT_FALSE(IsMapped(kept)) << "the kept region went back when room was short";
        // Now the whole limit is there for one reservation.
        EXPECT_TRUE(large.TryReserve(8 * kMB));
    });
    worker.join();
}

// GrowableStorage: grows in place within its plan, and as an ordinary array beyond it or when
// the plan's address space cannot be had; the elements come along either way.

struct StorageCase {
    const char* name;
    std::size_t limit;    // address-space limit (0: none)
    std::size_t planned;  // elements planned
    std::size_t count;    // elements added
    bool staysInPlace;
};

TEST(GrowableStorage, KeepsEveryElementWhetherItGrowsInPlaceOrMoves) {
    const StorageCase cases[] = {
        {"within the plan", 0, 200000, 200000, true},
        {"no plan", 0, 0, 200000, false},
        {"beyond the plan", 0, 1000, 200000, false},
        {"plan beyond the address space", 24 * kMB, 100000000, 200000, false},
    };
    for (const StorageCase& c : cases) {
        std::thread worker([&] {
            ReservationLimit limit(c.limit);
            GrowableStorage<RollEvent> storage;
            storage.PlanFor(c.planned);
            RollEvent* data = nullptr;
            RollEvent* first = nullptr;
            std::size_t capacity = 0;
            bool moved = false;
            for (std::size_t i = 0; i < c.count; ++i) {
                if (i == capacity) {
                    capacity = i + 16000;
                    data = storage.Grow(i, capacity);
                    if (first && data != first) moved = true;
                    if (!first) first = data;
                }
                new (data + i)
                    RollEvent{1, static_cast<int>(i % 128), static_cast<int>(i),
                              i % 1000 == 0 ? CString(std::to_string(i).c_str()) : CString()};
            }
            EXPECT_EQ(!moved, c.staysInPlace) << c.name;
            for (std::size_t i = 0; i < c.count; ++i) {
                ASSERT_EQ(data[i].time, static_cast<int>(i)) << c.name;
                if (i % 1000 == 0) {
                    ASSERT_EQ(data[i].text, std::to_string(i).c_str()) << c.name;
                }
            }
            for (std::size_t i = 0; i < c.count; ++i) data[i].~RollEvent();
            storage.Release();
        });
        worker.join();
    }
}

}  // namespace
