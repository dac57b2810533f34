#include "core/audio/WaveFile.h"
#include "core/cli/CliRunner.h"
#include "core/markers/MarkerList.h"
#include "core/project/ProjectFile.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using clitest::RunCli;
using fixture::Bytes;
using testing::HasSubstr;

struct Mixes {
    fixture::TempDir dir;
    fs::path million = dir / "million.wav"; // 1,000,044 bytes, 16-bit stereo 44.1 kHz
    fs::path long8 = dir / "long.wav";      // 300 s of 8-bit mono 8 kHz
    std::string out = dir.Path().string();
    Mixes() {
        fixture::WriteFile(million, fixture::CanonicalWav({}, fixture::TestSignal({}, 250'000)));
        const fixture::Format f{1, 1, 8000, 8};
        fixture::WriteFile(long8, fixture::CanonicalWav(f, fixture::TestSignal(f, 2'400'000)));
    }
};

TEST(CliSplit, PercentMarkersWriteAndListTheTracks) {
    Mixes m;
    const auto run = RunCli({"split", m.million.string(), "--percent", "50", "-o", m.out});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "track01.wav  0:00:00.000  0:00:02.834\n"
                       "track02.wav  0:00:02.834  0:00:02.834\n");
    EXPECT_EQ(fs::file_size(m.dir / "track01.wav"), 500'040u);
    EXPECT_EQ(fs::file_size(m.dir / "track02.wav"), 500'048u);
}

TEST(CliSplit, TimesGiveTheSameTracksAsAddMarker) {
    Mixes m;
    fs::create_directories(m.dir / "cli");
    const auto run = RunCli({"split", m.long8.string(), "--at", "3:00.5", "--at", "61", "-o",
                             (m.dir / "cli").string()});
    ASSERT_EQ(run.status, 0) << run.err;

    // The window: Add Marker at 180.5 s, then at 61 s, then Split.
    CWaveFile wave(m.long8);
    sundrel::MarkerList list;
    list.Add(180.5f, wave.GetDuration());
    list.Add(61.0f, wave.GetDuration());
    std::vector<float> values;
    for (const sundrel::Marker& marker : list.Markers()) {
        values.push_back(*marker.percent);
    }
    const auto percents = sundrel::SplitPercents(values);
    wave.Split(percents.data(), static_cast<int>(percents.size()), m.dir.Path());
    const auto tracks = fixture::Listing(m.dir / "cli");
    EXPECT_EQ(tracks, (std::vector<std::string>{"track01.wav", "track02.wav", "track03.wav"}));
    for (const auto& name : tracks) {
        EXPECT_EQ(fixture::ReadFile(m.dir / "cli" / name), fixture::ReadFile(m.dir / name));
    }
    // 61 s of 8,000 bytes per second, less the small shortfall of the 0.01f constant.
    EXPECT_NEAR(double(fs::file_size(m.dir / "cli" / "track01.wav")), 44 + 488'000, 16);
}

TEST(CliSplit, ProjectSuppliesMarkersAndMix) {
    Mixes m;
    const fs::path project = m.dir / "set.sdr";
    sundrel::WriteProject(project, m.million.string(), std::vector<float>{0.0f, 25.5f, 60.0f});
    const auto shown = RunCli({"project", project.string()});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_THAT(shown.out,
                HasSubstr("version:   2\nwave file: " + m.million.string() + "\nmarkers:   3\n"));
    EXPECT_THAT(shown.out, HasSubstr("  1  25.5 %  0:00:01.445\n"));

    const auto run = RunCli({"split", "--project", project.string(), "-o", m.out});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fixture::Listing(m.dir.Path()).size(), 6u); // the mixes, the project, 3 tracks
    EXPECT_TRUE(fs::exists(m.dir / "track03.wav"));
}

TEST(CliSplit, ExitStatusesSayWhatWentWrong) {
    Mixes m;
    const std::string mix = m.million.string();
    fixture::WriteFile(m.dir / "plain", Bytes(3));
    fixture::WriteFile(m.dir / "bad.sdr", Bytes(10, std::byte{9}));
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"split"}, 1, "give MIX"},
        {{"split", mix, "--at", "3:7x"}, 1, "not a time"},
        {{"split", mix, "--at", "0.5"}, 1, "You can't set Marker at the begin point"},
        {{"split", mix, "--at", "5"}, 1, "You can't set Marker at the end point"},
        {{"split", mix, "--percent", "101"}, 1, "not a percentage"},
        {{"split", (m.dir / "none.wav").string()}, 2, "none.wav"},
        {{"split", mix, "--project", (m.dir / "bad.sdr").string()}, 2, "unknown version 9"},
        {{"split", mix, "-o", (m.dir / "plain").string()}, 3, "plain/track01.wav"},
        {{"project", (m.dir / "none.sdr").string()}, 2, "none.sdr"},
    };
    for (const Case& c : cases) {
        const auto run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.back() << ": " << run.err;
        EXPECT_THAT(run.err, HasSubstr(c.says));
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_FALSE(fs::exists(m.dir / "track01.wav"));
}

} // namespace
