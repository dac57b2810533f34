#include "core/session/SplitRequest.h"

#include <algorithm>
#include <stdexcept>

namespace sundrel {

std::vector<SplitTrack> SplitJob::operator()(const std::filesystem::path& outDir,
                                             const SplitOptions& options) const {
    if (!wave) {
        throw std::logic_error("no mix to split");
    }
    return wave->Split(markers, outDir, options);
}

std::vector<std::filesystem::path> UnprovenTracks(const SplitRequest& request,
                                                  const LeftoverTracks& leftovers) {
    const auto listed = [&leftovers](const std::filesystem::path& path) {
        return std::find(leftovers.remaining.begin(), leftovers.remaining.end(), path) !=
                   leftovers.remaining.end() ||
               std::find(leftovers.removed.begin(), leftovers.removed.end(), path) !=
                   leftovers.removed.end();
    };
    const std::filesystem::path mix =
        request.job.wave ? request.job.wave->m_strPath : std::filesystem::path();
    std::vector<std::filesystem::path> unproven;
    for (const TrackFile& f : StaleTracks(request.folder, request.options.names, mix)) {
        if (!listed(f.path)) {
            unproven.push_back(f.path);
        }
    }
    return unproven;
}

} // namespace sundrel
