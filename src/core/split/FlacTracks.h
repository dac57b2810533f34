#pragma once

#include "core/encode/FlacTrack.h"
#include "core/interop/TrackTags.h"
#include "core/split/SplitTypes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace sundrel {

// One track to encode: the audio it holds and the open, empty file it is written into.
struct FlacTrackJob {
    TrackSpan span;
    int fd = -1;
    std::filesystem::path path; // named in errors
    TrackTags tags;
};

// Encodes every job with EncodeFlacTrack on `threads` worker threads (0: one for each core
// std::thread::hardware_concurrency reports, at least one; never more than there are jobs).
// Each worker takes the longest track not yet taken, so that the workers end close together.
// After each track, its file's writeback is started (as for WAV tracks). The first failure
// stops the other workers and is thrown once all have ended. `onProgress` (if set) is called
// on the calling thread, never on a worker, as tracks complete: with the audio bytes of the
// tracks completed so far and of all jobs; when it throws, the workers are stopped and its
// exception is passed on.
void EncodeFlacTracks(const FlacSource& source, std::span<const FlacTrackJob> jobs,
                      const std::function<void(std::uint64_t, std::uint64_t)>& onProgress,
                      unsigned threads = 0, unsigned level = kFlacLevel);

} // namespace sundrel
