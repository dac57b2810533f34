#include "core/audio/SampleReader.h"

#include <bit>
#include <cmath>
#include <stdexcept>
#include <string>

namespace sundrel {

SampleReader::SampleReader(std::span<const std::byte> data, const WaveFormat& format)
    : m_data(data), m_format(format), m_nBytesPerElement(format.bitsPerSample / 8u),
      m_nElements(m_nBytesPerElement == 0
                      ? 0
                      : static_cast<std::int64_t>(data.size() / m_nBytesPerElement)) {}

namespace {

// One element of `bytesPerElement` bytes at `p` on the common scale (see SampleReader).
inline std::int32_t Decode(const std::byte* p, std::uint32_t bytesPerElement, bool isFloat) {
    const auto u = [p](int i) { return std::to_integer<std::uint32_t>(p[i]); };
    switch (bytesPerElement) {
    case 1:
        return static_cast<std::int32_t>(u(0)) - 128;
    case 2:
        return static_cast<std::int16_t>(u(0) | (u(1) << 8));
    case 3: {
        const std::uint32_t raw = (u(0) << 8) | (u(1) << 16) | (u(2) << 24);
        return static_cast<std::int32_t>(raw) >> 16;
    }
    default: {
        const std::uint32_t raw = u(0) | (u(1) << 8) | (u(2) << 16) | (u(3) << 24);
        if (!isFloat) {
            return static_cast<std::int32_t>(raw) >> 16;
        }
        const float f = std::bit_cast<float>(raw);
        if (!(f == f)) {
            return 0; // NaN draws as silence
        }
        const double v = std::round(static_cast<double>(f) * 32767.0);
        return static_cast<std::int32_t>(std::fmax(-32768.0, std::fmin(32767.0, v)));
    }
    }
}

// Decodes `out.size()` elements from `p` with the element size fixed at compile time, so the
// loop carries no switch.
template <std::uint32_t kBytes>
void DecodeRun(const std::byte* p, std::span<std::int32_t> out, bool isFloat) {
    for (std::int32_t& v : out) {
        v = Decode(p, kBytes, isFloat);
        p += kBytes;
    }
}

} // namespace

std::int32_t SampleReader::Element(std::int64_t index) const {
    if (!Contains(index)) {
        throw std::out_of_range("sample element " + std::to_string(index) + " outside 0.." +
                                std::to_string(m_nElements));
    }
    return Decode(m_data.data() + static_cast<std::size_t>(index) * m_nBytesPerElement,
                  m_nBytesPerElement, m_format.IsFloat());
}

void SampleReader::Elements(std::int64_t first, std::span<std::int32_t> out) const {
    const auto count = static_cast<std::int64_t>(out.size());
    if (first < 0 || count > m_nElements - first) {
        throw std::out_of_range("sample elements " + std::to_string(first) + ".." +
                                std::to_string(first + count) + " outside 0.." +
                                std::to_string(m_nElements));
    }
    const std::byte* p = m_data.data() + static_cast<std::size_t>(first) * m_nBytesPerElement;
    switch (m_nBytesPerElement) {
    case 1:
        return DecodeRun<1>(p, out, false);
    case 2:
        return DecodeRun<2>(p, out, false);
    case 3:
        return DecodeRun<3>(p, out, false);
    default:
        return DecodeRun<4>(p, out, m_format.IsFloat());
    }
}

} // namespace sundrel
