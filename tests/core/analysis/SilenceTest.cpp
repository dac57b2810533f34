#include "core/analysis/Signals.h"
#include "core/analysis/SuggestBoundaries.h"
#include "core/analysis/SuggestTuning.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using analysistest::Piece;
using Kind = analysistest::Piece::Kind;
using sundrel::SuggestionKind;

constexpr std::uint32_t kRate = 44100;

Piece Tone(double seconds, double levelDb = -12.0) {
    return {Kind::Square, static_cast<std::int64_t>(seconds * kRate), levelDb, 220.0};
}
Piece Quiet(Kind kind, double seconds, double levelDb = -75.0) {
    return {kind, static_cast<std::int64_t>(seconds * kRate), levelDb, 220.0};
}

std::vector<sundrel::Suggestion> Suggest(const std::vector<Piece>& pieces, double minSilence = 1.0,
                                         const sundrel::SuggestTuning& tuning = {}) {
    const auto bytes = analysistest::Pcm16Bytes(analysistest::Render(pieces, kRate));
    const sundrel::SampleReader reader(bytes, analysistest::Stereo16(kRate));
    sundrel::SuggestOptions options;
    options.minTrackSeconds = 5.0;
    options.minSilenceSeconds = minSilence;
    options.tuning = tuning;
    return sundrel::SuggestBoundaries(reader, analysistest::Stereo16(kRate), options).suggestions;
}

// The frames of the silence suggestions, each checked for a sound confidence.
std::vector<std::int64_t> SilenceFrames(const std::vector<sundrel::Suggestion>& found) {
    std::vector<std::int64_t> frames;
    for (const auto& s : found) {
        if (s.kind == SuggestionKind::Silence) {
            frames.push_back(s.frame);
            EXPECT_GT(s.confidence, 0.5);
            EXPECT_LE(s.confidence, 1.0);
        }
    }
    return frames;
}

struct SilenceCase {
    std::string name;
    std::vector<Piece> pieces;
    std::vector<std::size_t> gaps; // pieces whose middle is a boundary
    double minSilence = 1.0;
};

// Edges are exact (square waves start and stop at full level), so each suggestion must lie on
// the middle frame of its gap.
TEST(SuggestSilence, EachGapAtItsMiddleFrameAndNothingElse) {
    const std::vector<SilenceCase> cases{
        {"digital silence", {Tone(20.003), Quiet(Kind::Silence, 2.0007), Tone(20)}, {1}},
        {"near-silence (noise 63 dB down)", {Tone(20), Quiet(Kind::Noise, 1.5), Tone(20.5)}, {1}},
        {"two gaps",
         {Tone(15), Quiet(Kind::Silence, 1.2), Tone(15.1), Quiet(Kind::Noise, 1.1, -70), Tone(15)},
         {1, 3}},
        {"a passage 28 dB down inside a track", {Tone(20), Tone(3, -40), Tone(20)}, {}},
        {"the same passage 53 dB down", {Tone(20), Tone(3, -65), Tone(20)}, {1}},
        {"gap shorter than the minimum", {Tone(20), Quiet(Kind::Silence, 0.8), Tone(20)}, {}},
        {"the same gap with a shorter minimum",
         {Tone(20), Quiet(Kind::Silence, 0.8), Tone(20)},
         {1},
         0.5},
        {"leading and trailing silence",
         {Quiet(Kind::Silence, 3), Tone(30), Quiet(Kind::Silence, 3)},
         {}},
    };
    for (const SilenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto edges = analysistest::Edges(c.pieces);
        std::vector<std::int64_t> expected;
        for (const std::size_t g : c.gaps) {
            const std::int64_t first = edges[g - 1];
            const std::int64_t end = edges[g];
            expected.push_back(first + (end - first) / 2);
        }
        EXPECT_EQ(SilenceFrames(Suggest(c.pieces, c.minSilence)), expected);
    }
}

TEST(SuggestSilence, ThresholdFollowsTheMixLoudness) {
    // The same 3 s dip, 28 dB below the music, in a loud and in a quiet mix: never a boundary,
    // while a fixed threshold at -50 dBFS would cut the quiet mix there.
    for (const double level : {-6.0, -30.0}) {
        SCOPED_TRACE(level);
        EXPECT_TRUE(SilenceFrames(Suggest({Tone(20, level), Tone(3, level - 28), Tone(20, level)}))
                        .empty());
    }
}

TEST(SuggestSilence, GapBetweenTwoSteadyTracksIsTheOnlyCut) {
    const std::vector<Piece> pieces{Tone(30), Quiet(Kind::Silence, 2), Tone(30)};
    const auto found = Suggest(pieces);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].kind, SuggestionKind::Silence);
}

// Where silences separate the tracks, a change of sound inside a track (here a chord that moves
// up a fifth and a noise that gives way to a tone) is no boundary with the constants built in
// for an unknown count; the same changes are cut where the silences are too few to show how
// the tracks are separated (a mix may blend some tracks and leave gaps between others).
TEST(SuggestSilence, SilencesBetweenTracksSuppressChangesInsideThem) {
    std::vector<Piece> pieces{{Kind::Chord, 30 * kRate, -14, 220},
                              {Kind::Chord, 30 * kRate, -14, 330},
                              Quiet(Kind::Silence, 2),
                              {Kind::Noise, 30 * kRate, -20, 0},
                              {Kind::Square, 30 * kRate, -12, 440},
                              Quiet(Kind::Silence, 2),
                              {Kind::Chord, 40 * kRate, -14, 262},
                              Quiet(Kind::Silence, 2),
                              {Kind::Square, 40 * kRate, -12, 196},
                              Quiet(Kind::Silence, 2),
                              {Kind::Chord, 40 * kRate, -14, 294}};
    const auto edges = analysistest::Edges(pieces);
    std::vector<std::int64_t> gaps;
    for (const std::size_t g : {2u, 5u, 7u, 9u}) {
        gaps.push_back(edges[g - 1] + (edges[g] - edges[g - 1]) / 2);
    }
    const sundrel::SuggestTuning builtIn = sundrel::BuiltInTuning(false);
    const auto found = Suggest(pieces, 1.0, builtIn);
    EXPECT_EQ(SilenceFrames(found), gaps);
    EXPECT_EQ(found.size(), 4u);
    // Two gaps beside the two changes: as many changes of music as silences, so both are cut.
    pieces.resize(7);
    const auto mixed = Suggest(pieces, 1.0, builtIn);
    EXPECT_EQ(SilenceFrames(mixed).size(), 2u);
    EXPECT_GE(mixed.size(), 3u);
}

} // namespace
