#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>

namespace sundrel {

// Writes the track of `index`; returns false when it saw `stop` and ended early.
using TrackJob = std::function<bool(std::size_t index, std::stop_token stop)>;

// Runs `job` for every index of `sizes` (each job's audio bytes) on `threads` worker threads
// (0: one for each core std::thread::hardware_concurrency reports, at least one; never more
// than there are jobs). A single worker is the calling thread itself: it runs the jobs in order and
// reports each before it starts the next. Several take the longest job not yet taken, so that
// they end close together. The first failure stops the other workers and is
// thrown once all have ended. `onProgress` (if set) is called on the calling thread, never on a
// worker, as jobs complete: with the bytes of the jobs completed so far and of all jobs; when it
// throws, the workers are stopped and its exception is passed on.
void RunTrackJobs(std::span<const std::uint64_t> sizes, const TrackJob& job,
                  const std::function<void(std::uint64_t, std::uint64_t)>& onProgress,
                  unsigned threads = 0);

} // namespace sundrel
