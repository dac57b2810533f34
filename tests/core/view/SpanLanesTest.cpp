#include "core/view/SpanLanes.h"

#include <gtest/gtest.h>

namespace {

using sundrel::view::Span;
using sundrel::view::SpanLanes;

// No two spans of one row overlap.
void ExpectApart(const std::vector<Span>& spans, const std::vector<int>& lanes) {
    ASSERT_EQ(lanes.size(), spans.size());
    for (std::size_t a = 0; a < spans.size(); ++a) {
        for (std::size_t b = a + 1; b < spans.size(); ++b) {
            if (lanes[a] == lanes[b]) {
                EXPECT_TRUE(spans[a].end <= spans[b].start || spans[b].end <= spans[a].start)
                    << a << " and " << b << " share row " << lanes[a];
            }
        }
    }
}

TEST(SpanLanes, BlendsAlternateRowsAndCutsShareOne) {
    // A blend 0-100 / 90-200, a hard cut at 200, a blend 290-400 with 250-300.
    const std::vector<Span> spans{{0, 100}, {90, 200}, {200, 300}, {290, 400}};
    const std::vector<int> lanes = SpanLanes(spans);
    EXPECT_EQ(lanes, (std::vector<int>{0, 1, 0, 1}));
    ExpectApart(spans, lanes);

    // The order given does not matter, and three at once need three rows.
    const std::vector<Span> three{{50, 150}, {0, 100}, {60, 70}, {160, 170}};
    const std::vector<int> rows = SpanLanes(three);
    ExpectApart(three, rows);
    EXPECT_EQ(rows[1], 0); // the first to start takes the bottom row
    EXPECT_EQ(*std::max_element(rows.begin(), rows.end()), 2);
    EXPECT_EQ(rows[3], 0); // free again once the others ended
    EXPECT_TRUE(SpanLanes({}).empty());
}

} // namespace
