#include "core/match/Candidates.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

#include <fstream>

namespace sundrel {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path, const std::string& text = "x") {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST(Candidates, AFolderGivesItsAudioFilesWithSubfoldersSorted) {
    fixture::TempDir dir;
    Touch(dir / "b.mp3");
    Touch(dir / "sub/a.FLAC");
    Touch(dir / "cover.jpg");
    Touch(dir / "notes.txt");
    Touch(dir / "sub/deeper/c.m4a");
    const CandidateList list = ListCandidates({dir.Path()});
    EXPECT_EQ(list.files,
              (std::vector<fs::path>{dir / "b.mp3", dir / "sub/a.FLAC", dir / "sub/deeper/c.m4a"}));
    EXPECT_TRUE(list.missing.empty());
}

TEST(Candidates, APlaylistGivesItsEntriesAndNamesTheMissingOnes) {
    fixture::TempDir dir;
    Touch(dir / "music/one.mp3");
    Touch(dir / "music/two three.ogg");
    Touch(dir / "elsewhere/four.flac");
    Touch(dir / "lists/set.m3u8",
          "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:215,Artist - One\r\n../music/one.mp3\r\n\r\n"
          "#EXTINF:-1,Gone\r\n../music/gone.mp3\r\nfile://" +
              (dir / "music/two%20three.ogg").string() + "\r\n" +
              (dir / "elsewhere/four.flac").string() + "\r\n../music/one.mp3\r\n");
    const CandidateList list = ListCandidates({dir / "lists/set.m3u8"});
    EXPECT_EQ(list.files, (std::vector<fs::path>{dir / "music/one.mp3", dir / "music/two three.ogg",
                                                 dir / "elsewhere/four.flac"}));
    ASSERT_EQ(list.missing.size(), 1u);
    EXPECT_NE(list.missing[0].find("line 6: ../music/gone.mp3: no such file"), std::string::npos)
        << list.missing[0];
}

TEST(Candidates, RefusesWhatHoldsNoCandidate) {
    fixture::TempDir dir;
    fs::create_directories(dir / "empty");
    Touch(dir / "pictures/cover.jpg");
    Touch(dir / "gone.m3u", "#EXTM3U\nnot-here.mp3\nnor-here.flac\n");
    Touch(dir / "blank.m3u", "#EXTM3U\n\n");
    auto message = [](const std::vector<fs::path>& sources) {
        try {
            ListCandidates(sources);
        } catch (const CandidateError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(message({dir / "empty"}).find("no audio files in the folder"), std::string::npos);
    EXPECT_NE(message({dir / "pictures"}).find("no audio files"), std::string::npos);
    EXPECT_NE(message({dir / "gone.m3u"}).find("none of the playlist's 2 files exists"),
              std::string::npos);
    EXPECT_NE(message({dir / "blank.m3u"}).find("names no files"), std::string::npos);
    EXPECT_NE(message({dir / "nothing.mp3"}).find("no such file or folder"), std::string::npos);
    // A missing file beside a usable one is named, not fatal.
    Touch(dir / "here.wav");
    const CandidateList list = ListCandidates({dir / "here.wav", dir / "nothing.mp3"});
    EXPECT_EQ(list.files.size(), 1u);
    EXPECT_EQ(list.missing.size(), 1u);
}

} // namespace
} // namespace sundrel
