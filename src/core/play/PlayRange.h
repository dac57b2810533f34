#pragma once

#include <algorithm>
#include <cstdint>

namespace sundrel {

// A span of the mix to play, in frames from the first frame of the audio data: the frames
// firstFrame .. endFrame - 1. Playing a range starts exactly on its first frame and stops
// after the frame before endFrame.
struct PlayRange {
    std::int64_t firstFrame = 0;
    std::int64_t endFrame = 0;

    // The range held within a mix of `frames` frames: 0 <= first <= end <= frames. A range
    // that ends before it begins becomes empty at its (held) first frame.
    PlayRange Within(std::int64_t frames) const {
        const std::int64_t limit = std::max<std::int64_t>(frames, 0);
        const std::int64_t first = std::clamp<std::int64_t>(firstFrame, 0, limit);
        return {first, std::clamp<std::int64_t>(endFrame, first, limit)};
    }

    friend bool operator==(const PlayRange&, const PlayRange&) = default;
};

} // namespace sundrel
