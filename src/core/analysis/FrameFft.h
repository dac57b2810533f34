#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace sundrel {

// The power spectrum |X(k)|^2, k = 0..size/2, of one Hann-windowed frame of `size` real
// samples. The only place core calls the FFT library; one object per thread.
class FrameFft {
  public:
    explicit FrameFft(std::size_t size);
    ~FrameFft();
    FrameFft(const FrameFft&) = delete;
    FrameFft& operator=(const FrameFft&) = delete;

    std::size_t Size() const { return m_nSize; }
    std::size_t Bins() const { return m_nSize / 2 + 1; }

    // `frame` holds Size() samples. The result stays valid until the next call.
    std::span<const float> Compute(std::span<const float> frame);

  private:
    struct Plan;
    std::size_t m_nSize;
    std::vector<float> m_window;
    std::vector<float> m_power;
    std::unique_ptr<Plan> m_plan;
};

// The lock around every FFT plan made or destroyed in the program: the FFT library's planner is
// not thread-safe. Other users of the library (aubio, whose own lock does not know of this
// one) make and destroy their objects under it too.
std::mutex& FftPlannerMutex();

} // namespace sundrel
