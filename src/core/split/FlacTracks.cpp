#include "core/split/FlacTracks.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <numeric>
#include <stop_token>
#include <thread>
#include <vector>

namespace sundrel {

namespace {

// What the workers and the calling thread share, under `mutex`.
struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;      // the next entry of the order to take
    std::size_t completed = 0; // tracks encoded
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

void EncodeFlacTracks(const FlacSource& source, std::span<const FlacTrackJob> jobs,
                      const std::function<void(std::uint64_t, std::uint64_t)>& onProgress,
                      unsigned threads, unsigned level) {
    if (jobs.empty()) {
        return;
    }
    // The longest first: the last tracks taken are short, so no worker is left with a long one
    // while the others have nothing to do.
    std::vector<std::size_t> order(jobs.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return jobs[a].span.size > jobs[b].span.size;
    });
    std::uint64_t total = 0;
    for (const FlacTrackJob& job : jobs) {
        total += job.span.size;
    }
    if (threads == 0) {
        threads = std::max(std::thread::hardware_concurrency(), 1u);
    }
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, jobs.size()));

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
            const FlacTrackJob& job = jobs[index];
            try {
                if (!EncodeFlacTrack(source, job.span, job.fd, job.path, job.tags, level, stop)) {
                    return;
                }
                // Start writing the track out while the others are encoded (a hint only).
                ::sync_file_range(job.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
                const std::lock_guard lock(shared.mutex);
                ++shared.completed;
                shared.doneBytes += job.span.size;
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
        std::size_t reported = 0; // tracks the last call of onProgress counted
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
            if (reported == jobs.size()) {
                break;
            }
        }
    }
    if (shared.failure) {
        std::rethrow_exception(shared.failure);
    }
}

} // namespace sundrel
