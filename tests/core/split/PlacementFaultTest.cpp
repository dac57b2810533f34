// Tracks taking their names under injected faults: a file system that cannot exchange names,
// a rename failing at every step in turn, and a process killed at every step in turn. Each
// leaves the old set of tracks or the new one, and nothing a later split mistakes.

#include "ChildProcess.h"
#include "MixFolder.h"
#include "core/audio/WaveFile.h"
#include "core/split/SplitPlan.h"
#include "core/split/SplitTypes.h"
#include "core/split/TrackPlacement.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;
using sundrel::PlacementStep;
using testing::HasSubstr;

const float kOld[] = {0, 20, 40, 60, 80, 100};
const float kNew[] = {0, 10, 30, 50, 70, 100};

std::vector<Bytes> Tracks(const fs::path& dir) {
    std::vector<Bytes> tracks;
    for (int k = 1; k <= 5; ++k) {
        tracks.push_back(fixture::ReadFile(dir / sundrel::TrackName(k)));
    }
    return tracks;
}

// A folder holding the five tracks of a split at kOld; `oldSet` and `newSet` are what a split
// at kOld and at kNew write.
struct Folder : splittest::MixFolder {
    std::vector<Bytes> oldSet;
    std::vector<Bytes> newSet;
    Folder() : MixFolder(20'000) {
        fs::create_directory(dir / "new");
        Split(kNew, dir / "new");
        newSet = Tracks(dir / "new");
        Split(kOld, out);
        oldSet = Tracks(out);
    }
    void Split(const float* percents, const fs::path& to) const {
        CWaveFile wave(mix);
        sundrel::SplitOptions options;
        options.workers = 1;
        wave.Split(percents, 6, to, options);
    }
    // The old set or the new one, and nothing else but the folder's record.
    void ExpectOneWholeSet(bool mayBeNew) const {
        const std::vector<std::string> listing = fixture::Listing(out);
        EXPECT_EQ(listing, (std::vector<std::string>{".sundrel-split", "track01.wav", "track02.wav",
                                                     "track03.wav", "track04.wav", "track05.wav"}));
        const auto tracks = Tracks(out);
        if (mayBeNew) {
            EXPECT_TRUE(tracks == oldSet || tracks == newSet);
        } else {
            EXPECT_TRUE(tracks == oldSet);
        }
    }
};

struct FaultReset {
    ~FaultReset() { sundrel::SetPlacementFault({}); }
};

// Without RENAME_EXCHANGE (as on NFS) the old files step aside first; whichever rename fails,
// every old track is back under its name and the message says so.
TEST(PlacementFault, WithoutExchangeAFailedRenameRestoresTheOldTracks) {
    const FaultReset reset;
    for (int failAt = 1;; ++failAt) {
        SCOPED_TRACE(failAt);
        Folder f;
        int renames = 0;
        sundrel::SetPlacementFault([&](PlacementStep step) {
            if (step == PlacementStep::Exchange) {
                return EINVAL;
            }
            return step == PlacementStep::Rename && ++renames == failAt ? EIO : 0;
        });
        const auto e = fixture::Thrown<sundrel::SplitError>([&] { f.Split(kNew, f.out); });
        sundrel::SetPlacementFault({});
        if (!e) {
            EXPECT_EQ(Tracks(f.out), f.newSet); // every rename done: the new set
            EXPECT_GT(failAt, 10);
            break;
        }
        EXPECT_THAT(e->what(), HasSubstr("the old files are left as they were"));
        f.ExpectOneWholeSet(false);
        ASSERT_LT(failAt, 100);
    }
}

// A split killed at each step of its placement in turn (each link, exchange or rename,
// removal and journal write), with and without exchange: the next split into the folder
// finds the old set or the new one and leaves it whole.
TEST(PlacementFault, KilledAtAnyStepLeavesTheOldSetOrTheNew) {
    for (const bool exchange : {true, false}) {
        for (int killAt = 1;; ++killAt) {
            SCOPED_TRACE(std::to_string(exchange) + " " + std::to_string(killAt));
            Folder f;
            const int status =
                childproc::Run([&](int) {
                    int steps = 0;
                    sundrel::SetPlacementFault([&](PlacementStep step) {
                        if (++steps == killAt) {
                            ::raise(SIGKILL);
                        }
                        return !exchange && step == PlacementStep::Exchange ? EINVAL : 0;
                    });
                    f.Split(kNew, f.out);
                }).status;
            if (WIFEXITED(status)) {
                EXPECT_EQ(WEXITSTATUS(status), 0);
                EXPECT_EQ(Tracks(f.out), f.newSet);
                EXPECT_GT(killAt, 10);
                break;
            }
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_TRUE(sundrel::RecoverPlacements(sundrel::PlacementJournal(f.out)));
            f.ExpectOneWholeSet(true);
            // A split after it works as ever.
            f.Split(kNew, f.out);
            EXPECT_EQ(Tracks(f.out), f.newSet);
            ASSERT_LT(killAt, 200);
        }
    }
}

} // namespace
