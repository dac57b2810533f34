#include "core/markers/MarkerList.h"
#include "core/markers/MarkerMath.h"
#include "core/markers/MarkerPrint.h"

#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

using sundrel::AddMarkerCheck;
using sundrel::FrameMarker;
using sundrel::Marker;
using sundrel::MarkerList;
using sundrel::PercentMarker;
using Values = std::vector<float>;
using Entries = std::vector<std::string>;

// The percentage of each marker (-1 for a marker of a frame alone).
Values Percents(const MarkerList& list) {
    Values out;
    for (const Marker& m : list.Markers()) {
        out.push_back(m.percent.value_or(-1.0f));
    }
    return out;
}

std::vector<std::int64_t> Frames(const MarkerList& list) {
    std::vector<std::int64_t> out;
    for (const Marker& m : list.Markers()) {
        out.push_back(m.frame);
    }
    return out;
}

Marker Named(std::int64_t frame, std::string title, std::string artist = {}) {
    Marker m = FrameMarker(frame);
    m.title = std::move(title);
    m.artist = std::move(artist);
    return m;
}

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
}

// A fresh list holds the start marker only.
TEST(MarkerList, AddKeepsEntriesBesideElementsAndSortKeepsLabels) {
    MarkerList list;
    EXPECT_EQ(list.Markers(), std::vector<Marker>{PercentMarker(0.0f)});
    EXPECT_EQ(list.Entries(), Entries{"List Marker.."});
    ASSERT_NE(list.At(0), nullptr);
    EXPECT_EQ(list.At(1), nullptr);
    EXPECT_EQ(list.Add(60.0f, 120.0), 1u);
    EXPECT_EQ(list.Add(30.0f, 120.0), 2u);
    EXPECT_EQ(list.Add(Named(500, "Intro", "DJ")), 3u);
    EXPECT_EQ(Percents(list), (Values{0.0f, 50.0f, 25.0f, -1.0f}));
    EXPECT_EQ(list.Entries(), (Entries{"List Marker..", "Marker 1", "Marker 2", "Marker 3"}));
    ASSERT_NE(list.At(3), nullptr);
    EXPECT_EQ(*list.At(3), Named(500, "Intro", "DJ"));
    EXPECT_EQ(list.At(4), nullptr);
    EXPECT_EQ(list.At(SIZE_MAX), nullptr);

    // Change moves only user markers inside the list, to a percentage; the start stays 0.
    EXPECT_TRUE(list.Change(3, 90.0f, 120.0));
    EXPECT_FALSE(list.Change(0, 90.0f, 120.0));
    EXPECT_FALSE(list.Change(4, 90.0f, 120.0));
    EXPECT_EQ(Percents(list), (Values{0.0f, 50.0f, 25.0f, 75.0f}));
    EXPECT_EQ(list.At(3)->title, "Intro"); // the names stay with the marker
    EXPECT_EQ(list.Entries().size(), 4u);
}

TEST(MarkerList, SetReplacesAMarkerButNeverTheStart) {
    MarkerList list;
    list.Add(FrameMarker(100));
    const MarkerList before = list;
    EXPECT_FALSE(list.Set(0, FrameMarker(7)));
    EXPECT_FALSE(list.Set(2, FrameMarker(7)));
    EXPECT_EQ(list, before);
    EXPECT_TRUE(list.Set(1, Named(250, "B")));
    EXPECT_EQ(list.Markers(), (std::vector<Marker>{PercentMarker(0.0f), Named(250, "B")}));
    EXPECT_EQ(list.Entries(), before.Entries());
}

// Removing takes the element and its entry together; numbers are never given out twice, so
// "Marker n" always names the marker that was added n-th.
TEST(MarkerList, RemoveKeepsTheOtherLabelsAndNeverReusesANumber) {
    struct Step {
        char op; // 'a' adds a marker at `arg`, 'r' removes index `arg`
        std::size_t arg;
        bool ok;
    };
    struct Case {
        std::vector<Step> steps;
        std::vector<std::int64_t> frames;
        Entries entries;
    };
    const Case cases[] = {
        {{{'a', 10, true}, {'a', 20, true}, {'a', 30, true}, {'r', 2, true}, {'a', 40, true}},
         {0, 10, 30, 40},
         {"List Marker..", "Marker 1", "Marker 3", "Marker 4"}},
        // The last marker removed: its number is still not given again.
        {{{'a', 10, true}, {'r', 1, true}, {'a', 20, true}},
         {0, 20},
         {"List Marker..", "Marker 2"}},
        // The start marker and indices outside the list cannot be removed.
        {{{'a', 10, true}, {'r', 0, false}, {'r', 2, false}, {'r', SIZE_MAX, false}},
         {0, 10},
         {"List Marker..", "Marker 1"}},
        {{{'r', 1, false}}, {0}, {"List Marker.."}},
    };
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        MarkerList list;
        for (const Step& step : cases[c].steps) {
            if (step.op == 'a') {
                list.Add(FrameMarker(static_cast<std::int64_t>(step.arg)));
            } else {
                EXPECT_EQ(list.Remove(step.arg), step.ok) << "case " << c << " remove " << step.arg;
            }
        }
        EXPECT_EQ(Frames(list), cases[c].frames) << "case " << c;
        EXPECT_EQ(list.Entries(), cases[c].entries) << "case " << c;
    }
}

