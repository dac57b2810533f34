#include "core/split/TrackWorkers.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

namespace sundrel {

namespace {

// What the workers and the calling thread share, under `mutex`.
struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;      // the next entry of the order to take
    std::size_t completed = 0; // jobs done
    std::uint64_t doneBytes = 0;
    std::exception_ptr failure; // the first one
    std::stop_source stop;
};

// The workers, stopped and joined however the calling thread leaves.
struct Workers {
    Shared& shared;
    std::vector<std::thread> threads;
    ~Workers() {
        shared.stop.request_stop();
        for (std::thread& t : threads) {
            t.join();
        }
    }
};

} // namespace

void RunTrackJobs(std::span<const std::uint64_t> sizes, const TrackJob& job,
                  const std::function<void(std::uint64_t, std::uint64_t)>& onProgress,
                  unsigned threads) {
    if (sizes.empty()) {
        return;
    }
    if (threads == 0) {
        threads = std::max(std::thread::hardware_concurrency(), 1u);
    }
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, sizes.size()));
    // One worker takes the jobs in order. Several take the longest first: the last jobs taken
    // are short, so no worker is left with a long one while the others have nothing to do.
    std::vector<std::size_t> order(sizes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (threads > 1) {
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    }
    const std::uint64_t total = std::accumulate(sizes.begin(), sizes.end(), std::uint64_t{0});

    if (threads == 1) {
        // On the calling thread: each job is reported before the next one starts.
        std::uint64_t done = 0;
        for (const std::size_t index : order) {
            if (!job(index, std::stop_token())) {
                return;
            }
            done += sizes[index];
            if (onProgress) {
                onProgress(done, total);
            }
        }
        return;
    }

    Shared shared;
    const auto work = [&] {
        const std::stop_token stop = shared.stop.get_token();
        for (;;) {
            std::size_t index = 0;
            {
                const std::lock_guard lock(shared.mutex);
                if (shared.failure || stop.stop_requested() || shared.next == order.size()) {
                    return;
                }
                index = order[shared.next++];
            }
            try {
                if (!job(index, stop)) {
                    return;
                }
                const std::lock_guard lock(shared.mutex);
                ++shared.completed;
                shared.doneBytes += sizes[index];
            } catch (...) {
                const std::lock_guard lock(shared.mutex);
                if (!shared.failure) {
                    shared.failure = std::current_exception();
                }
                shared.stop.request_stop();
            }
            shared.changed.notify_all();
        }
    };

    {
        Workers workers{shared, {}};
        for (unsigned i = 0; i < threads; ++i) {
            workers.threads.emplace_back(work);
        }
        std::size_t reported = 0; // jobs the last call of onProgress counted
        std::unique_lock lock(shared.mutex);
        for (;;) {
            shared.changed.wait(lock,
                                [&] { return shared.failure || shared.completed != reported; });
            if (shared.failure) {
                break;
            }
            reported = shared.completed;
            if (onProgress) {
                const std::uint64_t done = shared.doneBytes;
                lock.unlock();
                onProgress(done, total);
                lock.lock();
            }
            if (reported == sizes.size()) {
                break;
            }
        }
    }
    if (shared.failure) {
        std::rethrow_exception(shared.failure);
    }
}

} // namespace sundrel
