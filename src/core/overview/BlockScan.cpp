#include "core/overview/BlockScan.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace sundrel::overview {

namespace {

// Interleaved values handled side by side: a multiple of both channel counts, so lane l always
// holds channel l % channels. The loop over the lanes has a fixed count and no branches, which
// GCC turns into packed min/max and float multiply-adds at -O2.
constexpr int kLanes = 16;

struct Lanes {
    std::int16_t min[kLanes];
    std::int16_t max[kLanes];
    // Float keeps the squares of one block (at most 64 per lane, each below 2^30) to a relative
    // error near 1e-7, far below the rounding of the RMS.
    float squares[kLanes];
};

void ScanFull(const std::int16_t* x, std::size_t values, Lanes& a) {
    for (std::size_t i = 0; i < values; i += kLanes) {
        for (int l = 0; l < kLanes; ++l) {
            const std::int16_t v = x[i + static_cast<std::size_t>(l)];
            a.min[l] = v < a.min[l] ? v : a.min[l];
            a.max[l] = v > a.max[l] ? v : a.max[l];
            const auto f = static_cast<float>(v);
            a.squares[l] += f * f;
        }
    }
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

} // namespace

void ScanBlocks(std::span<const std::int16_t> samples, int channels, std::span<BlockSums> out) {
    const auto blockValues = static_cast<std::size_t>(kBaseBlockFrames * channels);
    const std::size_t full = samples.size() / blockValues;
    const std::int16_t* x = samples.data();
    for (std::size_t b = 0; b < full; ++b, x += blockValues) {
        Lanes a;
        std::fill(std::begin(a.min), std::end(a.min), std::int16_t{32767});
        std::fill(std::begin(a.max), std::end(a.max), std::int16_t{-32768});
        std::fill(std::begin(a.squares), std::end(a.squares), 0.0f);
        ScanFull(x, blockValues, a);
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
    const std::size_t rest = samples.size() - full * blockValues;
    if (rest > 0) {
        ScanPartial(x, rest, channels, out.data() + full * static_cast<std::size_t>(channels));
    }
}

} // namespace sundrel::overview
