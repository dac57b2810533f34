#include "core/overview/BlockScan.h"

#include "core/overview/BlockScanX86.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

namespace sundrel::overview {

namespace {

// Interleaved values handled side by side: one 128-bit vector of int16, and a multiple of both
// channel counts, so lane l always holds channel l % channels. The lanes live in local arrays
// and the loop over them has a fixed count and no branches, which GCC turns into packed
// min/max and float multiply-adds at -O2 with everything kept in registers.
constexpr int kLanes = 8;

struct Lanes {
    std::int16_t min[kLanes];
    std::int16_t max[kLanes];
    // Float keeps the squares of one block (at most 128 per lane, each at most 2^30) to a
    // relative error near 1e-5 at worst, far below the rounding of the RMS.
    float squares[kLanes];
};

Lanes ScanFull(const std::int16_t* __restrict x, std::size_t values) {
    std::int16_t lo[kLanes];
    std::int16_t hi[kLanes];
    float squares[kLanes];
    for (int l = 0; l < kLanes; ++l) {
        lo[l] = 32767;
        hi[l] = -32768;
        squares[l] = 0.0f;
    }
    for (std::size_t i = 0; i < values; i += kLanes) {
        for (int l = 0; l < kLanes; ++l) {
            const std::int16_t v = x[i + static_cast<std::size_t>(l)];
            lo[l] = v < lo[l] ? v : lo[l];
            hi[l] = v > hi[l] ? v : hi[l];
            const auto f = static_cast<float>(v);
            squares[l] += f * f;
        }
    }
    Lanes a;
    for (int l = 0; l < kLanes; ++l) {
        a.min[l] = lo[l];
        a.max[l] = hi[l];
        a.squares[l] = squares[l];
    }
    return a;
}

// A block of `values` interleaved values (any count), one channel at a time.
void ScanPartial(const std::int16_t* x, std::size_t values, int channels, BlockSums* out) {
    for (int c = 0; c < channels; ++c) {
        BlockSums s{32767, -32768, 0.0};
        for (auto i = static_cast<std::size_t>(c); i < values;
             i += static_cast<std::size_t>(channels)) {
            s.min = std::min(s.min, x[i]);
            s.max = std::max(s.max, x[i]);
            s.squares += static_cast<double>(x[i]) * x[i];
        }
        out[c] = s;
    }
}

// Whole blocks in plain C++, for processors without the vector kernels.
void ScanWholeBlocksPortable(const std::int16_t* x, std::size_t blocks, int channels,
                             BlockSums* out) {
    const auto blockValues = static_cast<std::size_t>(kBaseBlockFrames * channels);
    for (std::size_t b = 0; b < blocks; ++b, x += blockValues) {
        const Lanes a = ScanFull(x, blockValues);
        for (int c = 0; c < channels; ++c) {
            BlockSums s{32767, -32768, 0.0};
            for (int l = c; l < kLanes; l += channels) {
                s.min = std::min(s.min, a.min[l]);
                s.max = std::max(s.max, a.max[l]);
                s.squares += static_cast<double>(a.squares[l]);
            }
            out[b * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = s;
        }
    }
}

ScanKernel BestKernel() {
#if defined(SUNDREL_SCAN_X86)
    // Asked once: the processor does not change while the program runs.
    static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
    return avx2 ? ScanKernel::Avx2 : ScanKernel::Sse2;
#else
    return ScanKernel::Portable;
#endif
}

} // namespace

bool ScanKernelAvailable(ScanKernel kernel) {
    switch (kernel) {
    case ScanKernel::Portable:
        return true;
    case ScanKernel::Sse2:
        return BestKernel() != ScanKernel::Portable;
    case ScanKernel::Avx2:
        return BestKernel() == ScanKernel::Avx2;
    }
    return false;
}

void ScanBlocks(std::span<const std::int16_t> samples, int channels, std::span<BlockSums> out) {
    ScanBlocks(BestKernel(), samples, channels, out);
}

void ScanBlocks(ScanKernel kernel, std::span<const std::int16_t> samples, int channels,
                std::span<BlockSums> out) {
    if (!ScanKernelAvailable(kernel)) {
        throw std::invalid_argument("block scan kernel not available on this processor");
    }
    const auto blockValues = static_cast<std::size_t>(kBaseBlockFrames * channels);
    const std::size_t full = samples.size() / blockValues;
    switch (kernel) {
#if defined(SUNDREL_SCAN_X86)
    case ScanKernel::Avx2:
        ScanWholeBlocksAvx2(samples.data(), full, channels, out.data());
        break;
    case ScanKernel::Sse2:
        ScanWholeBlocksSse2(samples.data(), full, channels, out.data());
        break;
#endif
    default:
        ScanWholeBlocksPortable(samples.data(), full, channels, out.data());
        break;
    }
    const std::size_t rest = samples.size() - full * blockValues;
    if (rest > 0) {
        ScanPartial(samples.data() + full * blockValues, rest, channels,
                    out.data() + full * static_cast<std::size_t>(channels));
    }
}

} // namespace sundrel::overview
