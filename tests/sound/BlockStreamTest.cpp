#include "sound/BlockStream.h"

#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using sundrel::audio::BlockStream;

std::vector<std::byte> Pattern(std::size_t size) {
    std::vector<std::byte> b(size);
    for (std::size_t i = 0; i < size; ++i) {
        b[i] = static_cast<std::byte>(i % 251);
    }
    return b;
}

// A consumer thread pulls odd amounts while the producer writes blocks of odd sizes, more of
// them than the queue holds at once. The bytes arrive once and in order; each block is
// reported once, in order, and only after the consumer has taken all of it.
TEST(BlockStream, DeliversBytesAndReportsBlocksInOrderAcrossThreads) {
    const std::vector<std::byte> data = Pattern(2'000'000);
    std::vector<std::size_t> blockEnds; // where each block ends in `data`
    for (std::size_t at = 0, size = 1; at < data.size(); size = size * 7 % 4093 + 1) {
        at = std::min(data.size(), at + size);
        blockEnds.push_back(at);
    }
    ASSERT_GT(blockEnds.size(), 2 * BlockStream::kMaxQueuedBlocks);

    BlockStream stream;
    std::atomic<std::size_t> reported{0};
    std::atomic<bool> early{false};
    stream.Begin([&] {
        const std::size_t k = reported++;
        early = early || stream.BytesConsumed() < blockEnds[k];
    });
    std::vector<std::byte> received;
    received.reserve(data.size());
    std::thread consumer([&] {
        std::vector<std::byte> buffer(1500);
        for (std::size_t want = 1; received.size() < data.size(); want = want * 5 % 1499 + 1) {
            const std::size_t n = stream.Pull(buffer.data(), want);
            received.insert(received.end(), buffer.begin(), buffer.begin() + n);
            if (n == 0) {
                std::this_thread::yield();
            }
        }
    });
    std::size_t from = 0;
    for (const std::size_t end : blockEnds) {
        stream.Push(std::span(data).subspan(from, end - from));
        from = end;
    }
    consumer.join();
    EXPECT_TRUE(stream.WaitEmpty(1s));
    EXPECT_EQ(stream.QueuedBytes(), 0u);
    EXPECT_EQ(stream.BytesConsumed(), data.size());
    EXPECT_TRUE(received == data);
    for (int i = 0; i < 500 && reported < blockEnds.size(); ++i) {
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(reported, blockEnds.size());
    EXPECT_FALSE(early);
    stream.End();
}

TEST(BlockStream, DropForgetsQueuedAndFinishedBlocksAndTheStreamGoesOn) {
    BlockStream stream;
    std::atomic<int> calls{0};
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    stream.Begin([&] {
        if (++calls == 1) {
            entered.set_value();
            released.wait();
        }
    });
    const std::vector<std::byte> data = Pattern(1000);
    for (int i = 0; i < 10; ++i) {
        stream.Push(std::span(data).subspan(i * 100, 100));
    }
    EXPECT_EQ(stream.QueuedBytes(), 1000u);
    EXPECT_EQ(stream.Pull(nullptr, 350), 350u); // three blocks finished, the fourth begun
    entered.get_future().wait();
    // A Drop waits for the callback in progress; the other two finished blocks are never
    // reported, and the queued ones are gone.
    auto dropped = std::async(std::launch::async, [&] { stream.Drop(); });
    EXPECT_EQ(dropped.wait_for(50ms), std::future_status::timeout);
    release.set_value();
    dropped.wait();
    EXPECT_EQ(stream.QueuedBytes(), 0u);
    std::byte out[100];
    EXPECT_EQ(stream.Pull(out, 100), 0u);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(calls, 1);

    // New blocks start from their first byte and are reported again.
    stream.Push(std::span(data).subspan(500, 100));
    EXPECT_EQ(stream.Pull(out, 100), 100u);
    EXPECT_EQ(out[0], data[500]);
    for (int i = 0; i < 500 && calls < 2; ++i) {
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(stream.BytesConsumed(), 450u); // never decreases
    stream.End();
}

} // namespace
