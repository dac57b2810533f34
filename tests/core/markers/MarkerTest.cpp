#include "core/markers/MarkerList.h"
#include "core/markers/MarkerMath.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using sundrel::AddMarkerCheck;
using sundrel::MarkerList;

TEST(MarkerMath, PercentAndPositionRules) {
    EXPECT_EQ(sundrel::PercentOfPosition(60.0f, 120.0), 50.0f);
    EXPECT_EQ(sundrel::PercentOfPosition(30.0f, 120.0), 25.0f);
    // 50 % of 120 s: 59.9999987 in extended precision, which rounds to the float 60.
    const auto view = sundrel::ViewOfMarker(50.0f, 120.0);
    EXPECT_EQ(view.slider, 500);
    EXPECT_EQ(view.position, 60.0f);
    EXPECT_EQ(view.viewFrom, 59.0f);
    EXPECT_EQ(view.viewTo, 61.0f);
    // The slider step truncates: 33.3f is 33.2999992...
    EXPECT_EQ(sundrel::SliderStep(33.3f), 332);
    EXPECT_EQ(sundrel::SliderStep(100.0f), 1000);
    // A span of exactly 1 % of 1,000,000 bytes is just under 10,000 bytes.
    EXPECT_LT(1.0 * 1e6 * static_cast<double>(sundrel::kPercentFactor), 10000.0);
}

TEST(MarkerMath, AddMarkerLimits) {
    EXPECT_EQ(sundrel::CheckAddMarker(0.5f, 100.0, 1), AddMarkerCheck::TooCloseToBegin);
    EXPECT_EQ(sundrel::CheckAddMarker(1.0f, 100.0, 1), AddMarkerCheck::Ok);
    EXPECT_EQ(sundrel::CheckAddMarker(99.0f, 100.0, 1), AddMarkerCheck::Ok);
    EXPECT_EQ(sundrel::CheckAddMarker(99.5f, 100.0, 1), AddMarkerCheck::TooCloseToEnd);
    EXPECT_EQ(sundrel::CheckAddMarker(50.0f, 100.0, 254), AddMarkerCheck::Ok);
    EXPECT_EQ(sundrel::CheckAddMarker(50.0f, 100.0, 255), AddMarkerCheck::ListFull);
    EXPECT_STREQ(sundrel::AddMarkerMessage(AddMarkerCheck::TooCloseToBegin),
                 "You can't set Marker at the begin point");
    EXPECT_STREQ(sundrel::AddMarkerMessage(AddMarkerCheck::TooCloseToEnd),
                 "You can't set Marker at the end point");
}

TEST(MarkerList, AddKeepsEntriesBesideElementsAndSortKeepsLabels) {
    MarkerList list;
    EXPECT_EQ(list.Values(), std::vector<float>{0.0f});
    EXPECT_EQ(list.Entries(), std::vector<std::string>{"List Marker.."});

    EXPECT_EQ(list.Add(60.0f, 120.0), 1u);
    EXPECT_EQ(list.Add(30.0f, 120.0), 2u);
    EXPECT_EQ(list.Values(), (std::vector<float>{0.0f, 50.0f, 25.0f}));
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"List Marker..", "Marker 1", "Marker 2"}));

    EXPECT_EQ(list.SplitPercents(), (std::vector<float>{0.0f, 25.0f, 50.0f, 100.0f}));
    list.Sort();
    EXPECT_EQ(list.Values(), (std::vector<float>{0.0f, 25.0f, 50.0f}));
    EXPECT_EQ(list.Entries()[1], "Marker 1"); // now stands for 25 %
    EXPECT_EQ(list.At(1), 25.0f);
    EXPECT_EQ(list.At(3), std::nullopt);
}

TEST(MarkerList, ChangeMovesOnlyUserMarkersInsideTheList) {
    MarkerList list;
    list.Add(60.0f, 120.0);
    EXPECT_TRUE(list.Change(1, 90.0f, 120.0));
    EXPECT_EQ(list.At(1), 75.0f);
    EXPECT_FALSE(list.Change(0, 90.0f, 120.0)); // the start marker stays 0
    EXPECT_FALSE(list.Change(2, 90.0f, 120.0));
    EXPECT_EQ(list.Values(), (std::vector<float>{0.0f, 75.0f}));
    // Equal markers are allowed and give an empty span between them.
    list.Add(90.0f, 120.0);
    EXPECT_EQ(list.SplitPercents(), (std::vector<float>{0.0f, 75.0f, 75.0f, 100.0f}));
}

TEST(MarkerList, RefusesTheMarkerAfterTheLimit) {
    MarkerList list;
    for (int i = 1; i < 255; ++i) {
        ASSERT_EQ(list.CheckAdd(10.0f, 120.0), AddMarkerCheck::Ok);
        list.Add(10.0f, 120.0);
    }
    EXPECT_EQ(list.Count(), 255u);
    EXPECT_EQ(list.CheckAdd(10.0f, 120.0), AddMarkerCheck::ListFull);
    EXPECT_THROW(list.Add(10.0f, 120.0), std::length_error);
    EXPECT_EQ(list.Count(), 255u);
    EXPECT_EQ(list.Entries().size(), 255u);
}

TEST(MarkerList, ReplaceFromAProjectKeepsTheStartMarker) {
    MarkerList list;
    list.Add(60.0f, 120.0);
    const float saved[] = {0.0f, 25.5f, 60.0f};
    list.Replace(saved);
    EXPECT_EQ(list.Values(), (std::vector<float>{0.0f, 25.5f, 60.0f}));
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"List Marker--", "Marker 1", "Marker 2"}));

    list.Replace({}); // a project with no markers
    EXPECT_EQ(list.Values(), std::vector<float>{0.0f});
    EXPECT_EQ(list.Entries(), std::vector<std::string>{"List Marker--"});

    const float noStart[] = {10.0f, 50.0f};
    list.Replace(noStart);
    EXPECT_EQ(list.Values(), (std::vector<float>{0.0f, 10.0f, 50.0f}));
    EXPECT_EQ(list.Entries().size(), 3u);
}

} // namespace
