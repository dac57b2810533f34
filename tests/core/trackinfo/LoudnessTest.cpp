#include "core/trackinfo/TrackLoudness.h"

#include "../split/ChildProcess.h"
#include "TestMusic.h"
#include "core/audio/WaveFile.h"
#include "core/markers/Marker.h"
#include "core/trackinfo/SplitAnalysis.h"
#include "core/trackinfo/TrackInfoText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <regex>
#include <string>

namespace sundrel {
namespace {

namespace fs = std::filesystem;

struct Ffmpeg {
    double integrated = 0;
    double truePeak = 0; // dBTP
};

// What ffmpeg's ebur128 filter measures of a file (its summary: one decimal).
std::optional<Ffmpeg> FfmpegLoudness(const fs::path& path) {
    const auto [out, status] =
        childproc::Shell("ffmpeg -nostats -hide_banner -i '" + path.string() +
                         "' -af ebur128=peak=true -f null - 2>&1 | sed -n '/Summary/,$p'");
    std::smatch m;
    Ffmpeg result;
    if (status != 0 || !std::regex_search(out, m, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)"))) {
        return std::nullopt;
    }
    result.integrated = std::stod(m[1]);
    if (!std::regex_search(out, m, std::regex(R"(True peak:\s+Peak:\s+(-?[0-9.]+) dBFS)"))) {
        return std::nullopt;
    }
    result.truePeak = std::stod(m[1]);
    return result;
}

// The analysis of a whole file as one track, its frames read from the file.
TrackInfo AnalyseFile(const fs::path& path) {
    const CWaveFile wave(path);
    const std::vector<Marker> markers{FrameMarker(0)};
    const auto infos = AnalyseSplitTracks(wave, markers);
    return infos.at(0);
}

// The reference signal of EBU Tech 3341: a 1 kHz sine at -23 dBFS in both channels of a stereo
// file measures -23.0 LUFS.
TEST(TrackLoudness, StereoSineAtTheReferenceLevel) {
    const auto sine = testmusic::Sine(1000, 0, std::pow(10.0, -23.0 / 20.0), 20, 48000);
    fixture::TempDir dir;
    fixture::WriteFile(dir / "sine.wav",
                       fixture::CanonicalWav({1, 2, 48000, 16}, testmusic::Pcm16(sine, 2)));
    const TrackInfo info = AnalyseFile(dir / "sine.wav");
    EXPECT_NEAR(info.loudness.integrated, -23.0, 0.1);
    EXPECT_NEAR(20 * std::log10(info.loudness.truePeak), -23.0, 0.1);
    EXPECT_NEAR(std::stod(TrackGainText(info)), 5.0, 0.1); // -18 - (-23)
}

// Pink noise at several levels, channel balances, rates and lengths, against ffmpeg's meter.
TEST(TrackLoudness, PinkNoiseAgreesWithFfmpeg) {
    if (childproc::Shell("command -v ffmpeg").second != 0) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const struct {
        std::uint32_t rate;
        unsigned channels;
        double rms;
        std::vector<float> gains;
        double seconds;
    } cases[] = {
        {44100, 2, 0.1, {1.0f, 1.0f}, 20},   {48000, 2, 0.03, {1.0f, 0.5f}, 12},
        {44100, 1, 0.2, {1.0f}, 9},          {96000, 2, 0.25, {0.8f, 1.0f}, 6},
        {44100, 2, 0.004, {1.0f, 1.0f}, 15}, {22050, 2, 0.15, {0.0f, 1.0f}, 30},
    };
    fixture::TempDir dir;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.rate << " Hz, " << c.channels << " channels, rms " << c.rms);
        const auto noise =
            testmusic::PinkNoise(c.seconds, c.rate, c.rms, static_cast<std::uint32_t>(++n));
        const fs::path path = dir / ("noise" + std::to_string(n) + ".wav");
        fixture::WriteFile(
            path, fixture::CanonicalWav({1, static_cast<std::uint16_t>(c.channels), c.rate, 16},
                                        testmusic::Pcm16(noise, c.channels, c.gains)));
        const auto reference = FfmpegLoudness(path);
        ASSERT_TRUE(reference);
        const TrackInfo info = AnalyseFile(path);
        EXPECT_NEAR(info.loudness.integrated, reference->integrated, 0.1);
        EXPECT_NEAR(20 * std::log10(info.loudness.truePeak), reference->truePeak, 0.2);
    }
}

TEST(TrackLoudness, SilenceHasNoLoudnessAndNoTagsTheRestTheirTexts) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "silence.wav",
                       fixture::CanonicalWav({1, 2, 44100, 16}, fixture::Bytes(44100 * 4 * 5)));
    TrackInfo info = AnalyseFile(dir / "silence.wav");
    EXPECT_FALSE(info.HasLoudness());
    EXPECT_EQ(info.bpm, 0.0);
    EXPECT_FALSE(info.key);
    std::vector<TrackTags> none(1);
    AddTrackInfoTags(none, std::vector<TrackInfo>{info});
    EXPECT_EQ(none[0], TrackTags{});

    info = TrackInfo{};
    info.bpm = 127.96;
    info.key = MusicalKey{6, false};
    info.loudness.integrated = -9.284;
    info.loudness.truePeak = 0.9772;
    std::vector<TrackTags> tags(2);
    AddTrackInfoTags(tags, std::vector<TrackInfo>{info});
    EXPECT_EQ(tags[0].bpm, "128.0");
    EXPECT_EQ(tags[0].key, "F#");
    EXPECT_EQ(tags[0].trackGain, "-8.72 dB");
    EXPECT_EQ(tags[0].trackPeak, "0.977200");
    EXPECT_EQ(LufsText(info), "-9.3");
    EXPECT_EQ(TruePeakText(info), "-0.2");
    EXPECT_EQ(tags[1], TrackTags{}) << "a track without analysis gets nothing";
    info.loudness.integrated = -18.001;
    EXPECT_EQ(TrackGainText(info), "0.00 dB") << "no minus sign on a gain rounded to zero";
}

} // namespace
} // namespace sundrel
