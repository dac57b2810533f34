#include "core/split/TrackFiles.h"
#include "core/split/SplitTypes.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using sundrel::TrackFile;

std::vector<int> Numbers(const std::vector<TrackFile>& files) {
    std::vector<int> numbers;
    for (const TrackFile& f : files) {
        numbers.push_back(f.number);
    }
    return numbers;
}

TEST(TrackFiles, ListsOnlyNamesSplitWrites) {
    fixture::TempDir dir;
    for (const char* name :
         {"track02.wav", "track100.wav", "track10.wav", "track1.wav", "track001.wav", "track00.wav",
          "track-1.wav", "Track03.wav", "track03.WAV", "track03.wav.part", ".track03.wav.1.2.part",
          "track.wav", "track3x.wav", "mix.wav"}) {
        fixture::WriteFile(dir / name, fixture::Bytes(1));
    }
    fs::create_directory(dir / "track05.wav");

    const auto all = sundrel::TrackFilesIn(dir.Path());
    EXPECT_EQ(Numbers(all), (std::vector<int>{2, 10, 100}));
    EXPECT_EQ(all[1].path, dir / "track10.wav");
    EXPECT_EQ(Numbers(sundrel::ReplacedTracks(dir.Path(), 10)), (std::vector<int>{2, 10}));
    EXPECT_EQ(Numbers(sundrel::StaleTracks(dir.Path(), 2)), (std::vector<int>{10, 100}));
    EXPECT_EQ(Numbers(sundrel::StaleTracks(dir.Path(), 100)), std::vector<int>{});
    // The mix is never stale, whichever name reaches it.
    fs::create_hard_link(dir / "track100.wav", dir / "mix-link.wav");
    EXPECT_EQ(Numbers(sundrel::StaleTracks(dir.Path(), 1, dir / "mix-link.wav")),
              (std::vector<int>{2, 10}));
    EXPECT_TRUE(sundrel::TrackFilesIn(dir / "absent").empty());
}

TEST(TrackFiles, RemovesOrNamesTheFileItCannotRemove) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "track03.wav", fixture::Bytes(1));
    fixture::WriteFile(dir / "track04.wav", fixture::Bytes(1));
    const auto stale = sundrel::StaleTracks(dir.Path(), 2);
    sundrel::RemoveTrackFiles(stale);
    EXPECT_TRUE(fixture::Listing(dir.Path()).empty());
    sundrel::RemoveTrackFiles(stale); // already gone

    fixture::WriteFile(dir / "plain", fixture::Bytes(1));
    const std::vector<TrackFile> bad = {{7, dir / "plain" / "track07.wav"}};
    const auto e = fixture::Thrown<sundrel::SplitError>([&] { sundrel::RemoveTrackFiles(bad); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetSide(), sundrel::SplitError::Side::Track);
    EXPECT_THAT(e->what(), testing::HasSubstr("plain/track07.wav: cannot remove: " +
                                              std::string(std::strerror(ENOTDIR))));
}

} // namespace
