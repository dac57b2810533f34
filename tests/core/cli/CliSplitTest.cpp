#include "core/audio/WaveFile.h"
#include "core/markers/MarkerList.h"
#include "core/project/ProjectFile.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

std::string Text(const fs::path& path) {
    const Bytes b = fixture::ReadFile(path);
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

CliRun Cli(const fixture::TempDir& dir, const std::vector<std::string>& args) {
    std::string command = Quote(SUNDREL_CLI_PATH);
    for (const auto& a : args) {
        command += " " + Quote(a);
    }
    command += " >" + Quote((dir / "stdout").string()) + " 2>" + Quote((dir / "stderr").string());
    const int raw = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = Text(dir / "stdout");
    run.err = Text(dir / "stderr");
    return run;
}

struct Mixes {
    fixture::TempDir dir;
    fs::path million = dir / "million.wav"; // 1,000,044 bytes, 16-bit stereo 44.1 kHz
    fs::path long8 = dir / "long.wav";      // 300 s of 8-bit mono 8 kHz
    Mixes() {
        fixture::WriteFile(million, fixture::CanonicalWav({}, fixture::TestSignal({}, 250'000)));
        const fixture::Format f{1, 1, 8000, 8};
        fixture::WriteFile(long8, fixture::CanonicalWav(f, fixture::TestSignal(f, 2'400'000)));
    }
};

TEST(CliSplit, PercentMarkersWriteAndListTheTracks) {
    Mixes m;
    const CliRun run =
        Cli(m.dir, {"split", m.million.string(), "--percent", "50", "-o", m.dir.Path().string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "track01.wav  0:00:00.000  0:00:02.834\n"
                       "track02.wav  0:00:02.834  0:00:02.834\n");
    EXPECT_EQ(fs::file_size(m.dir / "track01.wav"), 500'040u);
    EXPECT_EQ(fs::file_size(m.dir / "track02.wav"), 500'048u);
}

TEST(CliSplit, TimesGiveTheSameTracksAsAddMarker) {
    Mixes m;
    const fs::path cliOut = m.dir / "cli";
    const fs::path windowOut = m.dir / "window";
    fs::create_directories(cliOut);
    fs::create_directories(windowOut);
    const CliRun run = Cli(
        m.dir, {"split", m.long8.string(), "--at", "3:00.5", "--at", "61", "-o", cliOut.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    // The window: Add Marker at 180.5 s, then at 61 s, then Split.
    CWaveFile wave(m.long8);
    sundrel::MarkerList list;
    list.Add(180.5f, wave.GetDuration());
    list.Add(61.0f, wave.GetDuration());
    const auto percents = list.SplitPercents();
    wave.Split(percents.data(), static_cast<int>(percents.size()), windowOut);
    for (const char* name : {"track01.wav", "track02.wav", "track03.wav"}) {
        EXPECT_EQ(fixture::ReadFile(cliOut / name), fixture::ReadFile(windowOut / name)) << name;
    }
    EXPECT_FALSE(fs::exists(cliOut / "track04.wav"));
    // 61 s of 8,000 bytes per second, less the small shortfall of the 0.01f constant.
    EXPECT_NEAR(double(fs::file_size(cliOut / "track01.wav")), 44 + 488'000, 16);
}

TEST(CliSplit, ProjectSuppliesMarkersAndMix) {
    Mixes m;
    const float markers[] = {0.0f, 25.5f, 60.0f};
    const fs::path project = m.dir / "set.sdr";
    sundrel::WriteProject(project, m.million.string(), markers);

    const CliRun shown = Cli(m.dir, {"project", project.string()});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("version:   2\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("wave file: " + m.million.string() + "\n"), std::string::npos);
    EXPECT_NE(shown.out.find("markers:   3\n"), std::string::npos);
    EXPECT_NE(shown.out.find("  1  25.5 %  0:00:01.445\n"), std::string::npos) << shown.out;

    const fs::path out = m.dir / "out";
    fs::create_directories(out);
    const CliRun run = Cli(m.dir, {"split", "--project", project.string(), "-o", out.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(out / "track03.wav"));
    EXPECT_FALSE(fs::exists(out / "track04.wav"));
}

TEST(CliSplit, ExitStatusesSayWhatWentWrong) {
    Mixes m;
    const std::string mix = m.million.string();
    const std::string out = m.dir.Path().string();
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
        const CliRun run = Cli(m.dir, c.args);
        EXPECT_EQ(run.status, c.status) << c.args.back() << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_FALSE(fs::exists(m.dir / "track01.wav"));
}

} // namespace
