// Our decoding against libsndfile on the same generated files: same format, same frame count,
// same sample values, for every sample type, mono and stereo, plain and extensible headers,
// with and without extra chunks (each layout of the chunks: WaveLayoutTest, WaveFileTest); the
// block read gives what the element read gives.

#include "core/audio/SampleReader.h"
#include "core/audio/WaveFile.h"
#include "core/riff/MappedFile.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <span>
#include <stdexcept>
#include <vector>

namespace {

using fixture::Format;

struct Case {
    const char* name;
    Format format;
    bool extensible;
    bool extraChunks;
};

class DecodeOracle : public ::testing::TestWithParam<Case> {};

TEST_P(DecodeOracle, MatchesLibsndfile) {
    const Case c = GetParam();
    fixture::TempDir dir;
    // An odd frame count, so 8-bit mono data gets a pad byte.
    const fixture::Bytes audio = fixture::TestSignal(c.format, 3001, 7);
    const auto path = dir / "case.wav";
    fixture::WriteFile(path,
                       c.extraChunks
                           ? fixture::ChunkyWav(c.format, audio, c.extensible)
                           : fixture::WavBuilder().Fmt(c.format, c.extensible).Data(audio).Build());

    const CWaveFile wave(path);
    const sundrel::MappedFile mapped(path);
    const sundrel::SampleReader reader(mapped.Bytes().subspan(wave.m_nDataOffset, wave.m_nDataSize),
                                       wave.GetFormat());

    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.channels, c.format.channels);
    EXPECT_EQ(info.samplerate, static_cast<int>(c.format.rate));
    EXPECT_EQ(static_cast<std::uint64_t>(info.frames), wave.m_nDataSize / wave.m_wfx.nBlockAlign);
    EXPECT_EQ(reader.ElementCount(), static_cast<std::int64_t>(info.frames) * info.channels);
    const int sub = info.format & SF_FORMAT_SUBMASK;
    if (c.format.tag == 3) {
        EXPECT_EQ(sub, SF_FORMAT_FLOAT);
        std::vector<float> ref(static_cast<std::size_t>(info.frames * info.channels));
        sf_readf_float(sf, ref.data(), info.frames);
        for (std::size_t i = 0; i < ref.size(); ++i) {
            const double expect =
                std::fmax(-32768.0, std::fmin(32767.0, std::round(ref[i] * 32767.0)));
            ASSERT_EQ(reader.Element(static_cast<std::int64_t>(i)),
                      static_cast<std::int32_t>(expect))
                << i;
        }
    } else {
        const int expectSub = c.format.bits == 8    ? SF_FORMAT_PCM_U8
                              : c.format.bits == 16 ? SF_FORMAT_PCM_16
                              : c.format.bits == 24 ? SF_FORMAT_PCM_24
                                                    : SF_FORMAT_PCM_32;
        EXPECT_EQ(sub, expectSub);
        std::vector<int> ref(static_cast<std::size_t>(info.frames * info.channels));
        sf_readf_int(sf, ref.data(), info.frames);
        const int shift = c.format.bits == 8 ? 24 : 16; // libsndfile left-justifies to 32 bits
        for (std::size_t i = 0; i < ref.size(); ++i) {
            ASSERT_EQ(reader.Element(static_cast<std::int64_t>(i)), ref[i] >> shift) << i;
        }
    }
    sf_close(sf);
    EXPECT_THROW(reader.Element(reader.ElementCount()), std::out_of_range);
    EXPECT_THROW(reader.Element(-1), std::out_of_range);
    // The block read gives the same elements from any first one; it never reads past the end.
    const std::int64_t count = reader.ElementCount();
    for (const std::int64_t first : {std::int64_t{0}, std::int64_t{5}}) {
        std::vector<std::int32_t> block(static_cast<std::size_t>(count - first));
        reader.Elements(first, block);
        for (std::size_t i = 0; i < block.size(); ++i) {
            ASSERT_EQ(block[i], reader.Element(first + static_cast<std::int64_t>(i))) << i;
        }
    }
    std::vector<std::int32_t> two(2);
    EXPECT_THROW(reader.Elements(count - 1, two), std::out_of_range);
    EXPECT_THROW(reader.Elements(-1, two), std::out_of_range);
    reader.Elements(count, std::span<std::int32_t>{}); // an empty read at the end is fine
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodeOracle,
                         ::testing::Values(Case{"u8mono", {1, 1, 22050, 8}, false, false},
                                           Case{"s16monoChunks", {1, 1, 44100, 16}, false, true},
                                           Case{"s24ext", {1, 2, 96000, 24}, true, false},
                                           Case{"s32ext", {1, 2, 44100, 32}, true, true},
                                           Case{"f32stereo", {3, 2, 44100, 32}, false, true},
                                           Case{"f32ext", {3, 1, 48000, 32}, true, false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SampleReader, ScaleKeepsEightBitStepsAndSixteenBitRange) {
    const fixture::Bytes u8 = {std::byte{0}, std::byte{128}, std::byte{255}};
    const sundrel::SampleReader r8(u8, {1, 1, 8000, 8, false});
    EXPECT_EQ((std::tuple{r8.Scale(), r8.Element(0), r8.Element(1), r8.Element(2)}),
              (std::tuple{128, -128, 0, 127}));
    fixture::Bytes s16;
    fixture::Put32(s16, 0x7FFF8000);
    s16.push_back(std::byte{1}); // a trailing partial element is not an element
    const sundrel::SampleReader r16(s16, {1, 1, 8000, 16, false});
    EXPECT_EQ((std::tuple{r16.Scale(), r16.Element(0), r16.Element(1), r16.ElementCount()}),
              (std::tuple{32767, -32768, 32767, std::int64_t{2}}));
}

} // namespace
