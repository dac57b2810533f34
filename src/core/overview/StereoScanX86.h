#pragma once

// One pass over whole blocks of 16-bit stereo that does the work of the min/max/RMS scan and
// of the band scan's front end at once, so the samples are read once (x86-64 with AVX2 and
// FMA, or AVX-512BW, which does the same work on twice as many frames per instruction).

#include "core/overview/BlockScan.h"

#include <cstddef>
#include <cstdint>

namespace sundrel::overview {

#if defined(__x86_64__)
#define SUNDREL_STEREO_SCAN_X86 1

// The code of the fused scan: 256-bit AVX2 with FMA, or 512-bit AVX-512 (F and BW, with
// FMA). Both give the same results bit for bit.
enum class StereoKernel { Avx2, Avx512 };

// Whether this processor runs `kernel`.
bool StereoKernelAvailable(StereoKernel kernel);

// Whether this processor runs ScanStereoBlocks with groups of `decimate` frames: it needs
// AVX2 and FMA, and takes groups of 4, 8, 16 or 32 frames.
bool StereoScanServes(int decimate);

// For `blocks` whole blocks of interleaved 16-bit stereo starting at `x`:
// - out[2 b + c]: block b, channel c, exactly as ScanBlocks gives it;
// - energy[b]: the sum of squares of the frames' channel sums (left + right) of block b;
// - steps[b * (kBaseBlockFrames / decimate) + g]: the sum of the channel sums of group g of
//   block b (exact integers, as floats).
// energy and steps are what the band scan's own front end computes, bit for bit.
// The fastest kernel the processor has does the work.
void ScanStereoBlocks(const std::int16_t* x, std::size_t blocks, int decimate, BlockSums* out,
                      float* steps, double* energy);

// The same with a given kernel, which must be available.
void ScanStereoBlocks(StereoKernel kernel, const std::int16_t* x, std::size_t blocks, int decimate,
                      BlockSums* out, float* steps, double* energy);
#endif

} // namespace sundrel::overview
