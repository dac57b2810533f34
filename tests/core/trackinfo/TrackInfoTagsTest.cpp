// Tempo, key and ReplayGain tags of split tracks, read back by TagLib, ffprobe and mutagen;
// the audio of every track stays the mix's, bit for bit.

#include "../split/TrackReaders.h"
#include "TestMusic.h"
#include "core/audio/WaveFile.h"
#include "core/markers/Marker.h"
#include "core/split/SplitNaming.h"
#include "core/trackinfo/SplitAnalysis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <map>
#include <string>

namespace sundrel {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

constexpr std::uint32_t kRate = 44100;
constexpr double kTrackSeconds = 30;

// Two tracks: 124 BPM in A minor, then 140 BPM in F major, 16-bit stereo.
struct TwoTrackMix {
    fixture::TempDir dir;
    fs::path path = dir / "mix.wav";
    fixture::Bytes audio;
    TwoTrackMix() {
        testmusic::Signal music;
        for (const auto& [bpm, tonic, minor] :
             {std::tuple{124.0, 9, true}, std::tuple{140.0, 5, false}}) {
            auto chords = testmusic::ChordProgression(tonic, minor, 0, 2.0, kRate);
            testmusic::Signal harmony;
            while (static_cast<double>(harmony.size()) < kTrackSeconds * kRate) {
                harmony.insert(harmony.end(), chords.begin(), chords.end());
            }
            harmony.resize(static_cast<std::size_t>(kTrackSeconds * kRate));
            const auto track =
                testmusic::Mix(testmusic::DrumLoop(bpm, kTrackSeconds, kRate), harmony, 0.8f);
            music.insert(music.end(), track.begin(), track.end());
        }
        audio = testmusic::Pcm16(music, 2, {0.5f, 0.45f});
        fixture::WriteFile(path, fixture::CanonicalWav({1, 2, kRate, 16}, audio));
    }
};

std::vector<Marker> NamedMarkers() {
    std::vector<Marker> markers{FrameMarker(0),
                                FrameMarker(static_cast<std::int64_t>(kTrackSeconds * kRate))};
    markers[0].title = "Opening";
    markers[0].artist = "DJ One";
    markers[1].title = "Second";
    markers[1].artist = "DJ Two";
    return markers;
}

std::vector<SplitTrack> SplitMix(const TwoTrackMix& mix, const std::vector<Marker>& markers,
                                 TrackFormat format, const fs::path& out, bool analyse) {
    CWaveFile wave(mix.path);
    SplitOptions options;
    options.format = format;
    NameSplit(options, markers, wave.m_nDataSize, wave.m_wfx.nBlockAlign, kRate, MixInfo{},
              mix.path, "");
    if (analyse) {
        TagSplitWithAnalysis(options, wave, markers);
    }
    fs::create_directories(out);
    return wave.Split(markers, out, options);
}

std::string Id3Text(TagLib::ID3v2::Tag* id3, const char* id) {
    const auto& list = id3->frameListMap()[id];
    return list.isEmpty() ? std::string() : list.front()->toString().to8Bit(true);
}

std::string Id3UserText(TagLib::ID3v2::Tag* id3, const char* description) {
    auto* frame = TagLib::ID3v2::UserTextIdentificationFrame::find(id3, description);
    return frame == nullptr || frame->fieldList().size() < 2 ? std::string()
                                                             : frame->fieldList()[1].to8Bit(true);
}

// BPM, key, gain and peak of each track, as TagLib reads them.
using FourTags = std::array<std::string, 4>;

FourTags WavTags(const fs::path& path) {
    TagLib::RIFF::WAV::File file(path.c_str());
    if (!file.isValid() || !file.hasID3v2Tag()) {
        return {};
    }
    auto* id3 = file.ID3v2Tag();
    return {Id3Text(id3, "TBPM"), Id3Text(id3, "TKEY"), Id3UserText(id3, "REPLAYGAIN_TRACK_GAIN"),
            Id3UserText(id3, "REPLAYGAIN_TRACK_PEAK")};
}

FourTags FlacTags(const fs::path& path) {
    TagLib::FLAC::File file(path.c_str());
    if (!file.isValid() || file.xiphComment() == nullptr) {
        return {};
    }
    const auto fields = file.xiphComment()->fieldListMap();
    const auto get = [&fields](const char* key) {
        const auto it = fields.find(key);
        return it == fields.end() || it->second.isEmpty() ? std::string()
                                                          : it->second.front().to8Bit(true);
    };
    return {get("BPM"), get("INITIALKEY"), get("REPLAYGAIN_TRACK_GAIN"),
            get("REPLAYGAIN_TRACK_PEAK")};
}

void ExpectAnswers(const std::vector<FourTags>& tags) {
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_NEAR(std::stod(tags[0][0]), 124.0, 0.5);
    EXPECT_EQ(tags[0][1], "Am");
    EXPECT_NEAR(std::stod(tags[1][0]), 140.0, 0.5);
    EXPECT_EQ(tags[1][1], "F");
    for (const FourTags& t : tags) {
        EXPECT_THAT(t[2], testing::MatchesRegex("-?[0-9]+\\.[0-9][0-9] dB"));
        EXPECT_THAT(t[3], testing::MatchesRegex("[01]\\.[0-9]{6}"));
    }
}

// Without any name the tracks stay the plain header and the audio: nothing is analysed.
TEST(TrackInfoTags, AnUnnamedSplitStaysHeaderAndAudio) {
    const TwoTrackMix mix;
    const std::vector<Marker> markers{
        FrameMarker(0), FrameMarker(static_cast<std::int64_t>(kTrackSeconds * kRate))};
    CWaveFile wave(mix.path);
    SplitOptions options;
    NameSplit(options, markers, wave.m_nDataSize, wave.m_wfx.nBlockAlign, kRate, MixInfo{},
              mix.path, "");
    EXPECT_FALSE(TagSplitWithAnalysis(options, wave, markers));
    fs::create_directories(mix.dir / "out");
    for (const SplitTrack& t : wave.Split(markers, mix.dir / "out", options)) {
        EXPECT_EQ(fs::file_size(t.path), 44 + t.span.size);
    }
}

// Each format's tracks hold the mix's audio (WAV's bit for bit after its 44-byte header) and
// the analysis, as TagLib, ffprobe and mutagen read it.
TEST(TrackInfoTags, TracksCarryTheAnalysisAndTheMixesAudioInEitherFormat) {
    const TwoTrackMix mix;
    std::vector<SplitTrack> wav, flac;
    const std::vector<int> samples = trackread::Samples(mix.path);
    for (const TrackFormat format : {TrackFormat::Wav, TrackFormat::Flac}) {
        const bool isWav = format == TrackFormat::Wav;
        (isWav ? wav : flac) =
            SplitMix(mix, NamedMarkers(), format, mix.dir / (isWav ? "wav" : "flac"), true);
        const std::vector<SplitTrack>& tracks = isWav ? wav : flac;
        ASSERT_EQ(tracks.size(), 2u);
        std::vector<FourTags> tags;
        for (const SplitTrack& t : tracks) {
            tags.push_back(isWav ? WavTags(t.path) : FlacTags(t.path));
            if (isWav) {
                EXPECT_EQ(fixture::Slice(fixture::ReadFile(t.path), 44, t.span.size),
                          fixture::Slice(mix.audio, t.span.offset, t.span.size));
            }
            EXPECT_EQ(trackread::Samples(t.path),
                      trackread::SamplesOf(samples, t.span.offset / 2, t.span.size / 2));
        }
        ExpectAnswers(tags);
    }
    const FourTags w = WavTags(wav[0].path);
    const FourTags f = FlacTags(flac[0].path);
    if (trackread::HaveTool("ffprobe")) {
        const std::string flacJson = trackread::Ffprobe(flac[0].path);
        EXPECT_THAT(flacJson, HasSubstr("\"BPM\": \"" + f[0] + "\"")) << flacJson;
        EXPECT_THAT(flacJson, HasSubstr("\"INITIALKEY\": \"" + f[1] + "\"")) << flacJson;
        EXPECT_THAT(flacJson, HasSubstr("\"REPLAYGAIN_TRACK_GAIN\": \"" + f[2] + "\""));
        EXPECT_THAT(flacJson, HasSubstr("\"REPLAYGAIN_TRACK_PEAK\": \"" + f[3] + "\""));
        // (ffprobe shows a WAV file's INFO list, not its id3 chunk: TagLib and mutagen read
        // that.)
    }
    if (childproc::Shell("/usr/bin/python3 -c 'import mutagen' 2>/dev/null").second != 0) {
        GTEST_SKIP() << "python3-mutagen is not installed";
    }
    const auto mutagen = [](const fs::path& p, const std::string& keys) {
        return childproc::Shell(
                   "/usr/bin/python3 -c 'import sys, mutagen; t = mutagen.File(sys.argv[1]).tags; "
                   "print(\"|\".join(str(t[k][0]) for k in sys.argv[2:]))' '" +
                   p.string() + "' " + keys)
            .first;
    };
    EXPECT_EQ(
        mutagen(wav[0].path, "TBPM TKEY TXXX:REPLAYGAIN_TRACK_GAIN TXXX:REPLAYGAIN_TRACK_PEAK"),
        w[0] + "|" + w[1] + "|" + w[2] + "|" + w[3] + "\n");
    EXPECT_EQ(mutagen(flac[0].path, "bpm initialkey replaygain_track_gain replaygain_track_peak"),
              f[0] + "|" + f[1] + "|" + f[2] + "|" + f[3] + "\n");
    EXPECT_EQ(w, f) << "the same analysis in both formats";
}

} // namespace
} // namespace sundrel
