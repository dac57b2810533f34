#include "core/analysis/TileNovelty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

// Hops of features laid out as Standardize lays them out (12 cepstral, 12 chroma, level).
// Each part is a track from its first hop on: its base plus, for each section of 24 hops, a
// variation of its own (a track's sections differ a little, and recur), plus noise per hop;
// from hop `louderFrom` on, everything is three times as strong.
sundrel::StandardFeatures
Parts(std::size_t hops, const std::vector<std::pair<std::size_t, std::vector<double>>>& parts,
      std::size_t louderFrom = SIZE_MAX) {
    sundrel::StandardFeatures f;
    f.weight.assign(25, 1.0);
    f.hops = hops;
    f.values.assign(hops * 25, 0.0);
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 0.2);
    std::vector<std::vector<double>> variation(7, std::vector<double>(25));
    for (auto& v : variation) {
        for (double& x : v) {
            x = 4.0 * noise(random);
        }
    }
    for (std::size_t h = 0; h < hops; ++h) {
        std::size_t p = 0;
        while (p + 1 < parts.size() && parts[p + 1].first <= h) {
            ++p;
        }
        const std::vector<double>& section = variation[(h / 24) % variation.size()];
        const double scale = h >= louderFrom ? 3.0 : 1.0;
        for (std::size_t j = 0; j < 25; ++j) {
            f.values[h * 25 + j] = scale * (parts[p].second[j] + section[j]) + noise(random);
        }
    }
    return f;
}

std::vector<double> Direction(unsigned seed, double scale = 1.0) {
    std::mt19937 random(seed);
    std::normal_distribution<double> value(0.0, 1.0);
    std::vector<double> v(25);
    for (double& x : v) {
        x = scale * value(random);
    }
    return v;
}

std::size_t Highest(const std::vector<double>& curve) {
    return static_cast<std::size_t>(std::max_element(curve.begin(), curve.end()) - curve.begin());
}

TEST(TileNovelty, PeaksWhereTheMusicChangesAndIgnoresHowLoudItIs) {
    const std::vector<double> a = Direction(1);
    const std::vector<double> b = Direction(2);
    // 400 hops, the sound changes at hop 230.
    const auto changed = Parts(400, {{0, a}, {230, b}});
    const auto timbre = sundrel::TimbreColumns(changed);
    const std::vector<double> curve = sundrel::ComputeTileNovelty(changed, timbre, 8, 10);
    ASSERT_EQ(curve.size(), 400u);
    EXPECT_NEAR(static_cast<double>(Highest(curve)), 230.0, 2.0);
    EXPECT_GT(curve[230], 5.0); // far above the median, which the curve is divided by

    // The same music three times as strong from hop 230 on: every tile points the same way.
    const auto same = Parts(400, {{0, a}}, 230);
    const std::vector<double> flat = sundrel::ComputeTileNovelty(same, timbre, 8, 10);
    EXPECT_LT(flat[230], curve[230] / 4.0);
}

TEST(TileNovelty, SkippedHopsAreNoChangeOfMusic) {
    // The same music with a pause of 6 hops in the middle (every feature at the clip).
    const std::vector<double> a = Direction(6);
    const std::vector<double> pause(25, -4.0);
    const auto f = Parts(1000, {{0, a}, {497, pause}, {503, a}});
    const auto timbre = sundrel::TimbreColumns(f);
    std::vector<std::uint8_t> skip(1000, 0);
    std::fill(skip.begin() + 497, skip.begin() + 503, std::uint8_t{1});
    const auto most = [](const std::vector<double>& curve) {
        return *std::max_element(curve.begin() + 485, curve.begin() + 515);
    };
    const double skipped = most(sundrel::ComputeTileNovelty(f, timbre, 8, 10, skip));
    EXPECT_LT(skipped, 2.0); // about the median: nothing changes at the pause
    // A change of music at the pause still shows.
    const auto g = Parts(1000, {{0, a}, {497, pause}, {503, Direction(7)}});
    EXPECT_GT(most(sundrel::ComputeTileNovelty(g, timbre, 8, 10, skip)), 3.0 * skipped);
}

