#pragma once

#include "core/interop/TrackTags.h"
#include "core/split/FlacTrack.h"
#include "core/split/SplitTypes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <stop_token>
#include <string>

namespace sundrel {

// One track to encode: the audio it holds and the open, empty file it is written into.
struct FlacTrackJob {
    TrackSpan span;
    int fd = -1;
    std::filesystem::path path; // named in errors
    TrackTags tags;
};

// Encodes every job with EncodeFlacTrack on `threads` worker threads, shared out, stopped and
// reported as RunTrackJobs does. After each track, its file's writeback is started. Once
// `cancel` is requested the encoders stop and SplitCancelled is thrown.
void EncodeFlacTracks(const FlacSource& source, std::span<const FlacTrackJob> jobs,
                      const std::function<void(std::uint64_t, std::uint64_t)>& onProgress,
                      unsigned threads = 0, unsigned level = kFlacLevel,
                      std::stop_token cancel = {});

} // namespace sundrel
