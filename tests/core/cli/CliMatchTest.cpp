#include "core/cli/CliRunner.h"
#include "core/match/SynthMusic.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using clitest::Lines;
using clitest::RunCli;
namespace fs = std::filesystem;

constexpr std::uint32_t kRate = 8000;

// The played set without music past Bravo, in a folder of its own.
struct Folder {
    fixture::TempDir dir;
};
struct PlayedSet : Folder, matchtest::PlayedSet {
    PlayedSet() : matchtest::PlayedSet(dir.Path(), false) {}
};

// The plays of the files that play, and only those; a file that is not audio among the
// candidates is named and skipped, and candidates that are not there are refused.
TEST(CliMatch, ListsThePlaysOfTheFilesThatPlayOnly) {
    PlayedSet set;
    fixture::WriteFile(set.tracks / "notes.mp3", fixture::Bytes(100, std::byte{'n'}));
    auto r = RunCli({"match", set.mix.string(), "--tracks-from", set.tracks.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("notes.mp3: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("(skipped)"), std::string::npos) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_NE(lines[0].find("Alpha.wav"), std::string::npos);
    EXPECT_NE(lines[1].find("more/Bravo.wav"), std::string::npos);
    EXPECT_LT(std::stod(lines[0]), 1.0);
    EXPECT_NEAR(std::stod(lines[1]), 40.0, 1.0);
    EXPECT_NE(lines[1].find(" 1.03"), std::string::npos) << lines[1];

    fs::create_directories(set.dir / "empty");
    r = RunCli({"match", set.mix.string(), "--tracks-from", (set.dir / "empty").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no audio files in the folder"), std::string::npos) << r.err;
    fixture::WriteText(set.dir / "set.m3u", "x.mp3\n");
    r = RunCli({"match", set.mix.string(), "--tracks-from", (set.dir / "set.m3u").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("none of the playlist's 1 files exists"), std::string::npos) << r.err;
}

TEST(CliMatch, ExportAndSplitTakeNamedTracksFromTheFiles) {
    PlayedSet set;
    const auto r = RunCli(
        {"export", set.mix.string(), "--tracks-from", set.tracks.string(), "--to-tracklist", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0], "00:00 Alpha");
    EXPECT_EQ(lines[1], "00:40 Bravo");
    fs::create_directories(set.dir / "out");
    const auto split = RunCli({"split", set.mix.string(), "--tracks-from", set.tracks.string(),
                               "--output", (set.dir / "out").string()});
    ASSERT_EQ(split.status, 0) << split.err;
    // The second track carries the second file's name as its title tag.
    const TagLib::FileRef second((set.dir / "out/track02.wav").c_str());
    ASSERT_FALSE(second.isNull()) << split.out;
    EXPECT_EQ(second.tag()->title().to8Bit(true), "Bravo");
}

// Alpha plays to 40 s; then two tracks that are not among the files, 80 s and 78 s with 2 s
// of silence between them (120-122 s): one unknown stretch with a suggestion in its middle.
TEST(CliMatch, SuggestsBoundariesWhereNoFilePlays) {
    fixture::TempDir dir;
    fs::create_directories(dir / "tracks");
    const auto alpha = matchtest::Score(60.0, 41);
    matchtest::WriteMono(dir / "tracks/Alpha.wav", matchtest::RenderAll(alpha, 60.0, kRate), kRate);
    matchtest::WriteMono(dir / "tracks/Delta.wav",
                         matchtest::RenderAll(matchtest::Score(60.0, 44), 60.0, kRate), kRate);
    std::vector<float> m;
    matchtest::Render(alpha, 0.0, 40.0, 1.0, true, 0.0, 1.0, kRate, m);
    m.resize(40 * kRate, 0.0f);
    matchtest::Render(matchtest::Score(80.0, 51), 0.0, 80.0, 1.0, true, 40.0, 0.9, kRate, m);
    m.resize(122 * kRate, 0.0f);
    matchtest::Render(matchtest::Score(78.0, 52), 0.0, 78.0, 1.0, true, 122.0, 0.6, kRate, m);
    m.resize(200 * kRate, 0.0f);
    matchtest::WriteMono(dir / "mix.wav", m, kRate);

    auto r =
        RunCli({"match", (dir / "mix.wav").string(), "--tracks-from", (dir / "tracks").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_NE(lines[0].find("Alpha.wav"), std::string::npos);
    EXPECT_NE(lines[1].find("unknown"), std::string::npos);
    EXPECT_NE(lines[2].find("  suggested  "), std::string::npos) << lines[2];
    EXPECT_NEAR(std::stod(lines[2]), 121.0, 0.5) << lines[2];

    r = RunCli({"match", (dir / "mix.wav").string(), "--tracks-from", (dir / "tracks").string(),
                "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string key = "\"suggested\": [{\"at\": ";
    const std::size_t at = r.out.find(key);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_NEAR(std::stod(r.out.substr(at + key.size())), 121.0, 0.5) << r.out;
}

} // namespace
