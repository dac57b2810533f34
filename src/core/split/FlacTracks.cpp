#include "core/split/FlacTracks.h"

#include "core/split/TrackWorkers.h"

#include <fcntl.h>
#include <vector>

namespace sundrel {

void EncodeFlacTracks(const FlacSource& source, std::span<const FlacTrackJob> jobs,
                      const std::function<void(std::uint64_t, std::uint64_t)>& onProgress,
                      unsigned threads, unsigned level) {
    std::vector<std::uint64_t> sizes;
    for (const FlacTrackJob& job : jobs) {
        sizes.push_back(job.span.size);
    }
    RunTrackJobs(
        sizes,
        [&](std::size_t index, std::stop_token stop) {
            const FlacTrackJob& job = jobs[index];
            if (!EncodeFlacTrack(source, job.span, job.fd, job.path, job.tags, level, stop)) {
                return false;
            }
            // Start writing the track out while the others are encoded: encoding, not the
            // disk, sets the pace here, so the hint costs no time (a hint only).
            ::sync_file_range(job.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
            return true;
        },
        onProgress, threads);
}

} // namespace sundrel
