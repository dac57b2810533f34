#include "core/view/PositionKeys.h"

#include <gtest/gtest.h>
#include <optional>
#include <tuple>
#include <vector>

namespace {

using namespace sundrel::view;

TEST(PositionKeys, StepsGoToTheNearestTimeBeyondThePosition) {
    // Out of order, as markers are in their list.
    const std::vector<double> times{40.0, 10.0, 25.0, 10.0005};
    for (const auto& [position, direction, expected] :
         {std::tuple{0.0, 1, std::optional<std::size_t>(1)},
          {10.0, 1, std::optional<std::size_t>(2)}, // 10.0005 is where the position is
          {10.0, -1, std::optional<std::size_t>()},
          {30.0, -1, std::optional<std::size_t>(2)},
          {30.0, 1, std::optional<std::size_t>(0)},
          {40.0, 1, std::optional<std::size_t>()},
          {41.0, -1, std::optional<std::size_t>(0)}}) {
        EXPECT_EQ(StepTo(times, position, direction), expected) << position << " " << direction;
    }
    EXPECT_FALSE(StepTo({}, 5.0, 1));
}

} // namespace
