#include "core/io/GuardedRead.h"
#include "core/io/UniqueFd.h"
#include "support/WavFixture.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <numeric>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using sundrel::io::GuardedRead;
using sundrel::io::GuardResult;
using sundrel::io::MappedWindows;
using sundrel::io::UniqueFd;

constexpr std::size_t kPage = 4096;

// A file of `size` bytes, byte i holding i % 251.
fixture::Bytes Pattern(std::size_t size) {
    fixture::Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) {
        b[i] = std::byte(static_cast<unsigned char>(i % 251));
    }
    return b;
}

std::uint64_t Sum(std::span<const std::byte> bytes) {
    std::uint64_t sum = 0;
    for (const std::byte b : bytes) {
        sum += static_cast<unsigned char>(b);
    }
    return sum;
}

struct OpenFile {
    explicit OpenFile(const std::filesystem::path& path, std::size_t size) : bytes(Pattern(size)) {
        fixture::WriteFile(path, bytes);
        fd = UniqueFd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    }
    fixture::Bytes bytes;
    UniqueFd fd;
};

// Views give the file's bytes at any offset, within and across windows, and nothing outside
// the part they were made for.
TEST(MappedWindows, ViewsHoldTheFilesBytes) {
    fixture::TempDir dir;
    const OpenFile file(dir / "f", 40 * kPage + 123);
    MappedWindows windows(file.fd.Get(), 44, file.bytes.size(), 8 * kPage);
    struct Case {
        std::uint64_t offset;
        std::size_t size;
    };
    // In order, back again, inside the same window, larger than a window, up to the end.
    const Case cases[] = {{44, 1000},
                          {1044, 3 * kPage},
                          {7 * kPage + 5, 2 * kPage},
                          {100, 10},
                          {3 * kPage, 20 * kPage},
                          {30 * kPage + 1, 9000},
                          {40 * kPage, 123},
                          {44, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        const auto view = windows.View(c.offset, c.size);
        ASSERT_EQ(view.size(), c.size);
        if (c.size > 0) {
            EXPECT_TRUE(std::equal(view.begin(), view.end(),
                                   file.bytes.begin() + static_cast<std::ptrdiff_t>(c.offset)));
        }
    }
    EXPECT_TRUE(windows.View(43, 10).empty());                     // before the part
    EXPECT_TRUE(windows.View(file.bytes.size() - 10, 11).empty()); // past its end

    // What cannot be mapped gives nothing, for the caller to read otherwise.
    int pipes[2];
    ASSERT_EQ(::pipe(pipes), 0);
    const UniqueFd reader(pipes[0]), writer(pipes[1]);
    MappedWindows fromPipe(reader.Get(), 0, 1 << 20, 8 * kPage);
    EXPECT_TRUE(fromPipe.View(0, 100).empty());
}

// The file cut while a guarded scan runs, before it and between two guarded scans: the scan
// that reaches a page the file no longer holds ends with Faulted, the thread goes on, later
// guarded reads of what is left work, and nothing else is touched.
TEST(GuardedRead, AFileCutUnderAScanFaultsThatScanOnly) {
    fixture::TempDir dir;
    const OpenFile file(dir / "f", 32 * kPage);
    MappedWindows windows(file.fd.Get(), 0, file.bytes.size(), 32 * kPage);
    const auto view = windows.View(0, file.bytes.size());
    ASSERT_FALSE(view.empty());

    std::uint64_t sum = 0;
    volatile std::size_t reached = 0; // read after the work was abandoned
    const auto scan = [&] {
        for (std::size_t at = 0; at < view.size(); at += kPage) {
            reached = at;
            sum += Sum(view.subspan(at, kPage));
            if (at == 4 * kPage) { // cut inside the scan, from the scan itself
                ASSERT_EQ(::ftruncate(file.fd.Get(), 10 * kPage + 100), 0);
            }
        }
    };
    EXPECT_EQ(GuardedRead(view, scan), GuardResult::Faulted);
    // The page holding the new end still reads (zeros after the end); the next one faults.
    EXPECT_EQ(static_cast<std::size_t>(reached), 11 * kPage);

    // What is left reads whole.
    sum = 0;
    EXPECT_EQ(GuardedRead(view.first(10 * kPage), [&] { sum = Sum(view.first(10 * kPage)); }),
              GuardResult::Done);
    EXPECT_EQ(sum, Sum(std::span(file.bytes).first(10 * kPage)));

    // Cut between scans: the next one faults at once.
    ASSERT_EQ(::ftruncate(file.fd.Get(), 2 * kPage), 0);
    EXPECT_EQ(GuardedRead(view, [&] { sum = Sum(view); }), GuardResult::Faulted);
    EXPECT_EQ(GuardedRead(view.first(kPage), [&] { sum = Sum(view.first(kPage)); }),
              GuardResult::Done);

    // A guard inside another: the inner one's fault ends the inner work only.
    GuardResult inner = GuardResult::Unavailable;
    EXPECT_EQ(GuardedRead(view,
                          [&] {
                              sum = Sum(view.first(kPage));
                              inner = GuardedRead(view.subspan(5 * kPage, kPage),
                                                  [&] { sum += Sum(view.subspan(5 * kPage)); });
                              sum = Sum(view.first(2 * kPage));
                          }),
              GuardResult::Done);
    EXPECT_EQ(inner, GuardResult::Faulted);

    // Work that throws leaves no guard behind; the exception passes through.
    EXPECT_THROW(GuardedRead(view, [] { throw std::runtime_error("x"); }), std::runtime_error);
    EXPECT_EQ(GuardedRead(view.first(kPage), [&] { sum = Sum(view.first(kPage)); }),
              GuardResult::Done);
}

// Each thread's fault ends that thread's scan, while other threads scanning intact files
// (or cut ones) at the same time carry on with their own results.
TEST(GuardedRead, FaultsStayWithTheirThread) {
    fixture::TempDir dir;
    constexpr int kThreads = 4;
    constexpr std::size_t kSize = 64 * kPage;
    std::vector<std::unique_ptr<OpenFile>> files;
    for (int t = 0; t < kThreads; ++t) {
        files.push_back(std::make_unique<OpenFile>(dir / std::to_string(t), kSize));
    }
    std::atomic<int> scanning{0};
    std::vector<GuardResult> results(kThreads, GuardResult::Unavailable);
    std::vector<std::uint64_t> sums(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const OpenFile& file = *files[static_cast<std::size_t>(t)];
            MappedWindows windows(file.fd.Get(), 0, kSize, kSize);
            const auto view = windows.View(0, kSize);
            for (int round = 0; round < 20; ++round) {
                results[static_cast<std::size_t>(t)] = GuardedRead(view, [&] {
                    scanning.fetch_add(1);
                    // Every thread is inside its guard before any file is cut.
                    while (scanning.load() < kThreads * (round + 1)) {
                        std::this_thread::yield();
                    }
                    if (t % 2 == 1 && round == 19) {
                        ASSERT_EQ(::ftruncate(file.fd.Get(), 3 * kPage), 0);
                    }
                    sums[static_cast<std::size_t>(t)] = Sum(view);
                });
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    const std::uint64_t whole = Sum(files[0]->bytes);
    for (int t = 0; t < kThreads; ++t) {
        SCOPED_TRACE(t);
        const auto i = static_cast<std::size_t>(t);
        EXPECT_EQ(results[i], t % 2 == 1 ? GuardResult::Faulted : GuardResult::Done);
        if (t % 2 == 0) {
            EXPECT_EQ(sums[i], whole);
        }
    }
}

// A fault no guard of the faulting thread covers still ends the process, as SIGBUS does
// without the handler: outside any guard (with another thread inside one meanwhile), and
// inside a guard for a different region.
void TouchCutPage(bool guarded, bool otherThreadGuarding) {
    const std::string path =
        ::testing::TempDir() + "guarded-read-death-" + std::to_string(::getpid());
    OpenFile file(path, 8 * kPage);
    ::unlink(path.c_str());
    MappedWindows windows(file.fd.Get(), 0, 8 * kPage, 8 * kPage);
    const auto view = windows.View(0, 8 * kPage);
    // The handler is in place from here on.
    if (GuardedRead(view, [&] { (void)Sum(view.first(kPage)); }) != GuardResult::Done) {
        return;
    }
    std::atomic<bool> inside{false};
    std::thread other;
    if (otherThreadGuarding) {
        other = std::thread([&] {
            GuardedRead(view, [&] {
                inside = true;
                while (true) {
                    std::this_thread::yield();
                }
            });
        });
        while (!inside) {
            std::this_thread::yield();
        }
    }
    if (::ftruncate(file.fd.Get(), kPage) != 0) {
        return;
    }
    volatile std::uint64_t sink = 0;
    if (guarded) {
        GuardedRead(view.first(kPage), [&] { sink = Sum(view.subspan(4 * kPage, kPage)); });
    } else {
        sink = Sum(view.subspan(4 * kPage, kPage));
    }
    (void)sink;
    other.detach();
}

// Under a sanitizer, whose handler was there first, its report of the SIGBUS ends the process:
// with the sanitizer's exit code, or by abort() where its options say abort_on_error.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#if defined(__SANITIZE_ADDRESS__)
constexpr int kSanitizerExit = 1;
#define SUNDREL_BUS_REPORT "AddressSanitizer: BUS"
#else
constexpr int kSanitizerExit = 66;
#define SUNDREL_BUS_REPORT "ThreadSanitizer: BUS"
#endif
bool SanitizerEnded(int status) {
    return (WIFEXITED(status) && WEXITSTATUS(status) == kSanitizerExit) ||
           (WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT);
}
#define SUNDREL_BUS_EXIT SanitizerEnded
#else
#define SUNDREL_BUS_EXIT ::testing::KilledBySignal(SIGBUS)
#define SUNDREL_BUS_REPORT ""
#endif

TEST(GuardedReadDeathTest, FaultsOutsideAGuardStillEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(TouchCutPage(false, false), SUNDREL_BUS_EXIT, SUNDREL_BUS_REPORT);
    EXPECT_EXIT(TouchCutPage(false, true), SUNDREL_BUS_EXIT, SUNDREL_BUS_REPORT);
    EXPECT_EXIT(TouchCutPage(true, false), SUNDREL_BUS_EXIT, SUNDREL_BUS_REPORT);
}

// A SIGBUS handler the program had before the first guard still gets the faults that are
// not the guard's.
void OnBusExit(int) {
    ::_exit(42);
}

TEST(GuardedReadDeathTest, FaultsOutsideAGuardGoToTheHandlerBefore) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGBUS, OnBusExit);
            TouchCutPage(false, false);
        },
        ::testing::ExitedWithCode(42), "");
}

} // namespace
