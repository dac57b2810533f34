#include "ChildProcess.h"
#include "MixFolder.h"
#include "core/audio/WaveFile.h"
#include "core/io/HoldSignals.h"
#include "core/io/StaleTemps.h"
#include "core/split/SplitTypes.h"
#include "support/WavFixture.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;
using fixture::Listing;

// Runs a split of `mix` in a child that `sig` ends once its first track is copied.
void KillSplitMidway(const fs::path& mix, const fs::path& out, int sig) {
    const auto outcome = childproc::Run([&](int) {
        CWaveFile wave(mix);
        sundrel::SplitOptions options;
        options.sync = false;
        options.onProgress = [sig](std::uint64_t, std::uint64_t) { ::raise(sig); };
        const float percents[] = {0, 25, 50, 75, 100};
        wave.Split(percents, 5, out, options);
    });
    EXPECT_TRUE(WIFSIGNALED(outcome.status) && WTERMSIG(outcome.status) == sig);
}

TEST(SplitInterrupted, KilledSplitLeavesNoTemporaries) {
    for (const int sig : {SIGTERM, SIGKILL, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        const splittest::MixFolder m(400'000);
        KillSplitMidway(m.mix, m.out, sig);
        // The track written before the kill had no name yet.
        EXPECT_EQ(Listing(m.out), std::vector<std::string>{});
    }
}

// A temporary track named for a process that is gone is removed by the next split; one of a
// running process (this one's parent stands for it) is kept, and so is a user's file that only
// has such a name.
TEST(SplitInterrupted, NextSplitRemovesTemporaryTracksOfDeadProcesses) {
    fixture::TempDir dir;
    const fixture::Format f{};
    const Bytes track = fixture::CanonicalWav(f, fixture::TestSignal(f, 10'000));
    fixture::WriteFile(dir / "mix.wav", track);
    const pid_t dead = ::fork();
    if (dead == 0) {
        ::_exit(0);
    }
    ::waitpid(dead, nullptr, 0);
    const std::string deadTemp = ".track01.wav." + std::to_string(dead) + ".0.part";
    const std::string deadFlac = ".track02.flac." + std::to_string(dead) + ".1.part";
    const std::string notes = ".my.notes." + std::to_string(dead) + ".4.part";
    const std::string liveTemp = ".track01.wav." + std::to_string(::getppid()) + ".3.part";
    fixture::WriteFile(dir / deadTemp, fixture::Slice(track, 0, 5000));
    fixture::WriteText(dir / deadFlac, std::string("fLaC\0", 5));
    fixture::WriteFile(dir / liveTemp, track);
    for (const std::string& name : {notes, std::string(".notes.part")}) {
        fixture::WriteFile(dir / name, Bytes(5));
    }
    CWaveFile wave(dir / "mix.wav");
    const float percents[] = {0, 100};
    sundrel::SplitOptions options;
    options.sync = false;
    wave.Split(percents, 2, dir.Path(), options);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{notes, ".notes.part", ".sundrel-split",
                                                             liveTemp, "mix.wav", "track01.wav"}));
}

TEST(SplitInterrupted, TempOwnerReadsOnlyTemporaryNames) {
    EXPECT_EQ(sundrel::io::TempOwner(".track01.wav.123.4.part"), 123);
    EXPECT_EQ(sundrel::io::TempOwner(".a.b.7.0.part"), 7);
    for (const char* name : {"track01.wav.123.4.part", ".track01.wav.123.part", ".123.4.part",
                             ".x.12a.4.part", ".x.0.4.part", ".x.-5.4.part", ".x.5.4.tmp"}) {
        EXPECT_EQ(sundrel::io::TempOwner(name), std::nullopt) << name;
    }
}

// A SIGTERM raised while signals are held does not end the process until they are released.
TEST(HoldSignals, DelaysTerminationUntilReleased) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        const auto outcome = childproc::Run([sig](int fd) {
            {
                const sundrel::io::HoldSignals hold;
                ::raise(sig);
                childproc::Send(fd, "held");
            }
            childproc::Send(fd, "!"); // not reached
        });
        EXPECT_EQ(outcome.output, "held") << sig;
        EXPECT_TRUE(WIFSIGNALED(outcome.status) && WTERMSIG(outcome.status) == sig) << sig;
    }
}

} // namespace
