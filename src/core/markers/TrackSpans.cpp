#include "core/markers/TrackSpans.h"

#include "core/markers/MarkerMath.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace sundrel {

void CheckSplitPercents(std::span<const float> percents) {
    if (percents.size() < 2) {
        throw std::invalid_argument("Split needs at least two percentages (0 and 100)");
    }
    for (std::size_t i = 0; i < percents.size(); ++i) {
        const float p = percents[i];
        if (!(p >= 0.0f && p <= 100.0f)) {
            throw std::invalid_argument("Split percentage " + std::to_string(i) +
                                        " is not in 0..100");
        }
        if (i > 0 && p < percents[i - 1]) {
            throw std::invalid_argument("Split percentages are not in ascending order");
        }
    }
    if (percents.front() != 0.0f || percents.back() != 100.0f) {
        throw std::invalid_argument("Split percentages must run from 0 to 100");
    }
}

std::vector<TrackSpan> PlanTracks(std::span<const float> percents, std::uint64_t dataSize,
                                  std::uint32_t frameSize) {
    CheckSplitPercents(percents);
    const std::size_t n = percents.size();
    const std::uint64_t unit = AlignmentUnit(frameSize);
    const double size = static_cast<double>(dataSize);
    const double factor = static_cast<double>(kPercentFactor);

    // Raw lengths. The spans are non-negative and at most 100 % of the data, so each fits.
    std::vector<std::uint64_t> len(n, 0);
    for (std::size_t i = 1; i < n; ++i) {
        const double span = static_cast<double>(percents[i]) - static_cast<double>(percents[i - 1]);
        len[i] = static_cast<std::uint64_t>(std::trunc(span * size * factor));
    }
    // Alignment, carrying the complement of each remainder into the next track.
    for (std::size_t i = 1; i < n; ++i) {
        const std::uint64_t r = len[i] % unit;
        if (r != 0) {
            len[i] -= r;
            if (i < n - 1) {
                len[i + 1] += unit - r;
            }
        }
    }

    // The carries can add up to a few bytes more than the data holds when many markers sit
    // close together near the end of a short mix: such tracks are cut at the last aligned
    // byte, so no track starts past the data.
    const std::uint64_t lastAligned = dataSize - dataSize % unit;
    std::vector<TrackSpan> tracks;
    tracks.reserve(n - 1);
    std::uint64_t start = 0;
    for (std::size_t i = 1; i < n; ++i) {
        const std::uint64_t length =
            i == n - 1 ? dataSize - start : std::min(len[i], lastAligned - start);
        tracks.push_back({start, length});
        start += length;
    }
    return tracks;
}

std::vector<TrackSpan> PlanTracksAtFrames(std::span<const Marker> markers, std::uint64_t dataSize,
                                          std::uint32_t frameSize) {
    const std::uint64_t frames = frameSize == 0 ? 0 : dataSize / frameSize;
    std::vector<std::uint64_t> bounds;
    bounds.reserve(markers.size() + 1);
    bool startMarked = false;
    for (const Marker& m : markers) {
        const std::uint64_t frame =
            m.frame <= 0 ? 0 : std::min(static_cast<std::uint64_t>(m.frame), frames);
        bounds.push_back(frame * frameSize);
        startMarked = startMarked || (m.percent ? *m.percent == 0.0f : frame == 0);
    }
    if (!startMarked) {
        bounds.push_back(0);
    }
    std::sort(bounds.begin(), bounds.end());

    std::vector<TrackSpan> tracks;
    tracks.reserve(bounds.size());
    for (std::size_t i = 0; i < bounds.size(); ++i) {
        const std::uint64_t end = i + 1 < bounds.size() ? bounds[i + 1] : dataSize;
        tracks.push_back({bounds[i], end - bounds[i]});
    }
    return tracks;
}

std::vector<std::size_t> ShortTracks(std::span<const TrackSpan> plan, std::uint32_t byteRate) {
    std::vector<std::size_t> tracks;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].size < byteRate) {
            tracks.push_back(i);
        }
    }
    return tracks;
}

} // namespace sundrel
