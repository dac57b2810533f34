#include "core/io/PageCache.h"
#include "core/io/UniqueFd.h"
#include "support/WavFixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

using sundrel::io::CachedShare;
using sundrel::io::UniqueFd;

// A file just written is in the cache, any part of it; once written out and dropped it is
// not (where the file system can drop pages: tmpfs holds them in memory for good). What
// cannot be mapped, or belongs to another user, tells nothing.
TEST(PageCache, TellsWhatTheCacheHolds) {
    fixture::TempDir dir;
    const auto path = dir / "mix.wav";
    fixture::WriteFile(path, fixture::Bytes(1 << 20, std::byte{7}));
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    EXPECT_EQ(CachedShare(fd.Get(), 0, 1 << 20), 1.0);
    EXPECT_EQ(CachedShare(fd.Get(), 4097, 300'000), 1.0);
    EXPECT_EQ(CachedShare(fd.Get(), 5, 0), 1.0);

    int pipes[2];
    ASSERT_EQ(::pipe(pipes), 0);
    const UniqueFd reader(pipes[0]), writer(pipes[1]);
    EXPECT_EQ(CachedShare(reader.Get(), 0, 4096), 0.0);

    // Another user's file: the kernel would claim it cached (as root every answer is true).
    if (::geteuid() != 0) {
        const UniqueFd others(::open("/etc/passwd", O_RDONLY | O_CLOEXEC));
        EXPECT_EQ(CachedShare(others.Get(), 0, 100), 0.0);
    }

    struct statfs st {};
    ASSERT_EQ(::fstatfs(fd.Get(), &st), 0);
    if (st.f_type == TMPFS_MAGIC) {
        GTEST_SKIP() << "tmpfs keeps every page";
    }
    ASSERT_EQ(::fdatasync(fd.Get()), 0);
    ASSERT_EQ(::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_DONTNEED), 0);
    EXPECT_LT(CachedShare(fd.Get(), 0, 1 << 20), 0.5);
}

} // namespace
