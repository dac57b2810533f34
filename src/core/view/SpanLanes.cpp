#include "core/view/SpanLanes.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

namespace sundrel::view {

std::vector<int> SpanLanes(std::span<const Span> spans) {
    std::vector<std::size_t> order(spans.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return spans[a].start < spans[b].start; });
    std::vector<int> lanes(spans.size(), 0);
    std::vector<double> laneEnds; // where the last span of each row ends
    for (const std::size_t i : order) {
        std::size_t lane = 0;
        while (lane < laneEnds.size() && laneEnds[lane] > spans[i].start) {
            ++lane;
        }
        if (lane == laneEnds.size()) {
            laneEnds.push_back(spans[i].end);
        } else {
            laneEnds[lane] = spans[i].end;
        }
        lanes[i] = static_cast<int>(lane);
    }
    return lanes;
}

} // namespace sundrel::view
