#include "sound/SeqLock.h"
#include "sound/SpscRing.h"

#include <atomic>
#include <cstdint>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using sundrel::audio::SeqLock;
using sundrel::audio::SpscRing;

TEST(SpscRing, HoldsUpToItsCapacityInOrderAndClears) {
    SpscRing<int, 4> ring;
    EXPECT_FALSE(ring.Front());
    for (int round = 0; round < 3; ++round) { // the indices wrap past the capacity
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(ring.Push(round * 10 + i));
        }
        EXPECT_FALSE(ring.Push(99)); // full: nothing stored
        EXPECT_EQ(ring.Size(), 4u);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(ring.Front());
            EXPECT_EQ(*ring.Front(), round * 10 + i);
            ring.Pop();
        }
        EXPECT_TRUE(ring.Push(7)); // room again
        EXPECT_EQ(ring.Size(), 2u);
        ring.Clear();
        EXPECT_EQ(ring.Size(), 0u);
        EXPECT_FALSE(ring.Front());
    }
}

// Values pushed by one thread arrive at another complete, once and in order. Run under
// ThreadSanitizer, this also proves the slots are handed over without a data race.
TEST(SpscRing, HandsEveryValueAcrossThreadsInOrder) {
    struct Item {
        std::uint64_t n;
        std::uint64_t check; // a second word, so a half-written slot would show
    };
    SpscRing<Item, 8> ring;
    constexpr std::uint64_t kCount = 200'000;
    std::thread producer([&] {
        for (std::uint64_t n = 0; n < kCount;) {
            if (ring.Push({n, ~n})) {
                ++n;
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::uint64_t expected = 0;
    bool ordered = true;
    while (expected < kCount) {
        if (const auto item = ring.Front()) {
            ordered = ordered && item->n == expected && item->check == ~expected;
            ring.Pop();
            ++expected;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_TRUE(ordered);
    EXPECT_FALSE(ring.Front());
}

TEST(SeqLock, ReadersNeverSeeAHalfWrittenValue) {
    struct Value {
        std::uint64_t a;
        std::uint64_t b;
        double c;
    };
    SeqLock<Value> lock;
    lock.Store({0, 0, 0.0});
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            while (!done.load()) {
                const Value v = lock.Load();
                if (v.b != 3 * v.a || v.c != static_cast<double>(v.a) / 2) {
                    ++torn;
                }
            }
        });
    }
    for (std::uint64_t i = 1; i <= 100'000; ++i) {
        lock.Store({i, 3 * i, static_cast<double>(i) / 2});
    }
    done = true;
    for (auto& t : readers) {
        t.join();
    }
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(lock.Load().a, 100'000u);
}

} // namespace
