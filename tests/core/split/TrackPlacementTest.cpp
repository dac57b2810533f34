#include "core/split/TrackPlacement.h"
#include "MixFolder.h"
#include "core/audio/WaveFile.h"
#include "core/split/SplitTypes.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stop_token>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;
using fixture::Listing;
using sundrel::Placement;
using sundrel::SplitError;
using testing::HasSubstr;

Bytes Filled(std::size_t n, int value) {
    return Bytes(n, static_cast<std::byte>(value));
}

Placement At(const fs::path& temp, const fs::path& target) {
    fs::path aside = temp;
    aside += ".aside";
    return {temp, target, aside, {}};
}

// The third placement fails (its temporary is gone): the first two are undone, whether they
// replaced a file or took a new name.
TEST(PlaceAll, AFailedPlacementUndoesTheEarlierOnes) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "track01.wav", Filled(10, 1));
    fixture::WriteFile(dir / "track03.wav", Filled(12, 4));
    fixture::WriteFile(dir / ".t1", Filled(20, 2));
    fixture::WriteFile(dir / ".t2", Filled(30, 3));
    const Placement p[] = {At(dir / ".t1", dir / "track01.wav"),
                           At(dir / ".t2", dir / "track02.wav"),
                           At(dir / ".t3", dir / "track03.wav")};
    const auto e = fixture::Thrown<SplitError>(
        [&] { sundrel::PlaceAll(p, sundrel::PlacementJournal(dir.Path()), false); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetSide(), SplitError::Side::Track);
    EXPECT_THAT(e->what(), HasSubstr("track03.wav: cannot create"));
    EXPECT_THAT(e->what(), HasSubstr("the old files are left as they were"));
    EXPECT_EQ(fixture::ReadFile(dir / "track01.wav"), Filled(10, 1));
    EXPECT_EQ(fixture::ReadFile(dir / "track03.wav"), Filled(12, 4));
    EXPECT_EQ(fixture::ReadFile(dir / ".t1"), Filled(20, 2));
    EXPECT_EQ(fixture::ReadFile(dir / ".t2"), Filled(30, 3));
    EXPECT_EQ(Listing(dir.Path()),
              (std::vector<std::string>{".t1", ".t2", "track01.wav", "track03.wav"}));
}

struct OldTracks : splittest::MixFolder {
    OldTracks() : MixFolder(30'000) {
        fixture::WriteFile(out / "track01.wav", Filled(100, 1));
        fixture::WriteFile(out / "track02.wav", Filled(200, 2));
    }
};

// A folder under a later track's name is found before any file is written or replaced; one
// that appears at the last name while the tracks are copied makes the renaming fail there, and
// the tracks already put in place give way to the old files again.
TEST(SplitPlacement, FolderAtALaterTrackNameLeavesTheOldTracks) {
    for (const bool duringCopy : {false, true}) {
        SCOPED_TRACE(duringCopy);
        OldTracks t;
        if (!duringCopy) {
            fs::create_directory(t.out / "track03.wav");
        }
        CWaveFile wave(t.mix);
        const float percents[] = {0, 30, 60, 100};
        sundrel::SplitOptions options;
        options.sync = false;
        options.onProgress = [&](std::uint64_t done, std::uint64_t total) {
            EXPECT_TRUE(duringCopy) << "a track copied";
            if (done == total) {
                fs::create_directory(t.out / "track03.wav");
            }
        };
        options.onTrackWritten = [](const sundrel::SplitTrack& track) {
            ADD_FAILURE() << track.path << " reported";
        };
        const auto e =
            fixture::Thrown<SplitError>([&] { wave.Split(percents, 4, t.out, options); });
        ASSERT_TRUE(e);
        EXPECT_THAT(e->what(), HasSubstr(duringCopy ? "track03.wav: cannot create"
                                                    : "track03.wav: cannot create: a folder has "
                                                      "this name"));
        if (duringCopy) {
            EXPECT_THAT(e->what(), HasSubstr("the old files are left as they were"));
        }
        EXPECT_EQ(fixture::ReadFile(t.out / "track01.wav"), Filled(100, 1));
        EXPECT_EQ(fixture::ReadFile(t.out / "track02.wav"), Filled(200, 2));
        EXPECT_EQ(Listing(t.out),
                  (std::vector<std::string>{"track01.wav", "track02.wav", "track03.wav"}));
    }
}

// A cancel during the copy, or once every track is complete (just before they would take their
// names), leaves no track of the split and the old tracks as they were, in either format.
TEST(SplitPlacement, CancelledSplitLeavesTheOldTracks) {
    for (const auto format : {sundrel::TrackFormat::Wav, sundrel::TrackFormat::Flac}) {
        for (const std::uint64_t cancelAt : {1u, 3u}) { // after the first track, after the last
            SCOPED_TRACE(std::to_string(static_cast<int>(format)) + " " + std::to_string(cancelAt));
            OldTracks t;
            CWaveFile wave(t.mix);
            const float percents[] = {0, 30, 60, 100};
            std::stop_source cancel;
            sundrel::SplitOptions options;
            options.format = format;
            options.workers = 1;
            options.stop = cancel.get_token();
            std::uint64_t reports = 0;
            options.onProgress = [&](std::uint64_t, std::uint64_t) {
                if (++reports == cancelAt) {
                    cancel.request_stop();
                }
            };
            EXPECT_THROW(wave.Split(percents, 4, t.out, options), sundrel::SplitCancelled);
            EXPECT_EQ(reports, cancelAt); // nothing copied after the cancel
            EXPECT_EQ(fixture::ReadFile(t.out / "track01.wav"), Filled(100, 1));
            EXPECT_EQ(fixture::ReadFile(t.out / "track02.wav"), Filled(200, 2));
            EXPECT_EQ(Listing(t.out), (std::vector<std::string>{"track01.wav", "track02.wav"}));
        }
    }
}

} // namespace
