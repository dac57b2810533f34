#include "core/io/OutputFolder.h"
#include "core/io/ErrorText.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using sundrel::io::IoError;
using sundrel::io::PrepareOutputFolder;
using testing::HasSubstr;

TEST(OutputFolder, CreatesWhatIsMissingAndSaysWhat) {
    fixture::TempDir dir;
    EXPECT_TRUE(PrepareOutputFolder(dir.Path()).empty()); // there already
    const fs::path deep = dir / "a" / "b" / "c";
    EXPECT_EQ(PrepareOutputFolder(deep), (std::vector<fs::path>{dir / "a", dir / "a" / "b", deep}));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(PrepareOutputFolder(deep).empty());
    // A trailing slash and a relative name, against the current folder.
    EXPECT_EQ(PrepareOutputFolder(dir / "d" / ""), std::vector<fs::path>{dir / "d"});
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.Path());
    const auto created = PrepareOutputFolder("e/f");
    fs::current_path(cwd);
    EXPECT_EQ(created, (std::vector<fs::path>{"e", "e/f"}));
    EXPECT_TRUE(fs::is_directory(dir / "e" / "f"));
}

TEST(OutputFolder, AFileInTheWayIsReportedAndNothingIsMade) {
    fixture::TempDir dir;
    fixture::WriteFile(dir / "taken", {});
    for (const fs::path& folder : {dir / "taken", dir / "taken" / "sub"}) {
        const auto e = fixture::Thrown<IoError>([&] { PrepareOutputFolder(folder); });
        ASSERT_TRUE(e) << folder << " was accepted";
        EXPECT_EQ(e->Error(), ENOTDIR);
        EXPECT_THAT(e->what(), HasSubstr(folder.string() + ": cannot create the folder"));
    }
    EXPECT_TRUE(fs::is_regular_file(dir / "taken"));
}

TEST(OutputFolder, AFolderThatCannotBeWrittenIsReported) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into any folder";
    }
    fixture::TempDir dir;
    const fs::path locked = dir / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(PrepareOutputFolder(locked), IoError);
    EXPECT_THROW(PrepareOutputFolder(locked / "new"), IoError);
    EXPECT_FALSE(fs::exists(locked / "new"));
    fs::permissions(locked, fs::perms::owner_all);
}

} // namespace
