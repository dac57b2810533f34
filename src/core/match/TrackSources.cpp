#include "core/match/TrackSources.h"

#include <algorithm>

namespace sundrel {

std::optional<std::size_t> PlayOfTrack(const Layout& layout, double start, double end) {
    if (!(end > start)) {
        return std::nullopt;
    }
    std::optional<std::size_t> best;
    double bestCover = 0.0;
    for (std::size_t i = 0; i < layout.plays.size(); ++i) {
        const TrackPlay& play = layout.plays[i].play;
        const double cover = std::min(end, play.end) - std::max(start, play.start);
        if (cover > bestCover) {
            bestCover = cover;
            best = i;
        }
    }
    if (!best || bestCover < 0.5 * (end - start)) {
        return std::nullopt;
    }
    return best;
}

std::string_view SourceFileName(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace sundrel
