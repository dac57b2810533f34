#include "core/overview/StereoScanX86.h"

#include <gtest/gtest.h>

#if defined(SUNDREL_STEREO_SCAN_X86)

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using sundrel::overview::BlockSums;
using sundrel::overview::kBaseBlockFrames;
using sundrel::overview::ScanStereoBlocks;
using sundrel::overview::StereoKernel;
using sundrel::overview::StereoKernelAvailable;

constexpr std::size_t kBlock = static_cast<std::size_t>(kBaseBlockFrames);

struct Result {
    std::vector<BlockSums> sums;
    std::vector<float> steps;
    std::vector<double> energy;
};

Result ScanWith(StereoKernel kernel, const std::int16_t* x, std::size_t blocks, int decimate) {
    Result r{std::vector<BlockSums>(blocks * 2),
             std::vector<float>(blocks * kBlock / static_cast<std::size_t>(decimate)),
             std::vector<double>(blocks)};
    ScanStereoBlocks(kernel, x, blocks, decimate, r.sums.data(), r.steps.data(), r.energy.data());
    return r;
}

// Stretches of both channels at -32768 (two squares overflow a signed 32-bit lane, the channel
// sum is -65536), of the channels at opposite ends, and of full-scale noise, whose float
// energies round differently if any lane adds its products in another order.
std::vector<std::int16_t> Samples(std::size_t frames, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> full(-32768, 32767);
    std::vector<std::int16_t> x(frames * 2);
    for (std::size_t i = 0; i < x.size(); ++i) {
        const std::size_t phase = (i / 2 + 37 * seed) % 1600;
        const int v = phase < 300   ? -32768
                      : phase < 500 ? (i % 2 == 0 ? 32767 : -32768)
                                    : full(rng);
        x[i] = static_cast<std::int16_t>(v);
    }
    return x;
}

// Every served group size, one block and several, samples starting on odd addresses: the
// kernel's min/max/RMS sums are the exact extremes and sums of squares, its group sums the exact
// integer sums, and its energies the exact sums of squares to float's rounding. The 512-bit kernel
// must also give the 256-bit kernel's energies bit for bit: the band scan's own front end
// computes them as the latter does, and a summary must not depend on the processor's width.
void ExpectMatches(StereoKernel kernel) {
    for (const int decimate : {4, 8, 16, 32}) {
        for (const std::size_t blocks : {std::size_t{1}, std::size_t{7}}) {
            for (const std::size_t offset : {0, 1, 3}) {
                const std::string where = "groups of " + std::to_string(decimate) + ", " +
                                          std::to_string(blocks) + " blocks at offset " +
                                          std::to_string(offset);
                const auto made = Samples(blocks * kBlock, static_cast<unsigned>(decimate));
                std::vector<std::int16_t> buffer(made.size() + offset);
                std::copy(made.begin(), made.end(), buffer.begin() + static_cast<long>(offset));
                const std::int16_t* x = buffer.data() + offset;

                const Result got = ScanWith(kernel, x, blocks, decimate);
                for (std::size_t k = 0; k < blocks * 2; ++k) {
                    const std::size_t b = k / 2;
                    const std::size_t c = k % 2;
                    int lo = 32767;
                    int hi = -32768;
                    long long squares = 0;
                    for (std::size_t f = b * kBlock; f < (b + 1) * kBlock; ++f) {
                        const int v = made[2 * f + c];
                        lo = std::min(lo, v);
                        hi = std::max(hi, v);
                        squares += static_cast<long long>(v) * v;
                    }
                    ASSERT_EQ(got.sums[k].min, lo) << where << ", entry " << k;
                    ASSERT_EQ(got.sums[k].max, hi) << where << ", entry " << k;
                    ASSERT_EQ(got.sums[k].squares, static_cast<double>(squares))
                        << where << ", entry " << k;
                }
                const auto d = static_cast<std::size_t>(decimate);
                for (std::size_t g = 0; g < got.steps.size(); ++g) {
                    long long sum = 0;
                    for (std::size_t i = 2 * g * d; i < 2 * (g + 1) * d; ++i) {
                        sum += made[i];
                    }
                    ASSERT_EQ(got.steps[g], static_cast<float>(sum)) << where << ", group " << g;
                }
                for (std::size_t b = 0; b < blocks; ++b) {
                    double exact = 0.0;
                    for (std::size_t f = b * kBlock; f < (b + 1) * kBlock; ++f) {
                        const double s = double(made[2 * f]) + double(made[2 * f + 1]);
                        exact += s * s;
                    }
                    ASSERT_NEAR(got.energy[b], exact, exact * 1e-5 + 1.0)
                        << where << ", block " << b;
                }
                if (kernel != StereoKernel::Avx2) {
                    const Result narrow = ScanWith(StereoKernel::Avx2, x, blocks, decimate);
                    for (std::size_t b = 0; b < blocks; ++b) {
                        ASSERT_EQ(got.energy[b], narrow.energy[b]) << where << ", block " << b;
                    }
                }
            }
        }
    }
}

TEST(StereoScan, TheAvx2KernelGivesExactExtremesSumsAndEnergies) {
    if (!StereoKernelAvailable(StereoKernel::Avx2)) {
        GTEST_SKIP() << "this processor has no AVX2 and FMA: the 256-bit kernel is not run";
    }
    ExpectMatches(StereoKernel::Avx2);
}

TEST(StereoScan, TheAvx512KernelGivesTheSameAndTheAvx2EnergiesBitForBit) {
    if (!StereoKernelAvailable(StereoKernel::Avx512)) {
        GTEST_SKIP() << "this processor has no AVX-512F/BW: the 512-bit kernel is not run";
    }
    ExpectMatches(StereoKernel::Avx512);
}

TEST(StereoScan, GroupSizesItDoesNotTakeAreRefused) {
    std::vector<std::int16_t> x(kBlock * 2);
    for (const StereoKernel kernel : {StereoKernel::Avx2, StereoKernel::Avx512}) {
        if (StereoKernelAvailable(kernel)) {
            EXPECT_THROW(ScanWith(kernel, x.data(), 1, 2), std::invalid_argument);
            EXPECT_THROW(ScanWith(kernel, x.data(), 1, 64), std::invalid_argument);
        }
    }
}

} // namespace

#endif
