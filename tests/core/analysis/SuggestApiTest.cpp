#include "core/analysis/Signals.h"
#include "core/analysis/SuggestBoundaries.h"
#include "core/audio/WaveFile.h"

#include <gtest/gtest.h>

#include <stop_token>
#include <string>
#include <vector>

namespace {

using analysistest::Piece;
using Kind = analysistest::Piece::Kind;

constexpr std::uint32_t kRate = 44100;

// Two tracks of a square wave with a 2 s gap of digital silence between them.
std::vector<Piece> GapMix() {
    return {{Kind::Square, 25 * kRate + 11, -12.0, 220.0},
            {Kind::Silence, 2 * kRate + 5, 0, 0},
            {Kind::Square, 25 * kRate, -12.0, 330.0}};
}

std::int64_t GapMiddle() {
    const auto edges = analysistest::Edges(GapMix());
    return edges[0] + (edges[1] - edges[0]) / 2;
}

sundrel::SuggestOptions ShortTracks() {
    sundrel::SuggestOptions options;
    options.minTrackSeconds = 10.0;
    return options;
}

TEST(SuggestApi, ProgressRisesToOneAndStopCancels) {
    const auto bytes = analysistest::Pcm16Bytes(analysistest::Render(GapMix(), kRate));
    const sundrel::SampleReader reader(bytes, analysistest::Stereo16(kRate));
    const auto format = analysistest::Stereo16(kRate);

    std::vector<double> seen;
    sundrel::SuggestBoundaries(reader, format, ShortTracks(), [&](double p) { seen.push_back(p); });
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i], seen[i - 1]);
    }
    EXPECT_EQ(seen.back(), 1.0);

    // A stop requested while it runs ends it before the work is done.
    std::stop_source during;
    double last = 0.0;
    EXPECT_THROW(sundrel::SuggestBoundaries(
                     reader, format, ShortTracks(),
                     [&](double p) {
                         last = p;
                         if (p > 0.2) {
                             during.request_stop();
                         }
                     },
                     during.get_token()),
                 sundrel::AnalysisCancelled);
    EXPECT_LT(last, 1.0);
}

// Every format the core reads gives the same boundary frame.
TEST(SuggestApi, SameBoundaryInEveryFormat) {
    const auto samples = analysistest::Render(GapMix(), kRate);
    struct Case {
        std::string name;
        fixture::Format format;
        bool extensible;
    };
    const std::vector<Case> cases{
        {"16-bit", {1, 2, kRate, 16}, false},
        {"8-bit", {1, 2, kRate, 8}, false},
        {"24-bit extensible", {1, 2, kRate, 24}, true},
        {"32-bit", {1, 2, kRate, 32}, false},
        {"float", {3, 2, kRate, 32}, false},
    };
    fixture::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fixture::Bytes audio;
        for (const std::int16_t s : samples) {
            if (c.format.tag == 3) {
                const float f = static_cast<float>(s) / 32767.0f;
                fixture::Put32(audio, std::bit_cast<std::uint32_t>(f));
                continue;
            }
            // The sample in the top half of a 32-bit word with filler below; each format keeps
            // the word's top bytes (8-bit samples are unsigned: the sign bit flipped).
            const std::uint32_t word = static_cast<std::uint32_t>(s) << 16 | 0x5A34u;
            for (unsigned k = 4 - c.format.bits / 8u; k < 4; ++k) {
                const auto byte = static_cast<std::uint8_t>(word >> (8 * k));
                audio.push_back(static_cast<std::byte>(c.format.bits == 8 ? byte ^ 0x80 : byte));
            }
        }
        const auto path = dir / (c.name + ".wav");
        fixture::WriteFile(path, fixture::WavBuilder()
                                     .Fmt(c.format, c.extensible)
                                     .Data(audio)
                                     .Chunk("LIST", fixture::Bytes(6))
                                     .Build());
        const auto result = sundrel::SuggestBoundaries(path, ShortTracks());
        ASSERT_EQ(result.suggestions.size(), 1u);
        EXPECT_EQ(result.suggestions[0].frame, GapMiddle());
        EXPECT_EQ(result.rate, kRate);
    }
}

TEST(SuggestApi, UnreadableMixThrowsTheCoresError) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "bad.wav", fixture::Bytes(100, std::byte{'x'}));
    EXPECT_THROW(sundrel::SuggestBoundaries(dir / "bad.wav", {}), sundrel::WaveFileError);
    EXPECT_THROW(sundrel::SuggestBoundaries(dir / "missing.wav", {}), sundrel::WaveFileError);
}

TEST(SuggestApi, TooShortMixHasNoSuggestions) {
    for (const std::int64_t frames : {0, 1, 3000}) {
        const std::vector<Piece> pieces{{Kind::Square, frames, -12.0, 220.0}};
        const auto bytes = analysistest::Pcm16Bytes(analysistest::Render(pieces, kRate));
        const sundrel::SampleReader reader(bytes, analysistest::Stereo16(kRate));
        sundrel::SuggestOptions options;
        options.tracks = 3;
        EXPECT_TRUE(sundrel::SuggestBoundaries(reader, analysistest::Stereo16(kRate), options)
                        .suggestions.empty())
            << frames;
    }
}

} // namespace
