#include "core/split/TrackWorkers.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using sundrel::RunTrackJobs;

// Each job runs once; progress counts them all on the calling thread. One worker runs them in
// order, reporting each before the next starts (several may count a few jobs in one call).
TEST(TrackWorkers, RunEveryJobOnceAndReportOnTheCaller) {
    const std::vector<std::uint64_t> sizes{10, 300, 20, 0, 5};
    for (const unsigned threads : {1u, 3u}) {
        std::mutex mutex;
        std::vector<std::size_t> ran;
        std::vector<std::uint64_t> progress;
        const auto caller = std::this_thread::get_id();
        RunTrackJobs(
            sizes,
            [&](std::size_t i, std::stop_token) {
                const std::lock_guard lock(mutex);
                ran.push_back(i);
                return true;
            },
            [&](std::uint64_t done, std::uint64_t total) {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                EXPECT_EQ(total, 335u);
                progress.push_back(done);
            },
            threads);
        if (threads == 1) { // each job reported before the next starts
            EXPECT_EQ(progress, (std::vector<std::uint64_t>{10, 310, 330, 330, 335}));
        }
        std::sort(ran.begin(), ran.end());
        EXPECT_EQ(ran, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
        ASSERT_FALSE(progress.empty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), 335u);
    }
}

// The first failure stops the other workers (their token asks them to) and is thrown once all
// have ended; no job starts after it.
TEST(TrackWorkers, FirstFailureStopsTheOthers) {
    std::atomic<int> started = 0;
    std::atomic<bool> sawStop = false;
    const std::vector<std::uint64_t> sizes(8, 100);
    EXPECT_THROW(RunTrackJobs(
                     sizes,
                     [&](std::size_t i, std::stop_token stop) {
                         ++started;
                         if (i == 0) {
                             while (started < 2) { // fail while the other worker is busy
                                 std::this_thread::yield();
                             }
                             throw std::runtime_error("disk full");
                         }
                         while (!stop.stop_requested()) {
                             std::this_thread::yield();
                         }
                         sawStop = true;
                         return false;
                     },
                     {}, 2),
                 std::runtime_error);
    EXPECT_EQ(started, 2);
    EXPECT_TRUE(sawStop);
}

} // namespace
