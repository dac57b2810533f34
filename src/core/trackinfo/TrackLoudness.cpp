#include "core/trackinfo/TrackLoudness.h"

#include <ebur128.h>

#include <algorithm>
#include <limits>
#include <new>

namespace sundrel {

struct LoudnessMeter::State {
    ebur128_state* st = nullptr;
    ~State() {
        if (st != nullptr) {
            ebur128_destroy(&st);
        }
    }
};

LoudnessMeter::LoudnessMeter(unsigned channels, std::uint32_t rate)
    : m_state(std::make_unique<State>()), m_nChannels(std::max(channels, 1u)) {
    m_state->st = ebur128_init(m_nChannels, rate, EBUR128_MODE_I);
    if (m_state->st == nullptr) {
        throw std::bad_alloc();
    }
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::Add(std::span<const float> interleaved) {
    const std::size_t frames = interleaved.size() / m_nChannels;
    if (frames > 0 &&
        ebur128_add_frames_float(m_state->st, interleaved.data(), frames) != EBUR128_SUCCESS) {
        throw std::bad_alloc(); // the library fails only when it cannot allocate
    }
}

double LoudnessMeter::Integrated() const {
    double lufs = 0;
    if (ebur128_loudness_global(m_state->st, &lufs) == EBUR128_SUCCESS) {
        return lufs;
    }
    return -std::numeric_limits<double>::infinity();
}

} // namespace sundrel
