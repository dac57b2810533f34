#include "core/markers/Marker.h"

#include "core/markers/TrackSpans.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace sundrel {

Marker PercentMarker(float percent) {
    Marker marker;
    marker.percent = percent;
    return marker;
}

Marker FrameMarker(std::int64_t frame) {
    Marker marker;
    marker.frame = frame;
    return marker;
}

std::int64_t FrameAtSeconds(double seconds, std::uint32_t rate, std::int64_t frames) {
    if (!(seconds > 0.0) || rate == 0 || frames <= 0) {
        return 0;
    }
    // Exact for every time a mix can have: seconds * rate stays far below 2^53.
    const double frame = std::floor(seconds * static_cast<double>(rate) + 0.5);
    if (!(frame < static_cast<double>(frames))) {
        return frames;
    }
    return static_cast<std::int64_t>(frame);
}

double SecondsAtFrame(std::int64_t frame, std::uint32_t rate) {
    return rate == 0 ? 0.0 : static_cast<double>(frame) / static_cast<double>(rate);
}

void ResolvePercentFrames(std::span<Marker> markers, std::uint64_t dataSize,
                          std::uint32_t frameSize) {
    // Frame markers kept from a longer mix end at this one's end.
    const auto frames =
        frameSize == 0 ? std::int64_t{0} : static_cast<std::int64_t>(dataSize / frameSize);
    for (Marker& marker : markers) {
        if (!marker.percent && frameSize != 0) {
            marker.frame = std::clamp<std::int64_t>(marker.frame, 0, frames);
        }
    }
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < markers.size(); ++i) {
        if (markers[i].percent && *markers[i].percent >= 0.0f && *markers[i].percent <= 100.0f) {
            order.push_back(i);
        } else if (markers[i].percent) {
            markers[i].frame = 0; // not a percentage Split could cut at
        }
    }
    if (order.empty() || frameSize == 0) {
        for (std::size_t i : order) {
            markers[i].frame = 0;
        }
        return;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return *markers[a].percent < *markers[b].percent;
    });
    // The percentages Split cuts at: 0 first (unless the smallest is 0), then the markers,
    // then 100. Track k of the plan starts at the boundary of the k-th percentage.
    std::vector<float> percents;
    percents.reserve(order.size() + 2);
    const bool startsAtZero = *markers[order.front()].percent == 0.0f;
    if (!startsAtZero) {
        percents.push_back(0.0f);
    }
    for (std::size_t i : order) {
        percents.push_back(*markers[i].percent);
    }
    percents.push_back(100.0f);
    const std::vector<TrackSpan> tracks = PlanTracks(percents, dataSize, frameSize);
    const std::size_t first = startsAtZero ? 0 : 1;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::uint64_t offset =
            first + k < tracks.size() ? tracks[first + k].offset : dataSize;
        markers[order[k]].frame = static_cast<std::int64_t>(offset / frameSize);
    }
}

bool AllPercentUnnamed(std::span<const Marker> markers) {
    return std::all_of(markers.begin(), markers.end(), [](const Marker& m) {
        return m.percent.has_value() && m.title.empty() && m.artist.empty() && m.number == 0 &&
               m.sourceFile.empty();
    });
}

std::vector<std::size_t> FrameOrder(std::span<const Marker> markers) {
    std::vector<std::size_t> order(markers.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return markers[a].frame < markers[b].frame;
    });
    return order;
}

} // namespace sundrel
