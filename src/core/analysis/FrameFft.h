#pragma once

#include <cstddef>
#include <memory>
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

} // namespace sundrel
