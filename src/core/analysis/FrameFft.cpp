#include "core/analysis/FrameFft.h"

#include <fftw3.h>

#include <cmath>
#include <mutex>
#include <numbers>
#include <stdexcept>

namespace sundrel {

namespace {
// FFTW's planner is not thread-safe; executing a plan is.
std::mutex g_planMutex;
} // namespace

struct FrameFft::Plan {
    float* in = nullptr;
    fftwf_complex* out = nullptr;
    fftwf_plan plan = nullptr;
};

FrameFft::FrameFft(std::size_t size)
    : m_nSize(size), m_window(size), m_power(size / 2 + 1), m_plan(std::make_unique<Plan>()) {
    if (size < 2 || size % 2 != 0) {
        throw std::invalid_argument("spectrum size must be even and at least 2");
    }
    for (std::size_t i = 0; i < size; ++i) {
        m_window[i] = static_cast<float>(
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                 static_cast<double>(size)));
    }
    const std::lock_guard lock(g_planMutex);
    m_plan->in = fftwf_alloc_real(size);
    m_plan->out = fftwf_alloc_complex(size / 2 + 1);
    if (!m_plan->in || !m_plan->out) {
        fftwf_free(m_plan->in);
        fftwf_free(m_plan->out);
        throw std::bad_alloc();
    }
    m_plan->plan =
        fftwf_plan_dft_r2c_1d(static_cast<int>(size), m_plan->in, m_plan->out, FFTW_ESTIMATE);
}

std::mutex& FftPlannerMutex() {
    return g_planMutex;
}

FrameFft::~FrameFft() {
    const std::lock_guard lock(g_planMutex);
    fftwf_destroy_plan(m_plan->plan);
    fftwf_free(m_plan->in);
    fftwf_free(m_plan->out);
}

std::span<const float> FrameFft::Compute(std::span<const float> frame) {
    if (frame.size() != m_nSize) {
        throw std::invalid_argument("frame size differs from the spectrum size");
    }
    for (std::size_t i = 0; i < m_nSize; ++i) {
        m_plan->in[i] = frame[i] * m_window[i];
    }
    fftwf_execute(m_plan->plan);
    for (std::size_t k = 0; k < m_power.size(); ++k) {
        const float re = m_plan->out[k][0];
        const float im = m_plan->out[k][1];
        m_power[k] = re * re + im * im;
    }
    return m_power;
}

} // namespace sundrel
