#pragma once

// The x86 vector kernels of BlockScan, each for whole blocks only.

#include "core/overview/BlockScan.h"

#include <cstddef>
#include <cstdint>

namespace sundrel::overview {

#if defined(__SSE2__)
#define SUNDREL_SCAN_X86 1

// Scans `blocks` whole blocks of interleaved `channels` (1 or 2) channels starting at `x`
// into out[block * channels + channel].
void ScanWholeBlocksSse2(const std::int16_t* x, std::size_t blocks, int channels, BlockSums* out);
// The same with AVX2; call it only where the processor has AVX2.
void ScanWholeBlocksAvx2(const std::int16_t* x, std::size_t blocks, int channels, BlockSums* out);
#endif

} // namespace sundrel::overview
