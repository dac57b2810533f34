#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace sundrel {

// The middle value of `values` (the upper of the two middle ones for an even count), 0 for
// none. Takes a copy: the analyses keep their series in order.
inline double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    const auto mid = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), mid, values.end());
    return *mid;
}

} // namespace sundrel
