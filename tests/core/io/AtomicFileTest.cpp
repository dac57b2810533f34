#include "core/io/AtomicFile.h"
#include "core/io/ErrorText.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <cerrno>
#include <csignal>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <optional>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;
using fixture::BytesOf;
using fixture::Listing;
using sundrel::io::IoError;
using sundrel::io::WriteFileAtomically;
using testing::HasSubstr;

// Runs `f` on a thread without the capabilities that let root ignore file permissions
// (capabilities belong to a thread), so permission tests mean the same for root and users.
void WithoutPermissionOverride(const std::function<void()>& f) {
    std::thread([&] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
        if (::syscall(SYS_capget, &header, data) == 0) {
            data[0].effective &=
                ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
            ::syscall(SYS_capset, &header, data);
        }
        f();
    }).join();
}

// Lets files of this process grow to `limit` bytes only, while it lives; a write past the
// limit then fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &rl);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

TEST(AtomicFile, WritesANewFileAndReplacesAnOldOneLeavingNoTemporary) {
    fixture::TempDir dir;
    const fs::path target = dir / "set.sdr";
    WriteFileAtomically(target, BytesOf("first version"));
    EXPECT_EQ(fixture::ReadFile(target), BytesOf("first version"));
    WriteFileAtomically(target, BytesOf("second"));
    EXPECT_EQ(fixture::ReadFile(target), BytesOf("second"));
    WriteFileAtomically(target, {});
    EXPECT_EQ(fs::file_size(target), 0u);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"set.sdr"});

    // A name as long as the file system allows still gets a temporary beside it.
    const std::string longName(255, 'n');
    WriteFileAtomically(dir / longName, BytesOf("long"));
    EXPECT_EQ(fixture::ReadFile(dir / longName), BytesOf("long"));
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{longName, "set.sdr"}));

    // A bare name is written in the working folder.
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    WriteFileAtomically("bare.sdr", BytesOf("here"));
    fs::current_path(before);
    EXPECT_EQ(fixture::ReadFile(dir / "bare.sdr"), BytesOf("here"));
}

// Every failure names the target and the reason, keeps the old file as it was and leaves
// nothing else in the folder.
TEST(AtomicFile, FailuresKeepTheOldFileAndRemoveTheTemporary) {
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path& dir)> prepare; // returns the target
        const char* what;
        int error;
        bool withoutOverride = false;
        rlim_t sizeLimit = RLIM_INFINITY;
    };
    const Bytes old = BytesOf("old contents");
    const Bytes longer(4096, std::byte{7});
    const std::vector<Case> cases = {
        {"folder missing", [](const fs::path& d) { return d / "gone" / "x.sdr"; }, "cannot create",
         ENOENT},
        {"folder is a file",
         [](const fs::path& d) {
             fixture::WriteFile(d / "plain", Bytes(3));
             return d / "plain" / "x.sdr";
         },
         "cannot create", ENOTDIR},
        {"read-only folder",
         [&old](const fs::path& d) {
             fs::create_directory(d / "ro");
             fixture::WriteFile(d / "ro" / "x.sdr", old);
             fs::permissions(d / "ro", fs::perms::owner_read | fs::perms::owner_exec);
             return d / "ro" / "x.sdr";
         },
         "cannot create", EACCES, true},
        {"the disk refuses the bytes part-way",
         [&old](const fs::path& d) {
             fixture::WriteFile(d / "x.sdr", old);
             return d / "x.sdr";
         },
         "cannot write", EFBIG, false, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fixture::TempDir dir;
        const fs::path target = c.prepare(dir.Path());
        const fs::path folder = target.parent_path();
        const bool hadFile = fs::is_regular_file(target);
        const auto listing =
            fs::is_directory(folder) ? Listing(folder) : std::vector<std::string>{};

        std::optional<IoError> e;
        const auto write = [&] {
            const FileSizeLimit limit(c.sizeLimit);
            e = fixture::Thrown<IoError>([&] { WriteFileAtomically(target, longer); });
        };
        if (c.withoutOverride) {
            WithoutPermissionOverride(write);
        } else {
            write();
        }
        ASSERT_TRUE(e);
        EXPECT_EQ(e->Error(), c.error);
        EXPECT_EQ(std::string(e->what()), sundrel::io::FileErrorText(target, c.what, c.error));
        if (hadFile) {
            EXPECT_EQ(fixture::ReadFile(target), old);
        }
        if (fs::is_directory(folder)) {
            EXPECT_EQ(Listing(folder), listing);
        }
        fs::permissions(dir.Path(), fs::perms::owner_all, fs::perm_options::add);
        if (fs::exists(dir / "ro")) {
            fs::permissions(dir / "ro", fs::perms::owner_all, fs::perm_options::add);
        }
    }
}

TEST(AtomicFile, TemporariesAreHiddenAndNeverTakeAnExistingName) {
    fixture::TempDir dir;
    const fs::path target = dir / "track01.wav";
    std::vector<fs::path> temps;
    for (int i = 0; i < 3; ++i) {
        sundrel::io::TempFile temp = sundrel::io::CreateTempBeside(target);
        EXPECT_TRUE(temp.fd);
        EXPECT_EQ(temp.path.parent_path(), dir.Path());
        EXPECT_THAT(temp.path.filename().string(), testing::StartsWith(".track01.wav."));
        EXPECT_THAT(temp.path.filename().string(), testing::EndsWith(".part"));
        temps.push_back(temp.path);
    }
    EXPECT_EQ(std::set<fs::path>(temps.begin(), temps.end()).size(), 3u);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(sundrel::io::SyncFolder(dir.Path()), 0);
    EXPECT_EQ(sundrel::io::FolderOf("bare.wav"), fs::path("."));
}

// Only regular files are replaced: a folder, a FIFO or a link to nothing is refused before
// anything is written, and a link to a regular file keeps its link while the file it leads to
// takes the new contents.
TEST(AtomicFile, ReplacesOnlyRegularFiles) {
    fixture::TempDir dir;
    fs::create_directories(dir / "folder.sdr" / "inside");
    ASSERT_EQ(::mkfifo((dir / "fifo.sdr").c_str(), 0600), 0);
    fs::create_symlink(dir / "nowhere", dir / "dangling.sdr");
    const Bytes text(5, std::byte{'n'});
    for (const auto& [name, says] :
         {std::pair{"folder.sdr", "not a regular file (a folder)"},
          std::pair{"fifo.sdr", "not a regular file (a FIFO)"},
          std::pair{"dangling.sdr", "a symbolic link that leads to no file"}}) {
        SCOPED_TRACE(name);
        const auto e = fixture::Thrown<IoError>([&] { WriteFileAtomically(dir / name, text); });
        ASSERT_TRUE(e);
        EXPECT_THAT(e->what(), testing::HasSubstr(says));
    }
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.sdr"));
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    fixture::WriteFile(dir / "real.sdr", Bytes(3));
    fs::create_symlink(dir / "real.sdr", dir / "link.sdr");
    WriteFileAtomically(dir / "link.sdr", text);
    EXPECT_TRUE(fs::is_symlink(dir / "link.sdr"));
    EXPECT_EQ(fixture::ReadFile(dir / "real.sdr"), text);
}

} // namespace
