#include "core/overview/BlockScan.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using sundrel::overview::BlockSums;
using sundrel::overview::kBaseBlockFrames;
using sundrel::overview::ScanBlocks;
using sundrel::overview::ScanKernel;
using sundrel::overview::ScanKernelAvailable;

// Every block and channel the slow way, sums of squares in exact integers.
std::vector<BlockSums> BruteForce(const std::vector<std::int16_t>& x, std::size_t first,
                                  std::size_t count, int channels) {
    std::vector<BlockSums> out;
    const auto blockValues = static_cast<std::size_t>(kBaseBlockFrames * channels);
    for (std::size_t b = 0; b < count; b += blockValues) {
        for (int c = 0; c < channels; ++c) {
            BlockSums s{32767, -32768, 0.0};
            std::int64_t squares = 0;
            for (std::size_t i = b + static_cast<std::size_t>(c);
                 i < std::min(count, b + blockValues); i += static_cast<std::size_t>(channels)) {
                const std::int16_t v = x[first + i];
                s.min = std::min(s.min, v);
                s.max = std::max(s.max, v);
                squares += std::int64_t{v} * v;
            }
            s.squares = static_cast<double>(squares);
            out.push_back(s);
        }
    }
    return out;
}

struct Signal {
    const char* name;
    std::function<std::int16_t(std::size_t, std::mt19937&)> value;
};

TEST(BlockScan, EveryKernelMatchesBruteForce) {
    const Signal signals[] = {
        {"full-range noise",
         [](std::size_t, std::mt19937& r) {
             return static_cast<std::int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(r));
         }},
        // Two squares of -32768 overflow a signed 32-bit lane.
        {"all -32768", [](std::size_t, std::mt19937&) { return std::int16_t{-32768}; }},
        {"all 32767", [](std::size_t, std::mt19937&) { return std::int16_t{32767}; }},
        {"left -32768, right 32767",
         [](std::size_t i, std::mt19937&) {
             return static_cast<std::int16_t>(i % 2 == 0 ? -32768 : 32767);
         }},
        {"quiet", [](std::size_t i, std::mt19937&) { return static_cast<std::int16_t>(i % 3); }},
    };
    // Whole blocks only, whole blocks and a partial one, less than one block; started one
    // sample past an aligned address too, as a span into a larger buffer may be.
    const std::size_t frameCounts[] = {8 * 512, 5 * 512 + 77, 300};
    const ScanKernel kernels[] = {ScanKernel::Portable, ScanKernel::Sse2, ScanKernel::Avx2};
    for (const ScanKernel kernel : kernels) {
        if (!ScanKernelAvailable(kernel)) {
            continue;
        }
        for (const Signal& signal : signals) {
            for (const int channels : {1, 2}) {
                for (const std::size_t frames : frameCounts) {
                    for (const std::size_t first : {std::size_t{0}, std::size_t{1}}) {
                        const std::string where = std::string(signal.name) + ", kernel " +
                                                  std::to_string(static_cast<int>(kernel)) + ", " +
                                                  std::to_string(channels) + " ch, " +
                                                  std::to_string(frames) + " frames at +" +
                                                  std::to_string(first);
                        std::mt19937 rng(7);
                        const std::size_t count = frames * static_cast<std::size_t>(channels);
                        std::vector<std::int16_t> x(first + count);
                        for (std::size_t i = 0; i < count; ++i) {
                            x[first + i] = signal.value(i, rng);
                        }
                        const auto want = BruteForce(x, first, count, channels);
                        std::vector<BlockSums> got(want.size());
                        ScanBlocks(kernel, std::span(x).subspan(first), channels, got);
                        for (std::size_t k = 0; k < want.size(); ++k) {
                            ASSERT_EQ(std::pair(got[k].min, got[k].max),
                                      std::pair(want[k].min, want[k].max))
                                << where << ", entry " << k;
                            // The plain kernel sums in float; the vector ones are exact.
                            const double tolerance =
                                kernel == ScanKernel::Portable ? want[k].squares * 1e-5 : 0.0;
                            ASSERT_NEAR(got[k].squares, want[k].squares, tolerance)
                                << where << ", entry " << k;
                        }
                    }
                }
            }
        }
    }
}

TEST(BlockScan, TheDefaultKernelIsAvailableAndPortableAlwaysIs) {
    EXPECT_TRUE(ScanKernelAvailable(ScanKernel::Portable));
#if defined(__x86_64__)
    EXPECT_TRUE(ScanKernelAvailable(ScanKernel::Sse2));
    EXPECT_EQ(ScanKernelAvailable(ScanKernel::Avx2), __builtin_cpu_supports("avx2") != 0);
#endif
}

} // namespace
