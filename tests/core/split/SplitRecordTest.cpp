// The folder's record of splits: what it vouches for as leftovers of an earlier split, and
// removing them later (as the window does after asking) only while that still holds.

#include "core/split/SplitRecord.h"
#include "MixFolder.h"
#include "core/audio/WaveFile.h"
#include "core/split/SplitPlan.h"
#include "core/split/SplitTypes.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;

struct Folder : splittest::MixFolder {
    Folder() : MixFolder(8000) {}
    sundrel::LeftoverTracks Split(int tracks, bool clean = false) const {
        std::vector<float> percents;
        for (int i = 0; i <= tracks; ++i) {
            percents.push_back(static_cast<float>(i * 100 / tracks));
        }
        CWaveFile wave(mix);
        sundrel::SplitOptions options;
        options.clean = clean;
        sundrel::LeftoverTracks found;
        options.onLeftovers = [&found](const sundrel::LeftoverTracks& l) { found = l; };
        wave.Split(percents.data(), tracks + 1, out, options);
        return found;
    }
    fs::path Track(int k) const { return out / sundrel::TrackName(k); }
};

TEST(SplitRecord, LeftoversAreTheUnchangedTracksOfEarlierSplits) {
    Folder f;
    EXPECT_TRUE(f.Split(4).remaining.empty());
    fixture::WriteFile(f.Track(4), Bytes(50)); // changed by the user since
    const auto left = f.Split(2);
    EXPECT_EQ(left.remaining, std::vector<fs::path>{f.Track(3)});
    EXPECT_TRUE(left.removed.empty());
    // Still a leftover for the next split, which removes it.
    const auto cleaned = f.Split(1, true);
    EXPECT_EQ(cleaned.removed, (std::vector<fs::path>{f.Track(2), f.Track(3)}));
    EXPECT_TRUE(cleaned.remaining.empty());
    EXPECT_EQ(fixture::Listing(f.out),
              (std::vector<std::string>{".sundrel-split", "track01.wav", "track04.wav"}));
}

// Leftovers named after one split, removed once another split has taken their names again:
// the new tracks stay.
TEST(SplitRecord, LaterRemovalSparesTheTracksOfANewerSplit) {
    Folder f;
    f.Split(4);
    const auto left = f.Split(2);
    ASSERT_EQ(left.remaining, (std::vector<fs::path>{f.Track(3), f.Track(4)}));
    f.Split(4); // a newer split writes track03 and track04 again
    const Bytes newer = fixture::ReadFile(f.Track(3));
    const auto removal = sundrel::RemoveLeftovers(f.out, left.remaining);
    EXPECT_TRUE(removal.removed.empty());
    EXPECT_EQ(fixture::ReadFile(f.Track(3)), newer);
    // Without it they go, and the record forgets them.
    const auto again = f.Split(2);
    const auto removed = sundrel::RemoveLeftovers(f.out, again.remaining);
    EXPECT_EQ(removed.removed, (std::vector<fs::path>{f.Track(3), f.Track(4)}));
    EXPECT_FALSE(fs::exists(f.Track(3)));
    EXPECT_TRUE(f.Split(2).remaining.empty());
}

} // namespace
