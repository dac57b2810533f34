#include "core/view/LabelLanes.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace sundrel::view {

namespace {

// Right of the marker, or left of it when the text would pass the right edge.
int LeftOf(int x, int width, int stripWidth) {
    const int right = x + 2;
    return right + width > stripWidth ? std::max(0, x - 2 - width) : right;
}

} // namespace

std::vector<LabelPlace> PlaceLabels(std::span<const LabelWish> labels, int stripWidth, int lanes,
                                    int gap) {
    std::vector<LabelPlace> places(labels.size());
    std::vector<std::size_t> order(labels.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [labels](std::size_t a, std::size_t b) {
        if (labels[a].first != labels[b].first) {
            return labels[a].first;
        }
        return labels[a].x < labels[b].x;
    });
    // The spans taken in each lane, [left, right).
    std::vector<std::vector<std::pair<int, int>>> taken(
        static_cast<std::size_t>(std::max(lanes, 0)));
    const auto clear = [&taken, gap](std::size_t lane, int left, int right) {
        return std::none_of(taken[lane].begin(), taken[lane].end(), [&](const auto& span) {
            return left < span.second + gap && span.first < right + gap;
        });
    };
    for (const std::size_t i : order) {
        const LabelWish& wish = labels[i];
        bool placed = false;
        for (const bool shortForm : {false, true}) {
            const int width = shortForm ? wish.shortWidth : wish.width;
            if (width <= 0 || (shortForm && wish.shortWidth >= wish.width)) {
                continue;
            }
            const int left = LeftOf(wish.x, width, stripWidth);
            for (std::size_t lane = 0; lane < taken.size() && !placed; ++lane) {
                if (clear(lane, left, left + width)) {
                    taken[lane].emplace_back(left, left + width);
                    places[i] = {static_cast<int>(lane), left, shortForm};
                    placed = true;
                }
            }
            if (placed) {
                break;
            }
        }
    }
    return places;
}

} // namespace sundrel::view
