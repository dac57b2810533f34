#pragma once

#include "core/riff/WaveLayout.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace sundrel {

// Reads sample elements (one value of one channel) from the audio bytes of a mix.
// Element values share one scale per format so drawing code needs a single formula:
// value / Scale() lies in [-1, 1). 8-bit data keeps its exact byte steps (byte - 128 over 128);
// every other format is brought to the 16-bit range (over 32767), deeper formats by dropping
// low bits and float by scaling and clamping.
class SampleReader {
  public:
    SampleReader(std::span<const std::byte> data, const WaveFormat& format);

    std::int64_t ElementCount() const { return m_nElements; }
    std::int32_t Scale() const { return m_nBytesPerElement == 1 ? 128 : 32767; }
    bool Contains(std::int64_t index) const { return index >= 0 && index < m_nElements; }

    // Element `index`, counted from the first audio byte. Throws std::out_of_range outside.
    std::int32_t Element(std::int64_t index) const;

    // Elements first .. first + out.size() - 1 into `out`, as Element gives them, for passes
    // over long stretches. Throws std::out_of_range unless all lie inside.
    void Elements(std::int64_t first, std::span<std::int32_t> out) const;

  private:
    std::span<const std::byte> m_data;
    WaveFormat m_format;
    std::uint32_t m_nBytesPerElement;
    std::int64_t m_nElements;
};

} // namespace sundrel
