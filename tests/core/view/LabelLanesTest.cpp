#include "core/view/LabelLanes.h"

#include <gtest/gtest.h>

namespace {

using sundrel::view::LabelPlace;
using sundrel::view::LabelWish;
using sundrel::view::PlaceLabels;

// No two drawn labels of one lane share a pixel (nor the gap between them).
void ExpectApart(const std::vector<LabelWish>& wishes, const std::vector<LabelPlace>& places,
                 int gap) {
    for (std::size_t a = 0; a < places.size(); ++a) {
        for (std::size_t b = a + 1; b < places.size(); ++b) {
            if (places[a].lane < 0 || places[a].lane != places[b].lane) {
                continue;
            }
            const auto width = [&](std::size_t i) {
                return places[i].shortForm ? wishes[i].shortWidth : wishes[i].width;
            };
            const bool apart = places[a].left + width(a) + gap <= places[b].left ||
                               places[b].left + width(b) + gap <= places[a].left;
            EXPECT_TRUE(apart) << a << " and " << b;
        }
    }
}

TEST(LabelLanes, CrowdedLabelsGoToTheNextRowThenShortThenOut) {
    // Four markers 30 px apart with 100 px labels, two rows.
    const std::vector<LabelWish> wishes{
        {10, 100, 12, false}, {40, 100, 12, false}, {70, 100, 12, false}, {100, 100, 12, false}};
    const auto places = PlaceLabels(wishes, 1000, 2);
    EXPECT_EQ(std::tuple(places[0].lane, places[0].shortForm, places[0].left),
              std::tuple(0, false, 12));
    EXPECT_EQ(std::pair(places[1].lane, places[1].shortForm), std::pair(1, false));
    // Both rows are taken where the third and fourth would start: even their numbers stay out.
    EXPECT_EQ(places[2].lane, -1);
    EXPECT_EQ(places[3].lane, -1);
    ExpectApart(wishes, places, 2);
}

TEST(LabelLanes, TheSelectedLabelWinsAndShortFormsFillGaps) {
    const std::vector<LabelWish> wishes{
        {25, 60, 10, false}, {30, 60, 10, true}, {200, 60, 10, false}, {215, 60, 10, false}};
    const auto places = PlaceLabels(wishes, 1000, 1);
    EXPECT_EQ(std::pair(places[1].lane, places[1].shortForm), std::pair(0, false)); // selected
    EXPECT_EQ(places[0].lane, -1); // 27..87 and 27..37 both touch 32..92
    EXPECT_EQ(places[2].lane, 0);
    EXPECT_EQ(places[3].lane, -1); // 217 lies inside 202..262
    ExpectApart(wishes, places, 2);

    // With the second marker further on, the first one's number fits before it.
    const std::vector<LabelWish> spaced{{10, 60, 10, false}, {30, 60, 10, true}};
    const auto two = PlaceLabels(spaced, 1000, 1);
    EXPECT_EQ(std::pair(two[0].lane, two[0].shortForm), std::pair(0, true));
}

TEST(LabelLanes, ALabelAtTheRightEdgeTurnsLeftAndNothingOverlapsInABusyStrip) {
    const std::vector<LabelWish> edge{{990, 50, 10, false}};
    EXPECT_EQ(PlaceLabels(edge, 1000, 1)[0].left, 938);
    // 200 markers 5 px apart in three rows: whatever is drawn stays apart.
    std::vector<LabelWish> busy;
    for (int i = 0; i < 200; ++i) {
        busy.push_back({i * 5, 40 + i % 7, 8, i == 77});
    }
    const auto places = PlaceLabels(busy, 1000, 3);
    ExpectApart(busy, places, 2);
    EXPECT_EQ(places[77].lane, 0);
    EXPECT_EQ(PlaceLabels(busy, 1000, 0)[0].lane, -1); // no row at all
}

} // namespace
