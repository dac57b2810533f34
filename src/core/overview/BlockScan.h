#pragma once

#include <cstdint>
#include <span>

namespace sundrel::overview {

// Frames of one block of the finest summary level.
inline constexpr std::int64_t kBaseBlockFrames = 512;

// Extremes and the sum of squares of one block of one channel, before the RMS is rounded, so
// coarser blocks can be combined from them exactly.
struct BlockSums {
    std::int16_t min = 0;
    std::int16_t max = 0;
    double squares = 0.0;
};

// The code that scans whole blocks: plain C++, or hand-written SSE2 or AVX2 (x86-64 only).
// All give the same results; ScanBlocks picks the fastest the processor has.
enum class ScanKernel { Portable, Sse2, Avx2 };

// Whether this build and processor can run `kernel`.
bool ScanKernelAvailable(ScanKernel kernel);

// Scans interleaved full-scale samples of `channels` (1 or 2) channels in blocks of
// kBaseBlockFrames frames; the last block holds what is left. `out` gets one entry per block
// and channel, at block * channels + channel, and must hold exactly that many.
void ScanBlocks(std::span<const std::int16_t> samples, int channels, std::span<BlockSums> out);

// The same with a given kernel, which must be available.
void ScanBlocks(ScanKernel kernel, std::span<const std::int16_t> samples, int channels,
                std::span<BlockSums> out);

} // namespace sundrel::overview
