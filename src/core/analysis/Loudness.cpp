#include "core/analysis/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace sundrel {

double IntegratedLoudness(std::span<const float> mono, std::uint32_t rate) {
    constexpr double kNone = -std::numeric_limits<double>::infinity();
    if (rate == 0 || mono.empty()) {
        return kNone;
    }
    const std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> state(
        ebur128_init(1, rate, EBUR128_MODE_I), [](ebur128_state* s) { ebur128_destroy(&s); });
    if (!state) {
        return kNone;
    }
    constexpr std::size_t kChunk = 1 << 16;
    for (std::size_t at = 0; at < mono.size(); at += kChunk) {
        const std::size_t n = std::min(kChunk, mono.size() - at);
        if (ebur128_add_frames_float(state.get(), mono.data() + at, n) != EBUR128_SUCCESS) {
            return kNone;
        }
    }
    double lufs = kNone;
    if (ebur128_loudness_global(state.get(), &lufs) != EBUR128_SUCCESS) {
        return kNone;
    }
    return lufs;
}

} // namespace sundrel
