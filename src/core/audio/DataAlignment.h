#pragma once

#include <cstdint>

namespace sundrel {

// Track boundaries fall on multiples of this many bytes: 4, or the frame size where 4 is not
// a whole number of frames (24-bit, 32-bit stereo and float stereo audio).
inline std::uint32_t AlignmentUnit(std::uint32_t frameSize) {
    return frameSize == 0 || 4 % frameSize == 0 ? 4 : frameSize;
}

} // namespace sundrel
