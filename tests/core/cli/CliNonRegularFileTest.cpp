#include "core/cli/CliRunner.h"
#include "core/project/ProjectFile.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using clitest::RunCli;
using testing::HasSubstr;

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