// Sort orders by frame, then by percentage, stably; a frame marker goes before a percentage
// marker at the same frame. The entries keep their places (the list box never reordered).
TEST(MarkerList, SortOrdersByFrameThenPercentage) {
    Marker p30 = PercentMarker(30.0f);
    p30.frame = 300;
    Marker p31 = PercentMarker(31.0f);
    p31.frame = 300; // two percentages that land on one frame
    Marker p10 = PercentMarker(10.0f);
    p10.frame = 100;
    MarkerList list;
    list.Add(p31);
    list.Add(Named(300, "frame"));
    list.Add(p30);
    list.Add(Named(200, "second"));
    list.Add(p10);
    list.Add(Named(200, "second again"));
    const Entries entries = list.Entries();
    list.Sort();
    EXPECT_EQ(list.Markers(),
              (std::vector<Marker>{PercentMarker(0.0f), p10, Named(200, "second"),
                                   Named(200, "second again"), Named(300, "frame"), p30, p31}));
    EXPECT_EQ(list.Entries(), entries);

    // Without a mix every percentage marker is at frame 0: they sort by percentage.
    MarkerList unresolved;
    for (float p : {50.0f, 25.0f, 75.0f, 25.0f}) {
        unresolved.Add(PercentMarker(p));
    }
    unresolved.Sort();
    EXPECT_EQ(Percents(unresolved), (Values{0.0f, 25.0f, 25.0f, 50.0f, 75.0f}));
}

TEST(MarkerList, RefusesTheMarkerAfterTheLimit) {
    MarkerList list;
    for (int i = 1; i < 255; ++i) {
        ASSERT_EQ(list.CheckAdd(10.0f, 120.0), AddMarkerCheck::Ok);
        if (i % 2 == 0) {
            list.Add(10.0f, 120.0);
        } else {
            list.Add(FrameMarker(i));
        }
    }
    EXPECT_EQ(list.CheckAdd(10.0f, 120.0), AddMarkerCheck::ListFull);
    const MarkerList full = list;
    EXPECT_THROW(list.Add(10.0f, 120.0), std::length_error);
    EXPECT_THROW(list.Add(FrameMarker(5)), std::length_error);
    EXPECT_EQ(list, full); // a refused add changes nothing
    EXPECT_EQ(list.Count(), 255u);
    EXPECT_EQ(list.Entries().back(), "Marker 254");
    // Room again after a remove; the next number follows the highest given.
    EXPECT_TRUE(list.Remove(3));
    EXPECT_EQ(list.Add(FrameMarker(9)), 254u);
    EXPECT_EQ(list.Entries().back(), "Marker 255");
}

TEST(MarkerList, ReplaceFromAProjectKeepsTheStartMarker) {
    struct Case {
        std::vector<Marker> file;
        std::vector<Marker> markers;
    };
    const Case cases[] = {
        {{PercentMarker(0), PercentMarker(25.5f), PercentMarker(60)},
         {PercentMarker(0), PercentMarker(25.5f), PercentMarker(60)}},
        {{}, {PercentMarker(0)}},
        // A file that does not start at the start gets the start marker in front.
        {{PercentMarker(10), PercentMarker(50)},
         {PercentMarker(0), PercentMarker(10), PercentMarker(50)}},
        {{Named(44100, "A"), PercentMarker(50)},
         {PercentMarker(0), Named(44100, "A"), PercentMarker(50)}},
        // A frame marker at the first frame is a start.
        {{Named(0, "Intro"), Named(10, "B")}, {Named(0, "Intro"), Named(10, "B")}},
    };
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        MarkerList list;
        list.Add(60.0f, 120.0);
        list.Add(FrameMarker(3));
        list.Replace(cases[c].file);
        EXPECT_EQ(list.Markers(), cases[c].markers) << "case " << c;
        Entries entries{"List Marker--"};
        for (std::size_t k = 1; k < cases[c].markers.size(); ++k) {
            entries.push_back("Marker " + std::to_string(k));
        }
        EXPECT_EQ(list.Entries(), entries) << "case " << c;
        // Numbering goes on after the file's markers.
        list.Add(FrameMarker(1));
        EXPECT_EQ(list.Entries().back(), "Marker " + std::to_string(cases[c].markers.size()))
            << "case " << c;
    }

    // A full file keeps its 255 markers: no start is squeezed in beyond the limit.
    std::vector<Marker> full;
    for (int i = 1; i <= 255; ++i) {
        full.push_back(FrameMarker(i));
    }
    MarkerList list;
    list.Replace(full);
    EXPECT_EQ(list.Count(), 255u);
    EXPECT_EQ(list.Entries().size(), 255u);
    EXPECT_THROW(list.Add(FrameMarker(1)), std::length_error);
}

TEST(MarkerList, SplitPercentsPutsTheStartInFrontAndTheEndAfter) {
    for (const auto& [markers, percents] : {std::pair{Values{0, 50, 25}, Values{0, 25, 50, 100}},
                                            {Values{50, 10}, Values{0, 10, 50, 100}},
                                            {Values{}, Values{0, 100}},
                                            {Values{0, 0}, Values{0, 0, 100}},
                                            {Values{75, 75}, Values{0, 75, 75, 100}}}) {
        EXPECT_EQ(sundrel::SplitPercents(markers), percents) << markers.size();
    }
}

} // namespace
