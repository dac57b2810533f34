#include "core/split/FlacTracks.h"

#include "core/split/TrackWorkers.h"

#include <fcntl.h>
#include <vector>

namespace sundrel {

void EncodeFlacTracks(const FlacSource& source, std::span<const FlacTrackJob> jobs,
                      const std::function<void(std::uint64_t, std::uint64_t)>& onProgress,
                      unsigned threads, unsigned level, std::stop_token cancel) {
    std::vector<std::uint64_t> sizes;
    for (const FlacTrackJob& job : jobs) {
        sizes.push_back(job.span.size);
    }
    RunTrackJobs(
        sizes,
        [&](std::size_t index, std::stop_token stop) {
            const FlacTrackJob& job = jobs[index];
            // The encoder stops when the other workers stop (a failure) or the split is
            // cancelled.
            std::stop_source either;
            const std::stop_callback onStop(stop, [&either] { either.request_stop(); });
            const std::stop_callback onCancel(cancel, [&either] { either.request_stop(); });
            if (!EncodeFlacTrack(source, job.span, job.fd, job.path, job.tags, level,
                                 either.get_token())) {
                if (cancel.stop_requested()) {
                    throw SplitCancelled();
                }
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
