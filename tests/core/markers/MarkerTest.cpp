#include "core/markers/MarkerList.h"
#include "core/markers/MarkerMath.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using sundrel::AddMarkerCheck;
using sundrel::MarkerList;
using Values = std::vector<float>;
using Entries = std::vector<std::string>;

TEST(MarkerMath, PercentPositionAndLimitRules) {
    EXPECT_EQ(sundrel::PercentOfPosition(60.0f, 120.0), 50.0f);
    EXPECT_EQ(sundrel::PercentOfPosition(30.0f, 120.0), 25.0f);
    // 50 % of 120 s: 59.9999987 in extended precision, which rounds to the float 60.
    const auto view = sundrel::ViewOfMarker(50.0f, 120.0);
    EXPECT_EQ(std::tuple(view.slider, view.position, view.viewFrom, view.viewTo),
              std::tuple(500, 60.0f, 59.0f, 61.0f));
    EXPECT_EQ(sundrel::SliderStep(33.3f), 332); // truncated: 33.3f is 33.2999992...
    EXPECT_EQ(sundrel::SliderStep(100.0f), 1000);

    for (const auto& [position, count, check] :
         {std::tuple{0.5f, 1u, AddMarkerCheck::TooCloseToBegin},
          {1.0f, 1u, AddMarkerCheck::Ok},
          {99.0f, 1u, AddMarkerCheck::Ok},
          {99.5f, 1u, AddMarkerCheck::TooCloseToEnd},
          {50.0f, 254u, AddMarkerCheck::Ok},
          {50.0f, 255u, AddMarkerCheck::ListFull}}) {
        EXPECT_EQ(sundrel::CheckAddMarker(position, 100.0, count), check)
            << position << " " << count;
    }
    EXPECT_STREQ(sundrel::AddMarkerMessage(AddMarkerCheck::TooCloseToBegin),
                 "You can't set Marker at the begin point");
    EXPECT_STREQ(sundrel::AddMarkerMessage(AddMarkerCheck::TooCloseToEnd),
                 "You can't set Marker at the end point");
}

TEST(MarkerList, AddKeepsEntriesBesideElementsAndSortKeepsLabels) {
    MarkerList list;
    EXPECT_EQ(list.Entries(), Entries{"List Marker.."});
    EXPECT_EQ(list.Add(60.0f, 120.0), 1u);
    EXPECT_EQ(list.Add(30.0f, 120.0), 2u);
    EXPECT_EQ(list.Values(), (Values{0.0f, 50.0f, 25.0f}));
    EXPECT_EQ(list.Entries(), (Entries{"List Marker..", "Marker 1", "Marker 2"}));
    EXPECT_EQ(list.SplitPercents(), (Values{0.0f, 25.0f, 50.0f, 100.0f}));
    list.Sort();
    EXPECT_EQ(list.Values(), (Values{0.0f, 25.0f, 50.0f}));
    EXPECT_EQ(list.Entries()[1], "Marker 1"); // now stands for 25 %
    EXPECT_EQ(list.At(3), std::nullopt);

    // Change moves only user markers inside the list; the start marker stays 0.
    EXPECT_TRUE(list.Change(1, 90.0f, 120.0));
    EXPECT_FALSE(list.Change(0, 90.0f, 120.0));
    EXPECT_FALSE(list.Change(3, 90.0f, 120.0));
    EXPECT_EQ(list.Values(), (Values{0.0f, 75.0f, 50.0f}));
    // Equal markers are allowed and give an empty span between them.
    list.Change(2, 90.0f, 120.0);
    EXPECT_EQ(list.SplitPercents(), (Values{0.0f, 75.0f, 75.0f, 100.0f}));
}

TEST(MarkerList, RefusesTheMarkerAfterTheLimit) {
    MarkerList list;
    for (int i = 1; i < 255; ++i) {
        ASSERT_EQ(list.CheckAdd(10.0f, 120.0), AddMarkerCheck::Ok);
        list.Add(10.0f, 120.0);
    }
    EXPECT_EQ(list.CheckAdd(10.0f, 120.0), AddMarkerCheck::ListFull);
    EXPECT_THROW(list.Add(10.0f, 120.0), std::length_error);
    EXPECT_EQ(list.Count(), 255u);
    EXPECT_EQ(list.Entries().size(), 255u);
}

TEST(MarkerList, ReplaceFromAProjectKeepsTheStartMarker) {
    MarkerList list;
    list.Add(60.0f, 120.0);
    list.Replace(Values{0.0f, 25.5f, 60.0f});
    EXPECT_EQ(list.Values(), (Values{0.0f, 25.5f, 60.0f}));
    EXPECT_EQ(list.Entries(), (Entries{"List Marker--", "Marker 1", "Marker 2"}));
    list.Replace({}); // a project with no markers
    EXPECT_EQ(list.Entries(), Entries{"List Marker--"});
    list.Replace(Values{10.0f, 50.0f});
    EXPECT_EQ(list.Values(), (Values{0.0f, 10.0f, 50.0f}));
    EXPECT_EQ(list.Entries().size(), 3u);
}

} // namespace