// While two tracks overlap the mix sounds like neither (a third sound for the length of the
// blend): the plain novelty marks the blend's edges and sags in its middle; the blend novelty
// holds its height across the whole blend, the middle included. At a hard cut both mark the
// cut.
TEST(TileNovelty, BlendNoveltyHoldsUpInTheMiddleOfALongBlend) {
    const std::vector<double> a = Direction(1);
    const std::vector<double> both = Direction(9);
    const std::vector<double> b = Direction(2);
    // 600 hops of 8-hop tiles, ten a side; the blend runs from hop 200 to 264.
    const auto blended = Parts(600, {{0, a}, {200, both}, {264, b}});
    const auto timbre = sundrel::TimbreColumns(blended);
    const std::vector<std::size_t> gaps{0, 16, 32, 48};
    const auto plain = sundrel::ComputeTileNovelty(blended, timbre, 8, 10);
    const auto blend = sundrel::ComputeBlendNovelty(blended, timbre, 8, 10, gaps);
    ASSERT_EQ(blend.size(), 600u);
    const std::size_t top = Highest(blend);
    EXPECT_GE(top, 200u);
    EXPECT_LE(top, 264u);
    EXPECT_GT(blend[232], 0.9 * blend[top]);
    EXPECT_GT(blend[232], 3.0);
    EXPECT_LT(plain[232], 0.75 * plain[Highest(plain)]);

    const auto cut = Parts(600, {{0, a}, {300, b}});
    EXPECT_NEAR(
        static_cast<double>(Highest(sundrel::ComputeBlendNovelty(cut, timbre, 8, 10, gaps))), 300.0,
        2.0);
    // One gap of 0 is the plain novelty; no gaps, no comparison.
    EXPECT_EQ(sundrel::ComputeBlendNovelty(blended, timbre, 8, 10, std::vector<std::size_t>{0}),
              plain);
    EXPECT_TRUE(sundrel::ComputeBlendNovelty(blended, timbre, 8, 10, {}) ==
                std::vector<double>(600, 0.0));
    // A side needs two tiles beyond its gap: nothing within the gap + 16 hops of either end.
    for (const std::size_t gap : {0u, 48u}) {
        const auto sides =
            sundrel::ComputeBlendNovelty(blended, timbre, 8, 10, std::vector<std::size_t>{gap});
        EXPECT_EQ(sides[gap + 15], 0.0) << gap;
        EXPECT_NE(sides[gap + 16], 0.0) << gap;
        EXPECT_NE(sides[600 - gap - 16], 0.0) << gap;
        EXPECT_EQ(sides[600 - gap - 15], 0.0) << gap;
    }
}

TEST(TileNovelty, ComparesOnlyTheColumnsAsked) {
    // Only the pitch classes change (a new key over the same timbre).
    std::vector<double> a = Direction(3);
    std::vector<double> b = a;
    const std::vector<double> other = Direction(4);
    const std::vector<std::size_t> chroma = sundrel::ChromaColumns(Parts(1, {{0, a}}));
    for (const std::size_t j : chroma) {
        b[j] = other[j];
    }
    const auto f = Parts(300, {{0, a}, {150, b}});
    const std::vector<double> key = sundrel::ComputeTileNovelty(f, chroma, 8, 8);
    EXPECT_NEAR(static_cast<double>(Highest(key)), 150.0, 2.0);
    const std::vector<double> timbre =
        sundrel::ComputeTileNovelty(f, sundrel::TimbreColumns(f), 8, 8);
    EXPECT_LT(timbre[150], key[150] / 4.0);
}

TEST(TileNovelty, ColumnsPartitionTheFeaturesAndShortInputsGiveNothing) {
    const auto f = Parts(10, {{0, Direction(1)}});
    const auto timbre = sundrel::TimbreColumns(f);
    const auto chroma = sundrel::ChromaColumns(f);
    EXPECT_EQ(timbre.size(), 13u); // 12 cepstral coefficients and the level
    EXPECT_EQ(chroma.size(), 12u);
    std::set<std::size_t> all(timbre.begin(), timbre.end());
    all.insert(chroma.begin(), chroma.end());
    EXPECT_EQ(all.size(), 25u);
    EXPECT_EQ(*all.rbegin(), 24u);

    // Two tiles of 8 hops a side need 32 hops.
    for (const std::size_t hops : {0u, 1u, 31u}) {
        const auto shortOne = Parts(hops, {{0, Direction(1)}});
        const auto curve = sundrel::ComputeTileNovelty(shortOne, timbre, 8, 10);
        EXPECT_EQ(curve.size(), hops);
        EXPECT_TRUE(std::all_of(curve.begin(), curve.end(), [](double v) { return v == 0.0; }));
    }
    const auto longer = Parts(100, {{0, Direction(1)}, {50, Direction(2)}});
    EXPECT_TRUE(sundrel::ComputeTileNovelty(longer, {}, 8, 10) == std::vector<double>(100, 0.0));
}

} // namespace
