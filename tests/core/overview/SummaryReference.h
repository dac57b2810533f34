#pragma once

// Brute-force reference for the overview summary tests: decodes fixture audio sample by sample
// into 16-bit full scale and folds more than two channels to their mean, independent of the
// summary's own scanning.

#include "core/overview/Peak.h"
#include "support/WavFixture.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace summaryref {

// Frames of the summary's channels (1 or 2) as plain ints, interleaved.
struct Samples {
    int channels = 1;
    std::vector<int> values;
    std::int64_t Frames() const { return static_cast<std::int64_t>(values.size()) / channels; }
    int At(std::int64_t frame, int channel) const {
        return values[static_cast<std::size_t>(frame * channels + channel)];
    }
};

inline int DecodeOne(const std::byte* p, const fixture::Format& f) {
    const auto u = [p](int i) { return std::to_integer<std::uint32_t>(p[i]); };
    if (f.tag == 3) {
        const float x = std::bit_cast<float>(u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24);
        if (std::isnan(x)) {
            return 0;
        }
        return static_cast<int>(std::lround(std::clamp(static_cast<double>(x), -1.0, 1.0) * 32767));
    }
    switch (f.bits) {
    case 8:
        return (static_cast<int>(u(0)) - 128) * 256;
    case 16:
        return static_cast<std::int16_t>(u(0) | u(1) << 8);
    case 24:
        return static_cast<std::int16_t>(u(1) | u(2) << 8);
    default:
        return static_cast<std::int16_t>(u(2) | u(3) << 8);
    }
}

inline Samples Decode(const fixture::Bytes& audio, const fixture::Format& f) {
    const std::size_t bytes = f.bits / 8u;
    const std::size_t frames = audio.size() / f.FrameSize();
    Samples s;
    s.channels = f.channels == 2 ? 2 : 1;
    for (std::size_t fr = 0; fr < frames; ++fr) {
        const std::byte* p = audio.data() + fr * f.FrameSize();
        if (f.channels <= 2) {
            for (int c = 0; c < f.channels; ++c) {
                s.values.push_back(DecodeOne(p + c * bytes, f));
            }
        } else {
            int sum = 0;
            for (int c = 0; c < f.channels; ++c) {
                sum += DecodeOne(p + c * bytes, f);
            }
            s.values.push_back(sum / f.channels);
        }
    }
    return s;
}

// Min/max/RMS of one channel over frames [from, to).
inline sundrel::overview::Peak Over(const Samples& s, int channel, std::int64_t from,
                                    std::int64_t to) {
    int lo = 32767;
    int hi = -32768;
    double squares = 0;
    for (std::int64_t f = from; f < to; ++f) {
        const int v = s.At(f, channel);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        squares += double(v) * v;
    }
    return {static_cast<std::int16_t>(lo), static_cast<std::int16_t>(hi),
            static_cast<std::uint16_t>(std::lround(std::sqrt(squares / double(to - from))))};
}

} // namespace summaryref
