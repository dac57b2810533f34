// What export may replace: never the mix, a file it reads or another output of the run, and
// only regular files; and the files that are no regular ones (a FIFO) among the inputs.

#include "core/cli/CliRunner.h"
#include "core/markers/Marker.h"
#include "core/project/ProjectFile.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using clitest::RunCli;
using testing::HasSubstr;

TEST(CliExportTarget, NeverReplacesTheMixOrASourceHoweverSpelt) {
    const clitest::MixFolder m;
    const fs::path cue = m.dir / "mix.cue";
    fixture::WriteText(cue, "FILE \"mix.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                            "  TRACK 02 AUDIO\n    INDEX 01 00:10:00\n");
    const fixture::Bytes cueBytes = fixture::ReadFile(cue);
    ASSERT_EQ(::link(m.mix.c_str(), (m.dir / "hard.wav").c_str()), 0);
    fs::create_symlink(m.mix, m.dir / "soft.sdr");
    fs::create_directory(m.dir / "sub");
    const std::string mix = m.mix.string();
    const std::string dotted = (m.dir / "sub" / ".." / "mix.wav").string();
    const std::vector<std::vector<std::string>> runs{
        {"export", mix, "--at", "10", "--to-cue", mix},
        {"export", mix, "--at", "10", "--to-project", dotted},
        {"export", mix, "--at", "10", "--to-labels", (m.dir / "hard.wav").string()},
        {"export", mix, "--at", "10", "--to-project", (m.dir / "soft.sdr").string()},
        {"export", "--cue", cue.string(), "--to-project", mix},
        {"export", "--cue", cue.string(), "--to-cue", cue.string()},
        {"export", mix, "--at", "10", "--to-cue", (m.dir / "a.txt").string(), "--to-labels",
         (m.dir / "sub" / ".." / "a.txt").string()},
    };
    for (const auto& args : runs) {
        SCOPED_TRACE(args.back());
        const auto r = RunCli(args);
        EXPECT_EQ(r.status, 3);
        EXPECT_THAT(r.err, testing::AnyOf(HasSubstr("this is the mix"),
                                          HasSubstr("this is the cue sheet being read"),
                                          HasSubstr("the same file as")));
        EXPECT_EQ(fixture::ReadFile(m.mix), m.bytes);
        EXPECT_EQ(fixture::ReadFile(cue), cueBytes);
        EXPECT_FALSE(fs::exists(m.dir / "a.txt"));
    }
    // Other files are still replaced, a symbolic link by way of the file it leads to.
    fixture::WriteText(m.dir / "old.cue", "old");
    fs::create_symlink(m.dir / "old.cue", m.dir / "link.cue");
    const auto r = RunCli({"export", mix, "--at", "10", "--to-cue", (m.dir / "link.cue").string(),
                           "--to-labels", (m.dir / "labels.txt").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(m.dir / "link.cue"));
    EXPECT_THAT(fixture::ReadFile(m.dir / "old.cue").size(), testing::Gt(10u));
}

// A split never writes a track over the file its markers come from either.
TEST(CliExportTarget, SplitSparesItsMarkerFile) {
    const clitest::MixFolder m;
    const fs::path labels = m.dir / "track02.wav";
    fixture::WriteText(labels, "0\t0\tFirst\n10\t10\tSecond\n");
    const auto before = fixture::ReadFile(labels);
    const auto r =
        RunCli({"split", m.mix.string(), "--labels", labels.string(), "-o", m.dir.Path().string()});
    EXPECT_EQ(r.status, 3);
    EXPECT_THAT(r.err, HasSubstr("track02.wav: this is a file the markers are read from"));
    EXPECT_EQ(fixture::ReadFile(labels), before);
    EXPECT_FALSE(fs::exists(m.dir / "track01.wav"));
}

TEST(CliExportTarget, WritesOnlyRegularFiles) {
    const clitest::MixFolder m;
    const fs::path fifo = m.dir / "fifo.cue";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/null", m.dir / "out.cue");
    fs::create_symlink(m.dir / "nowhere", m.dir / "dangling.cue");
    for (const fs::path& target :
         {fifo, m.dir / "out.cue", m.dir / "dangling.cue", fs::path("/dev/null")}) {
        SCOPED_TRACE(target);
        const auto r =
            RunCli({"export", m.mix.string(), "--at", "10", "--to-cue", target.string()}, 30);
        EXPECT_EQ(r.status, 3);
        EXPECT_THAT(r.err, HasSubstr("only regular files are written"));
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(m.dir / "out.cue"));
    EXPECT_TRUE(fs::is_symlink(m.dir / "dangling.cue"));
    EXPECT_FALSE(fs::exists(m.dir / "nowhere"));
}

// Long enough for any of these commands, short enough that a command waiting on the FIFO
// fails quickly.
constexpr int kSeconds = 20;

struct WithFifo {
    fixture::TempDir dir;
    std::string fifo = (dir / "fifo.wav").string();
    std::string a = (dir / "a.wav").string();
    std::string b = (dir / "b.wav").string();
    WithFifo() {
        EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        fixture::WriteFile(a, fixture::CanonicalWav({}, fixture::Bytes(4000)));
        fixture::WriteFile(b, fixture::CanonicalWav({}, fixture::Bytes(8000)));
    }
};

TEST(CliSpecialFile, InfoRefusesAFifoAndReportsTheOthers) {
    const WithFifo w;
    const auto r = RunCli({"info", w.a, w.fifo, w.b}, kSeconds);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "sundrel-cli: " + w.fifo + ": not a regular file (a FIFO)\n");
    EXPECT_THAT(r.out, HasSubstr(w.a + "\n"));
    EXPECT_THAT(r.out, HasSubstr(w.b + "\n"));
}

// A project naming a FIFO as its mix is still shown, with the mix refused.
TEST(CliSpecialFile, ProjectShowsAFifoMixAsRefused) {
    const WithFifo w;
    const std::string named = (w.dir / "named.sdr").string();
    sundrel::WriteProject(named, w.fifo, {});
    const auto shown = RunCli({"project", named}, kSeconds);
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_THAT(shown.out, HasSubstr("not a regular file (a FIFO)"));
}

} // namespace
