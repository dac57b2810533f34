#pragma once

#include "core/overview/BlockScan.h"

#include <cstdint>
#include <span>

namespace sundrel::overview {

// Low, mid and high band energy of one summary block: sums of squares of the mono sum (the
// mean of the channels, 16-bit full scale) split at about 200 Hz and 2 kHz. The three add up
// to the block's whole energy: each band is a share of it.
struct BandSums {
    double low = 0.0;
    double mid = 0.0;
    double high = 0.0;
};

// One lowpass biquad (second-order Butterworth from the bilinear transform, prewarped so that
// the cutoff is at -3 dB), normalised so that a0 = 1 and the gain at 0 Hz is 1. A lowpass has
// b1 = 2 b0 and b2 = b0. hb0 is b0 of the highpass with the same poles (b1 = -2 hb0,
// b2 = hb0), whose power gain adds up with the lowpass's to 1 at every frequency.
struct Lowpass {
    float b0 = 1.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;
    float hb0 = 0.0f;
};
Lowpass DesignLowpass(double cutoff, double rate);

// How the bands are computed for one sample rate. The mono sum is summed over groups of
// `decimate` frames (a box filter whose zeros fall where the groups alias) and low-passed at
// the upper crossover; that signal's energy is what lies below it, the rest of the block's
// energy is the high band. It is summed again over groups of `decimateLow` and split at the
// lower crossover by a lowpass (the low band) and a highpass (mid, with what the second group
// sums took out). Working on fewer samples keeps the filters to a small part of the summary
// pass; both factors are powers of two that divide a block.
struct BandPlan {
    int decimate = 1;
    int decimateLow = 1;
    int primeBlocks = 1; // BandLeadInFrames in blocks
    Lowpass upper;
    Lowpass lower;
};
inline constexpr double kLowCrossover = 200.0;
inline constexpr double kHighCrossover = 2000.0;
BandPlan PlanBands(std::uint32_t sampleRate);

// Frames before a chunk that the band filters should see first, so that their state at the
// chunk's start is (to far below the 16-bit resolution) what running over the whole mix
// gives: about 20 ms, in whole blocks.
std::int64_t BandLeadInFrames(std::uint32_t sampleRate);

// Scans interleaved full-scale samples of `channels` (1 or 2) channels whose first
// `leadFrames` frames come before the blocks: they only prime the filters. From there on,
// blocks of kBaseBlockFrames frames as ScanBlocks cuts them (the last holds what is left);
// `out` gets one entry per block and must hold exactly that many. Where fewer lead-in frames
// are given than BandLeadInFrames asks for, the filters start from silence before them (at
// the start of the mix, exactly what happens). The work is split into independent runs of
// blocks that are filtered side by side, each primed by the frames before it.
void ScanBands(std::span<const std::int16_t> samples, int channels, std::int64_t leadFrames,
               const BandPlan& plan, std::span<BandSums> out);

// ScanBands, and ScanBlocks over the same blocks (the lead-in left out) into `sums` (one per
// block and channel), each with exactly its own results. Where the processor and the format
// allow (16-bit stereo, AVX2 or AVX-512BW), one pass over the samples serves both.
void ScanBlocksAndBands(std::span<const std::int16_t> samples, int channels,
                        std::int64_t leadFrames, const BandPlan& plan, std::span<BandSums> out,
                        std::span<BlockSums> sums);

} // namespace sundrel::overview
