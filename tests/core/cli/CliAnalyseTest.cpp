// `analyse` prints each track's tempo, key and loudness; `split` writes them as tags of named
// tracks unless --no-analysis.

#include "core/cli/CliRunner.h"
#include "core/trackinfo/TestMusic.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <taglib/id3v2tag.h>
#include <taglib/wavfile.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using clitest::RunCli;
using testing::ContainsRegex;
using testing::HasSubstr;

// 20 s of a 126 BPM loop over chords in E minor, then 20 s at 100 BPM in D major, 44.1 kHz
// stereo.
struct AnalyseMix {
    fixture::TempDir dir;
    fs::path path = dir / "mix.wav";
    AnalyseMix() {
        testmusic::Signal music;
        for (const auto& [bpm, tonic, minor] :
             {std::tuple{126.0, 4, true}, std::tuple{100.0, 2, false}}) {
            testmusic::Signal harmony;
            while (harmony.size() < 20 * 44100) {
                const auto chords = testmusic::ChordProgression(tonic, minor, 0, 2.5, 44100);
                harmony.insert(harmony.end(), chords.begin(), chords.end());
            }
            harmony.resize(20 * 44100);
            auto track = testmusic::Mix(testmusic::DrumLoop(bpm, 20, 44100), harmony, 0.8f);
            for (float& v : track) {
                v *= 0.5f;
            }
            music.insert(music.end(), track.begin(), track.end());
        }
        fixture::WriteFile(path,
                           fixture::CanonicalWav({1, 2, 44100, 16}, testmusic::Pcm16(music, 2)));
    }
};

TEST(CliAnalyse, OneLinePerTrackAndJson) {
    const AnalyseMix m;
    const auto run = RunCli({"analyse", m.path.string(), "--at", "20"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = clitest::Lines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_THAT(lines[0], ContainsRegex("^01  0:00:00.000  12[56]\\.[0-9] BPM  E minor +9A  "
                                        " *-[0-9]+\\.[0-9] LUFS  +-?[0-9]+\\.[0-9] dBTP  "
                                        "-?[0-9]+\\.[0-9][0-9] dB$"));
    EXPECT_THAT(lines[1], ContainsRegex("^02  0:00:20.000  (99\\.[5-9]|100\\.[0-5]) BPM  D major "
                                        "+10B "));
    const auto json = RunCli({"analyse", m.path.string(), "--at", "20", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_THAT(json.out, HasSubstr("{\"track\": 1, \"start\": \"0:00:00.000\", \"bpm\": 12"));
    EXPECT_THAT(json.out, HasSubstr("\"key\": \"E minor\", \"key_short\": \"Em\", "
                                    "\"camelot\": \"9A\", \"lufs\": -"));
    EXPECT_THAT(json.out, HasSubstr("\"key\": \"D major\", \"key_short\": \"D\""));
    EXPECT_EQ(json.out.front(), '[');
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "]\n");
}

// The evaluation's grid: each setting's analysis of every track, in the order given; a
// setting it cannot use is a usage error that names it.
TEST(CliAnalyse, EachTuningOfAGridGetsItsOwnArray) {
    const AnalyseMix m;
    const auto run = RunCli({"analyse", m.path.string(), "--at", "20", "--tuning",
                             "tonal-share=0.15;salience=1000;tonal-share=1000"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, ContainsRegex("^\\[\\[\n  \\{\"track\": 1, [^\n]*\"bpm\": 12[56]\\.[0-9], "
                                       "\"key\": \"E minor\""));
    // The second setting has no tempo, the third no key; each one's loudness is the first's.
    const std::size_t second = run.out.find("]\n,[");
    const std::size_t third = run.out.find("]\n,[", second + 1);
    ASSERT_NE(third, std::string::npos) << run.out;
    const std::string a = run.out.substr(0, second), b = run.out.substr(second, third - second),
                      c = run.out.substr(third);
    EXPECT_THAT(b, ContainsRegex("\"bpm\": null, \"key\": \"E minor\""));
    EXPECT_THAT(b, ContainsRegex("\"bpm\": null, \"key\": \"D major\""));
    EXPECT_THAT(c, ContainsRegex("\"bpm\": 12[56]\\.[0-9], \"key\": null"));
    const auto lufs = [](const std::string& s) { return s.substr(s.find("\"lufs\"")); };
    EXPECT_EQ(lufs(a).substr(0, 14), lufs(c).substr(0, 14));

    const auto bad = RunCli({"analyse", m.path.string(), "--tuning", "salience=1;speed=2"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_THAT(bad.err, HasSubstr("tuning: speed=2"));
    EXPECT_TRUE(bad.out.empty());
}

// Named tracks get the tags; --no-analysis leaves them out (that the audio stays the mix's:
// TrackInfoTagsTest).
TEST(CliAnalyse, SplitTagsNamedTracksUnlessTold) {
    const AnalyseMix m;
    const std::string labels = (m.dir / "labels.txt").string();
    fixture::WriteText(labels, "0\t0\tOne - First\n20\t20\tTwo - Second\n");
    for (const bool analyse : {true, false}) {
        const fs::path out = m.dir / (analyse ? "with" : "without");
        std::vector<std::string> args{"split", m.path.string(), "--labels", labels,
                                      "-o",    out.string()};
        if (!analyse) {
            args.push_back("--no-analysis");
        }
        const auto run = RunCli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        TagLib::RIFF::WAV::File file((out / "track02.wav").c_str());
        ASSERT_TRUE(file.isValid() && file.hasID3v2Tag());
        const auto& bpm = file.ID3v2Tag()->frameListMap()["TBPM"];
        const auto& key = file.ID3v2Tag()->frameListMap()["TKEY"];
        if (analyse) {
            ASSERT_FALSE(bpm.isEmpty());
            EXPECT_NEAR(std::stod(bpm.front()->toString().to8Bit()), 100.0, 0.5);
            ASSERT_FALSE(key.isEmpty());
            EXPECT_EQ(key.front()->toString().to8Bit(), "D");
        } else {
            EXPECT_TRUE(bpm.isEmpty());
            EXPECT_TRUE(key.isEmpty());
        }
        EXPECT_EQ(file.ID3v2Tag()->title().to8Bit(), "Second");
    }
}

} // namespace
