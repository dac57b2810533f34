#include "core/analysis/Signals.h"
#include "core/cli/CliRunner.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using analysistest::Piece;
using clitest::RunCli;
using Kind = analysistest::Piece::Kind;

constexpr std::uint32_t kRate = 8000;

// Two 61-second tracks around a 2 s gap of silence (mono 16-bit, 8 kHz).
struct GapMix {
    fixture::TempDir dir;
    std::filesystem::path path = dir / "mix.wav";
    std::int64_t middle = 0;

    GapMix() {
        const std::vector<Piece> pieces{{Kind::Square, 61 * kRate + 3, -12.0, 220.0},
                                        {Kind::Silence, 2 * kRate, 0, 0},
                                        {Kind::Square, 61 * kRate, -12.0, 330.0}};
        const auto edges = analysistest::Edges(pieces);
        middle = edges[0] + (edges[1] - edges[0]) / 2;
        // Render makes stereo; keeping every other sample gives the mono file.
        const auto stereo = analysistest::Render(pieces, kRate);
        std::vector<std::int16_t> mono;
        for (std::size_t i = 0; i < stereo.size(); i += 2) {
            mono.push_back(stereo[i]);
        }
        fixture::WriteFile(path, fixture::CanonicalWav(fixture::Format{1, 1, kRate, 16},
                                                       analysistest::Pcm16Bytes(mono)));
    }
};

std::string Seconds(std::int64_t frame) {
    const long long ms = (frame * 1000 + kRate / 2) / kRate;
    char text[64];
    std::snprintf(text, sizeof text, "%lld.%03lld  0:%02lld:%02lld.%03lld", ms / 1000, ms % 1000,
                  ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

TEST(CliSuggest, OneLinePerSuggestionOrAJsonArrayAndSplitCutsThere) {
    const GapMix mix;
    auto r = RunCli({"suggest", mix.path.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, ::testing::MatchesRegex(Seconds(mix.middle) +
                                               "  (0\\.[5-9][0-9]|1\\.00)  silence\n"));
    EXPECT_EQ(r.err, "");

    r = RunCli({"suggest", mix.path.string(), "--json", "--tracks", "2"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string seconds = Seconds(mix.middle).substr(0, Seconds(mix.middle).find(' '));
    const std::string time = Seconds(mix.middle).substr(Seconds(mix.middle).rfind(' ') + 1);
    EXPECT_THAT(r.out,
                ::testing::MatchesRegex(
                    "\\[\n \\{\"frame\": " + std::to_string(mix.middle) +
                    ", \"seconds\": " + seconds + ", \"time\": \"" + time +
                    "\", \"confidence\": [01]\\.[0-9][0-9], \"kind\": \"silence\", \"score\": "
                    "[01]\\.[0-9]{4}, \"alternatives\": \\[[^]]*\\]\\}\n\\]\n"));

    // The analysis's constants are the evaluation's to set; a wrong one is a usage error.
    r = RunCli({"suggest", mix.path.string(), "--tuning", "penalty=-2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("penalty=-2: the value is not a number >= 0"), std::string::npos) << r.err;

    // split --suggested cuts there: the first track ends at the gap's middle, to within the
    // percentage marker's rounding.
    const auto out = mix.dir / "tracks";
    std::filesystem::create_directory(out);
    r = RunCli({"split", mix.path.string(), "--suggested", "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(std::filesystem::exists(out / "track02.wav"));
    EXPECT_FALSE(std::filesystem::exists(out / "track03.wav"));
    const auto frames =
        static_cast<std::int64_t>((std::filesystem::file_size(out / "track01.wav") - 44) / 2);
    EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(mix.middle), 8.0);
}

TEST(CliSuggest, NothingFoundIsSaidOnStderrWithStatusZero) {
    fixture::TempDir dir;
    const std::vector<Piece> steady{{Kind::Square, 90 * kRate, -12.0, 220.0}};
    fixture::WriteFile(
        dir / "steady.wav",
        fixture::CanonicalWav(fixture::Format{1, 2, kRate, 16},
                              analysistest::Pcm16Bytes(analysistest::Render(steady, kRate))));
    for (const bool json : {false, true}) {
        std::vector<std::string> args{"suggest", (dir / "steady.wav").string()};
        if (json) {
            args.push_back("--json");
        }
        const auto r = RunCli(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, json ? "[]\n" : "");
        EXPECT_THAT(r.err, ::testing::HasSubstr("no boundaries found"));
    }
}

// A 124 s mix cannot hold five tracks a minute long: fewer boundaries come, stderr says so, and
// --strict makes it a failure, for suggest and for split --suggested alike.
TEST(CliSuggest, FewerBoundariesThanAskedAreReported) {
    const GapMix mix;
    auto r = RunCli({"suggest", mix.path.string(), "--tracks", "5"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto shortfall = ::testing::AnyOf(::testing::HasSubstr("asked for 5 tracks, found"),
                                            ::testing::HasSubstr("apart (--min-track 60)"));
    EXPECT_THAT(r.err, shortfall);
    EXPECT_FALSE(r.out.empty());
    r = RunCli({"suggest", mix.path.string(), "--tracks", "5", "--strict"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    r = RunCli({"suggest", mix.path.string(), "--tracks", "2", "--strict"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    const std::string out = mix.dir.Path().string();
    r = RunCli({"split", mix.path.string(), "--suggested", "--tracks", "5", "-o", out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, ::testing::HasSubstr("--suggested: "));
    EXPECT_THAT(r.err, shortfall);
    std::filesystem::remove(mix.dir / "track01.wav");
    r = RunCli({"split", mix.path.string(), "--suggested", "--tracks", "5", "--strict", "-o", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::filesystem::exists(mix.dir / "track01.wav"));
}

} // namespace
