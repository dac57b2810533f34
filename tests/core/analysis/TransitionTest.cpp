#include "core/analysis/Signals.h"
#include "core/analysis/SuggestBoundaries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using analysistest::Piece;
using Kind = analysistest::Piece::Kind;

constexpr std::uint32_t kRate = 22050;
// Mix frames per analysis hop at this rate: 4096 samples of the fold at half the rate.
constexpr std::int64_t kHopFrames = 8192;

Piece Track(Kind kind, double levelDb, double hz, double seconds = 50.0) {
    return {kind, static_cast<std::int64_t>(seconds * kRate), levelDb, hz};
}

struct TransitionCase {
    std::string name;
    std::vector<Piece> pieces;
};

// The suggestions for one steady tone of 120 s cut into three tracks: there is nothing to find.
std::vector<sundrel::Suggestion> SteadyToneInThree() {
    const std::vector<Piece> pieces{Track(Kind::Square, -12, 440, 120)};
    const auto bytes = analysistest::Pcm16Bytes(analysistest::Render(pieces, kRate));
    const sundrel::SampleReader reader(bytes, analysistest::Stereo16(kRate));
    sundrel::SuggestOptions options;
    options.minTrackSeconds = 20.0;
    options.tracks = 3;
    return sundrel::SuggestBoundaries(reader, analysistest::Stereo16(kRate), options).suggestions;
}

// The analysis must put each change within one hop of where it happens, with the count given
// and without it, and be surer of it than of a cut where nothing changes.
TEST(SuggestTransitions, EachChangeWithinOneHop) {
    double arbitrary = 0.0;
    for (const auto& s : SteadyToneInThree()) {
        arbitrary = std::max(arbitrary, s.score);
    }
    const std::vector<TransitionCase> cases{
        {"tone changes",
         {Track(Kind::Chord, -14, 220), Track(Kind::Chord, -14, 311),
          Track(Kind::Square, -20, 880)}},
        {"level change", {Track(Kind::Noise, -32, 0), Track(Kind::Noise, -12, 0)}},
        {"noise bursts between chords",
         {Track(Kind::Chord, -14, 262), Track(Kind::Bursts, -14, 0, 40),
          Track(Kind::Chord, -14, 262)}},
    };
    for (const TransitionCase& c : cases) {
        const auto bytes = analysistest::Pcm16Bytes(analysistest::Render(c.pieces, kRate));
        const sundrel::SampleReader reader(bytes, analysistest::Stereo16(kRate));
        const auto edges = analysistest::Edges(c.pieces);
        for (const bool countKnown : {true, false}) {
            SCOPED_TRACE(c.name + (countKnown ? ", count known" : ", count unknown"));
            sundrel::SuggestOptions options;
            options.minTrackSeconds = 20.0;
            if (countKnown) {
                options.tracks = static_cast<int>(c.pieces.size());
            }
            const auto found =
                sundrel::SuggestBoundaries(reader, analysistest::Stereo16(kRate), options)
                    .suggestions;
            ASSERT_EQ(found.size(), edges.size());
            for (std::size_t i = 0; i < edges.size(); ++i) {
                EXPECT_LE(std::llabs(found[i].frame - edges[i]), kHopFrames)
                    << "boundary " << i << " at " << found[i].frame << ", change at " << edges[i];
                EXPECT_EQ(found[i].kind, sundrel::SuggestionKind::Transition);
                EXPECT_GT(found[i].score, 2.0 * arbitrary);
            }
        }
    }
}

TEST(SuggestTransitions, CountKnownGivesThatManyEvenWithoutClearChanges) {
    // One steady tone: nothing to find unprompted, but a count asks for boundaries anyway,
    // and those come with weak evidence.
    const std::vector<Piece> pieces{Track(Kind::Square, -12, 440, 120)};
    const auto bytes = analysistest::Pcm16Bytes(analysistest::Render(pieces, kRate));
    const sundrel::SampleReader reader(bytes, analysistest::Stereo16(kRate));
    sundrel::SuggestOptions options;
    options.minTrackSeconds = 20.0;
    EXPECT_TRUE(sundrel::SuggestBoundaries(reader, analysistest::Stereo16(kRate), options)
                    .suggestions.empty());
    const auto found = SteadyToneInThree();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_GE(found[1].frame - found[0].frame, static_cast<std::int64_t>(20 * kRate) - kHopFrames);
    for (const auto& s : found) {
        EXPECT_LT(s.score, 0.5);
    }
}

} // namespace
