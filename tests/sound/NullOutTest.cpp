#include "sound/NullOut.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// 32-bit float stereo at 96 kHz: 768,000 bytes a second, one 7,680-byte block = 10 ms.
sundrel::WaveFormatEx Fast() {
    return sundrel::MakeWaveFormatEx({sundrel::kFormatFloat, 2, 96000, 32, false});
}
constexpr std::size_t kBlock = 7680;

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

TEST(NullOut, ConsumesBlocksInRealTimeAndReportsEachInOrder) {
    std::vector<std::byte> data(10 * kBlock);
    sundrel::audio::NullOut out;
    std::vector<std::uint64_t> clockAtDone;
    std::atomic<int> done{0};
    ASSERT_TRUE(out.Open(Fast(),
                         [&] {
                             clockAtDone.push_back(out.FramesPlayed());
                             ++done;
                         })
                    .Ok());
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        out.Write(std::span(data).subspan(i * kBlock, kBlock));
    }
    EXPECT_LT(out.FramesPlayed(), 10 * kBlock / 8); // not swallowed at once
    ASSERT_TRUE(WaitFor([&] { return done == 10; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 90ms); // 100 ms of audio
    // Each block is reported once the clock has passed it, in order.
    for (std::size_t i = 0; i < clockAtDone.size(); ++i) {
        EXPECT_GE(clockAtDone[i], (i + 1) * kBlock / 8);
    }
    out.Close();
    EXPECT_EQ(out.FramesPlayed(), 10 * kBlock / 8); // holds after Close

    // Opened again, the clock starts from 0.
    ASSERT_TRUE(out.Open(Fast(), [&] { ++done; }).Ok());
    EXPECT_EQ(out.FramesPlayed(), 0u);
    out.Write(std::span(data).first(kBlock));
    out.Close();
    EXPECT_EQ(out.FramesPlayed(), kBlock / 8);
}

TEST(NullOut, ResetDropsQueuedBlocksAndTheDeviceStaysOpen) {
    std::vector<std::byte> data(50 * kBlock);
    sundrel::audio::NullOut out;
    std::atomic<int> done{0};
    ASSERT_TRUE(out.Open(Fast(), [&] { ++done; }).Ok());
    for (int i = 0; i < 50; ++i) {
        out.Write(std::span(data).subspan(i * kBlock, kBlock));
    }
    ASSERT_TRUE(WaitFor([&] { return done >= 1; }));
    out.Reset();
    const int afterReset = done;
    const std::uint64_t clock = out.FramesPlayed();
    EXPECT_LT(afterReset, 50);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(done, afterReset);
    EXPECT_EQ(out.FramesPlayed(), clock);

    out.Write(std::span(data).first(kBlock));
    ASSERT_TRUE(WaitFor([&] { return done == afterReset + 1; }));
    out.Close();
}

} // namespace
