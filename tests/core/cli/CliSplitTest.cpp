#include "core/audio/WaveFile.h"
#include "core/cli/CliRunner.h"
#include "core/io/FolderLock.h"
#include "core/markers/Marker.h"
#include "core/project/ProjectFile.h"
#include "core/split/SplitPlan.h"
#include "support/WavFixture.h"

#include <chrono>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using clitest::RunCli;
using fixture::Bytes;
using testing::HasSubstr;

// 300 s of 8-bit mono 8 kHz as long.wav, 1,000,044 bytes of 16-bit stereo 44.1 kHz, and an
// empty folder "out" beside them.
struct Mixes : clitest::MixFolder {
    fs::path million = dir / "million.wav";
    fs::path long8 = mix;
    std::string out = dir.Path().string();
    fs::path outDir = dir / "out";
    Mixes() : MixFolder(300, "long.wav") {
        fixture::WriteFile(million, fixture::CanonicalWav({}, fixture::TestSignal({}, 250'000)));
        fs::create_directory(outDir);
    }
};

TEST(CliSplit, PercentMarkersWriteAndListTheTracks) {
    Mixes m;
    const auto run =
        RunCli({"split", m.million.string(), "--percent", "50", "--sync", "-o", m.out});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "track01.wav  0:00:00.000  0:00:02.834\n"
                       "track02.wav  0:00:02.834  0:00:02.834\n");
    EXPECT_EQ(fs::file_size(m.dir / "track01.wav"), 500'040u);
    EXPECT_EQ(fs::file_size(m.dir / "track02.wav"), 500'048u);
}

// On a terminal the analysis and the split show their progress on one line, cleared before
// the list of tracks; into a file (every other test here) they print none.
TEST(CliSplit, ProgressOnlyOnATerminal) {
    Mixes m;
    const std::vector<std::string> args{
        "split", m.long8.string(), "--suggested", "--tracks", "2", "--at", "100", "-o", m.out};
    const auto terminal = clitest::RunCliOnTerminal(args);
    ASSERT_EQ(terminal.status, 0) << terminal.out;
    EXPECT_THAT(terminal.out, HasSubstr("\rsundrel-cli split: finding boundaries 0 %\x1b[K"));
    EXPECT_THAT(terminal.out, HasSubstr("\rsundrel-cli split: writing tracks 100 %\x1b[K\r\x1b["
                                        "Ktrack01.wav  0:00:00.000"));
    const auto file = RunCli(args);
    ASSERT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(file.out.find('\r'), std::string::npos);
    EXPECT_EQ(file.err.find('\r'), std::string::npos);
}

// A new folder is made as mkdir -p makes it, and named; one that cannot be made is reported
// before anything else happens (the mix is read, the analysis runs).
TEST(CliSplit, ANewFolderIsCreatedFirst) {
    Mixes m;
    const fs::path fresh = m.dir / "new" / "tracks";
    const auto run = RunCli({"split", m.long8.string(), "--at", "100", "-o", fresh.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("created folder " + (m.dir / "new").string() + "\n"));
    EXPECT_THAT(run.err, HasSubstr("created folder " + fresh.string() + "\n"));
    EXPECT_TRUE(fs::is_regular_file(fresh / "track02.wav"));

    fixture::WriteFile(m.dir / "file", {});
    // The mix is not even read: its own error (it is missing) does not come first.
    const auto blocked = RunCli({"split", (m.dir / "missing.wav").string(), "--suggested", "-o",
                                 (m.dir / "file" / "sub").string()});
    EXPECT_EQ(blocked.status, 3);
    EXPECT_THAT(blocked.err, HasSubstr((m.dir / "file" / "sub").string() +
                                       ": cannot create the folder: Not a directory"));
    EXPECT_THAT(blocked.err, testing::Not(HasSubstr("missing.wav")));
}

// The listing reads each time from its exact frame, truncated to the millisecond as the
// window's labels and track table are: 557,904 frames at 48 kHz are 11.623 s, not 11.622.
TEST(CliSplit, ListedTimesComeFromTheExactFrame) {
    fixture::TempDir dir;
    const fixture::Format f{1, 1, 48000, 16};
    const fs::path mix = dir / "mix48.wav";
    fixture::WriteFile(mix, fixture::CanonicalWav(f, fixture::TestSignal(f, 1'000'000)));
    const auto run = RunCli({"split", mix.string(), "--at", "11.623", "-o", dir.Path().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "track01.wav  0:00:00.000  0:00:11.623\n"
                       "track02.wav  0:00:11.623  0:00:09.210\n");
}

TEST(CliSplit, TimesCutAtTheirExactFrame) {
    Mixes m;
    const auto run =
        RunCli({"split", m.long8.string(), "--at", "3:00.5", "--at", "61", "-o", m.out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "track01.wav  0:00:00.000  0:01:01.000\n"
                       "track02.wav  0:01:01.000  0:01:59.500\n"
                       "track03.wav  0:03:00.500  0:01:59.500\n");
    // 8,000 frames of one byte a second: the second track holds frames 488,000 to 1,444,000.
    // (That a track's bytes are the mix's at its frames: the split tests.)
    EXPECT_EQ(CWaveFile(m.dir / "track02.wav").m_nDataSize, 1'444'000u - 488'000u);
}

TEST(CliSplit, ShowsProjectsAndSplitsVersion3Ones) {
    Mixes m;
    const fs::path set = m.dir / "set.sdr";
    sundrel::WriteProject(set, m.million.string(),
                          std::vector{sundrel::PercentMarker(0.0f), sundrel::PercentMarker(25.5f),
                                      sundrel::PercentMarker(60.0f)});
    const auto version2 = RunCli({"project", set.string()});
    EXPECT_EQ(version2.status, 0) << version2.err;
    EXPECT_THAT(version2.out,
                HasSubstr("version:   2\nwave file: " + m.million.string() + "\nmarkers:   3\n"));
    EXPECT_THAT(version2.out, HasSubstr("  1  25.5 %  0:00:01.445\n"));

    const fs::path project = m.dir / "named.sdr";
    sundrel::Marker named = sundrel::FrameMarker(88'200);
    named.title = "Señor Café";
    named.artist = "DJ Ω";
    sundrel::WriteProject(
        project, m.million.string(),
        std::vector{sundrel::PercentMarker(0.0f), named, sundrel::FrameMarker(200'000)});
    const auto shown = RunCli({"project", project.string()});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out,
              "version:   3\nwave file: " + m.million.string() +
                  "\n"
                  "markers:   3\n"
                  "  0  frame 0  0:00:00.000  0 %\n"
                  "  1  frame 88200  0:00:02.000  title \"Señor Café\"  artist \"DJ Ω\"\n"
                  "  2  frame 200000  0:00:04.535\n");

    const auto run = RunCli({"split", "--project", project.string(), "-o", m.out});
    EXPECT_EQ(run.status, 0) << run.err;
    // A named marker gives every track tags after its audio; the data chunks hold the cuts.
    const auto dataSize = [&](const char* name) { return CWaveFile(m.dir / name).m_nDataSize; };
    EXPECT_EQ(dataSize("track01.wav"), 88'200u * 4);
    EXPECT_EQ(dataSize("track02.wav"), (200'000u - 88'200u) * 4);
    EXPECT_EQ(dataSize("track03.wav"), 1'000'000u - 200'000u * 4);
    EXPECT_GT(fs::file_size(m.dir / "track01.wav"), 44u + 88'200u * 4);
}

// Track files beyond the new count are reported, and removed with --clean; other files, and
// the mix even under a track's name, are left alone.
TEST(CliSplit, StaleTracksAreReportedOrCleaned) {
    Mixes m;
    fs::copy_file(m.million, m.dir / "track09.wav");
    for (const char* other : {"track1.wav", "notes.txt"}) {
        fixture::WriteFile(m.dir / other, Bytes(1));
    }
    const std::string mix = (m.dir / "track09.wav").string();
    auto split = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"split", mix, "-o", m.out});
        return RunCli(args);
    };
    auto percents = [](int n) {
        std::vector<std::string> args;
        for (int i = 1; i < n; ++i) {
            args.insert(args.end(), {"--percent", std::to_string(i * 100 / n)});
        }
        return args;
    };
    ASSERT_EQ(split(percents(8)).status, 0);
    auto run = split(percents(2));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "sundrel-cli split: 6 track files of an earlier split remain: "
                       "track03.wav, track04.wav, …, track08.wav; --clean removes them\n");
    EXPECT_TRUE(fs::exists(m.dir / "track08.wav"));

    run = split(percents(6)); // tracks under a second: warned about as well
    EXPECT_THAT(run.err, HasSubstr("sundrel-cli split: 2 track files of an earlier split remain: "
                                   "track07.wav, track08.wav; --clean removes them\n"));
    run = split({"--percent", "50", "--percent", "70", "--percent", "80", "--percent", "90",
                 "--percent", "95", "--percent", "97", "--clean"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("sundrel-cli split: removed 1 track file of an earlier split: "
                                   "track08.wav\n"));
    EXPECT_EQ(fixture::Listing(m.dir.Path()),
              (std::vector<std::string>{".sundrel-split", "long.wav", "million.wav", "notes.txt",
                                        "out", "track01.wav", "track02.wav", "track03.wav",
                                        "track04.wav", "track05.wav", "track06.wav", "track07.wav",
                                        "track09.wav", "track1.wav"}));
    run = split({"--clean"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("removed 6 track files"));
    EXPECT_TRUE(fs::exists(m.dir / "track09.wav")); // the mix
    EXPECT_EQ(fixture::Listing(m.dir.Path()).size(), 8u);
    EXPECT_TRUE(split({}).err.empty());
}

// --clean removes only what the folder's record of splits vouches for: never a user's file
// under a track's name, a symbolic link, a track changed since, nor one of the new set.
TEST(CliSplit, CleanRemovesOnlyTracksASplitWrote) {
    Mixes m;
    const std::string mix = m.long8.string();
    const fs::path out = m.outDir;
    auto split = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"split", mix, "-o", out.string()});
        return RunCli(args);
    };
    // Five FLAC tracks, then the user's own files under track names.
    ASSERT_EQ(split({"--format", "flac", "--at", "60", "--at", "120", "--at", "180", "--at", "240"})
                  .status,
              0);
    fixture::WriteFile(out / "track07.wav", Bytes(29, std::byte{'x'}));
    fs::create_symlink(out / "nowhere", out / "track08.wav");
    fixture::WriteFile(out / "track05.flac", Bytes(100, std::byte{1})); // changed since
    // Two tracks named {nn}: the earlier FLAC tracks 3 and 4 are leftovers; track01.wav and
    // the others are not this program's as far as it can tell.
    fixture::WriteFile(out / "track01.wav", Bytes(10, std::byte{2}));
    auto run = split({"--format", "flac", "--names", "{nn}", "--at", "100", "--clean"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("removed 4 track files of an earlier split: track01.flac, "
                                   "track02.flac, track03.flac, track04.flac\n"));
    EXPECT_THAT(run.err, HasSubstr("3 files named like tracks remain: track01.wav, track07.wav, "
                                   "track08.wav; no split recorded writing them as they are"));
    EXPECT_EQ(fixture::Listing(out),
              (std::vector<std::string>{".sundrel-split", "01.flac", "02.flac", "track01.wav",
                                        "track05.flac", "track07.wav", "track08.wav"}));
    // The next split finds nothing more to remove.
    run = split({"--format", "flac", "--names", "{nn}", "--at", "100", "--clean"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, testing::Not(HasSubstr("removed")));
}

// Standard output that cannot take the list (a full device, a pipe whose reader has gone)
// neither interrupts nor undoes the split: every track is complete and the status is 3.
TEST(CliSplit, UnwritableListStillLeavesEveryTrack) {
    for (const bool pipe : {false, true}) {
        SCOPED_TRACE(pipe ? "closed pipe" : "/dev/full");
        Mixes m;
        const fs::path out = m.outDir;
        int fd = -1;
        if (pipe) {
            int fds[2];
            ASSERT_EQ(::pipe(fds), 0);
            ::close(fds[0]);
            fd = fds[1];
        } else {
            fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
        }
        const auto run = clitest::RunCliWithStdout(
            {"split", m.million.string(), "--percent", "30", "--percent", "60", "-o", out}, fd);
        ::close(fd);
        EXPECT_EQ(run.status, 3);
        EXPECT_THAT(run.err, HasSubstr("the tracks are written"));
        EXPECT_EQ(fixture::Listing(out), (std::vector<std::string>{".sundrel-split", "track01.wav",
                                                                   "track02.wav", "track03.wav"}));
        EXPECT_EQ(fs::file_size(out / "track01.wav") + fs::file_size(out / "track02.wav") +
                      fs::file_size(out / "track03.wav"),
                  3 * 44 + 1'000'000u);
    }
}

// A split into a folder another split holds waits for it, or with --no-wait fails at once.
TEST(CliSplit, SecondSplitIntoAFolderWaitsOrFails) {
    Mixes m;
    const fs::path out = m.outDir;
    bool opened = false;
    sundrel::io::UniqueFd held = sundrel::io::LockFolder(out, false, {}, opened);
    ASSERT_TRUE(held);

    const auto refused = RunCli({"split", m.million.string(), "--no-wait", "-o", out});
    EXPECT_EQ(refused.status, 3);
    EXPECT_THAT(refused.err, HasSubstr("another split into " + out.string() + " is running"));
    EXPECT_EQ(fixture::Listing(out), std::vector<std::string>{});

    clitest::Result waited;
    std::thread second([&] { waited = RunCli({"split", m.million.string(), "-o", out}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(fixture::Listing(out), std::vector<std::string>{}); // still waiting
    held.Close();
    second.join();
    EXPECT_EQ(waited.status, 0) << waited.err;
    EXPECT_THAT(waited.err, HasSubstr("waiting for another split into " + out.string()));
    EXPECT_EQ(fixture::Listing(out), (std::vector<std::string>{".sundrel-split", "track01.wav"}));

    // The clean-up belongs to the split: while another holds the folder, a split with --clean
    // removes nothing either, and once it has the folder it removes the leftovers.
    ASSERT_EQ(RunCli({"split", m.million.string(), "--percent", "50", "-o", out}).status, 0);
    ASSERT_EQ(RunCli({"split", m.million.string(), "-o", out}).status, 0);
    held = sundrel::io::LockFolder(out, false, {}, opened);
    ASSERT_TRUE(held);
    const auto locked = RunCli({"split", m.million.string(), "--clean", "--no-wait", "-o", out});
    EXPECT_EQ(locked.status, 3);
    EXPECT_TRUE(fs::exists(out / "track02.wav"));
    held.Close();
    const auto cleaned = RunCli({"split", m.million.string(), "--clean", "--no-wait", "-o", out});
    EXPECT_EQ(cleaned.status, 0) << cleaned.err;
    EXPECT_FALSE(fs::exists(out / "track02.wav"));
}

// Tracks under a second are named on stderr; --strict refuses them before writing anything.
TEST(CliSplit, ShortTracksWarnOrWithStrictRefuse) {
    struct Case {
        std::vector<std::string> cuts;
        std::vector<std::string> warnings; // "trackNN.wav (length)"
    };
    // 300 s of 8 kHz mono 8-bit: 8,000 bytes a second.
    const Case cases[] = {
        {{"--at", "100"}, {}},
        {{"--at", "100", "--at", "100.5"}, {"track02.wav (0:00:00.500)"}},
        {{"--at", "100", "--at", "100"}, {"track02.wav (0:00:00.000)"}},
        {{"--at", "299"}, {}}, // the last track lasts exactly a second
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"split"};
        Mixes m;
        args.push_back(m.long8.string());
        args.insert(args.end(), c.cuts.begin(), c.cuts.end());
        args.insert(args.end(), {"-o", m.outDir.string()});
        SCOPED_TRACE(testing::PrintToString(c.cuts));

        args.push_back("--strict");
        const auto strict = RunCli(args);
        EXPECT_EQ(strict.status, c.warnings.empty() ? 0 : 1) << strict.err;
        if (!c.warnings.empty()) {
            EXPECT_EQ(fixture::Listing(m.outDir), std::vector<std::string>{});
            EXPECT_THAT(strict.err, HasSubstr("--strict"));
        }
        args.pop_back();
        const auto run = RunCli(args);
        EXPECT_EQ(run.status, 0) << run.err;
        for (const std::string& w : c.warnings) {
            EXPECT_THAT(run.err, HasSubstr("shorter than a second: " + w));
        }
        if (c.warnings.empty()) {
            EXPECT_EQ(run.err, "");
        }
    }
}

} // namespace

// A mix whose data chunk claims more than the file holds is reported by info and split as far
// as it goes, with a warning, never silently.
TEST(CliSplit, WarnsOfADataChunkClaimingMoreThanTheFileHolds) {
    fixture::TempDir dir;
    fixture::WriteFile(
        dir / "cut.wav",
        fixture::WavBuilder().Fmt({}).ChunkDeclared("data", 1000, fixture::Bytes(400)).Build());
    const auto info = RunCli({"info", (dir / "cut.wav").string()});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_THAT(info.out, HasSubstr("  data size:   400 bytes (the data chunk claims more than "
                                    "the file holds)\n"));
    const auto r = RunCli({"split", (dir / "cut.wav").string(), "-o", dir.Path().string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("the data chunk claims more than the file holds; splitting the "
                                 "400 bytes there are"));
    EXPECT_EQ(fs::file_size(dir / "track01.wav"), 444u);
}
