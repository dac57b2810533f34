#include "core/match/HardCut.h"
#include "core/match/Landmarks.h"
#include "core/match/SynthMusic.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sundrel {
namespace {

std::vector<std::int16_t> ToPcm(const std::vector<float>& x) {
    std::vector<std::int16_t> out;
    for (const float v : x) {
        out.push_back(static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0f, 0.999f) * 32768)));
    }
    return out;
}

// Track A from its second 10 until the cut, then track B from its second 30, B played 4 %
// fast: the cut lands between samples, off the 2 ms grid.
TEST(RefineCut, FindsAHardCutWithinTenMilliseconds) {
    for (const double cut : {12.3457, 14.0013}) {
        const auto scoreA = matchtest::Score(40.0, 21);
        const auto scoreB = matchtest::Score(80.0, 22);
        const auto fileA = matchtest::RenderAll(scoreA, 40.0, kMatchRate);
        const auto fileB = matchtest::RenderAll(scoreB, 80.0, kMatchRate);
        const auto cutFrame = static_cast<std::size_t>(cut * kMatchRate);
        std::vector<float> mix(static_cast<std::size_t>(30.0 * kMatchRate), 0.0f);
        TrackPlay a; // file second 10 at mix second 5
        a.start = 5.0;
        a.end = cut;
        a.offset = 10.0;
        TrackPlay b;
        b.start = cut;
        b.end = 30.0;
        b.offset = 30.0;
        b.ratio = 1.04;
        for (std::size_t i = 0; i < mix.size(); ++i) {
            const double t = double(i) / kMatchRate;
            if (i < cutFrame && t >= a.start) {
                mix[i] = 0.5f * fileA[std::size_t(std::llround(a.FileAt(t) * kMatchRate))];
            } else if (i >= cutFrame) {
                mix[i] = 1.5f * fileB[std::size_t(std::llround(b.FileAt(t) * kMatchRate))];
            }
        }
        const FileSnippet tail = SnippetAround(fileA, a.FileAt(cut + 0.2));
        const FileSnippet head = SnippetAround(fileB, b.FileAt(cut - 0.2));
        // Blend ends guessed 0.2 s off either way.
        for (const double guess : {cut - 0.2, cut + 0.2}) {
            EXPECT_NEAR(RefineCut(ToPcm(mix), guess, a, tail, b, head), cut, 0.010)
                << "cut " << cut << " guess " << guess;
        }
        // A's landmarks ran on 4.5 s past the cut and B's began 4.5 s before it (music alike
        // on both sides): the snippets taken around those ends still hold the cut.
        const FileSnippet farTail = SnippetAround(fileA, a.FileAt(cut + 4.5));
        const FileSnippet farHead = SnippetAround(fileB, b.FileAt(cut - 4.5));
        EXPECT_NEAR(RefineCut(ToPcm(mix), cut + 0.2, a, farTail, b, farHead), cut, 0.010)
            << "cut " << cut;
        // Snippets that do not reach the cut at all tell nothing: the guess stands.
        const FileSnippet lost = SnippetAround(fileA, a.FileAt(cut + 2.0 + kSnippetSeconds));
        const FileSnippet lostHead = SnippetAround(fileB, b.FileAt(cut - 2.0 - kSnippetSeconds));
        EXPECT_EQ(RefineCut(ToPcm(mix), cut + 0.2, a, lost, b, lostHead), cut + 0.2);
    }
}

TEST(RefineCut, SnippetsHoldTheFileAroundTheirTime) {
    std::vector<float> file(8000 * 20);
    for (std::size_t i = 0; i < file.size(); ++i) {
        file[i] = float(i);
    }
    const FileSnippet s = SnippetAround(file, 10.0);
    EXPECT_DOUBLE_EQ(s.fileStart, 10.0 - kSnippetSeconds);
    ASSERT_EQ(s.samples.size(), std::size_t(2 * kSnippetSeconds * 8000));
    EXPECT_EQ(s.samples.front(), float((10.0 - kSnippetSeconds) * 8000));
    EXPECT_FALSE(s.toEnd);
    const FileSnippet edge = SnippetAround(file, 0.25);
    EXPECT_DOUBLE_EQ(edge.fileStart, 0.0);
    EXPECT_EQ(edge.samples.size(), std::size_t((0.25 + kSnippetSeconds) * 8000));
    EXPECT_TRUE(SnippetAround(file, 19.0).toEnd);
}

TrackPlay Line(double start, double end, double offset, double ratio) {
    TrackPlay p;
    p.start = start;
    p.end = end;
    p.offset = offset;
    p.ratio = ratio;
    return p;
}

// B played from its first sample, 8 % slow: its line puts file second 0 at mix second 341.3,
// between B's first landmarks (342.0) and A's last (342.2), give or take a second. A (200 s
// long) ends far from there, cut off by the DJ.
TEST(CutAtFileEdge, TheIncomingFileStartsTheCutWhenItLiesThere) {
    const TrackPlay a = Line(250.0, 342.2, 6.0, 1.0);
    const std::optional<double> cut = CutAtFileEdge(a, 200.0, Line(342.0, 500.0, 0.644, 0.92));
    ASSERT_TRUE(cut);
    EXPECT_NEAR(*cut, 341.3, 1e-9);
    // B's first landmarks 3 s after its start (as with a quiet opening): more than a second
    // before both ends, so within only the larger slack a caller may allow.
    const TrackPlay late = Line(343.8, 500.0, 2.8, 0.92);
    EXPECT_EQ(CutAtFileEdge(a, 200.0, late), std::nullopt);
    EXPECT_NEAR(CutAtFileEdge(a, 200.0, late, 2.5).value_or(0.0), 343.8 - 2.8 / 0.92, 1e-9);
    // A start more than a second before both: the DJ skipped B's intro; not that edge.
    EXPECT_EQ(CutAtFileEdge(a, 200.0, Line(342.0, 500.0, 1.7, 0.92)), std::nullopt);
}

// B enters mid-file (its intro skipped); A, 5 % fast, plays to its last sample: 120 s of file
// from file second 20 at mix second 10 end at mix second 10 + 100 / 1.05.
TEST(CutAtFileEdge, OtherwiseTheOutgoingFileEndsIt) {
    const double end = 10.0 + 100.0 / 1.05;
    const TrackPlay a = Line(10.0, end - 0.8, 20.0, 1.05);
    const TrackPlay b = Line(end + 0.4, 200.0, 30.0, 1.0);
    const std::optional<double> cut = CutAtFileEdge(a, 120.0, b);
    ASSERT_TRUE(cut);
    EXPECT_NEAR(*cut, end, 1e-9);
    // Both cut mid-file: the spectra decide.
    EXPECT_EQ(CutAtFileEdge(a, 150.0, b), std::nullopt);
    EXPECT_EQ(CutAtFileEdge(a, 0.0, Line(end + 0.4, 200.0, 30.0, 0.0)), std::nullopt);
}

} // namespace
} // namespace sundrel
