#include "core/split/SplitNaming.h"

#include "core/interop/TrackNames.h"
#include "core/split/SplitPlan.h"

#include <algorithm>
#include <numeric>

namespace sundrel {

std::vector<TrackNaming> NamesOfTracks(std::span<const Marker> markers, std::uint64_t dataSize,
                                       std::uint32_t frameSize) {
    const std::vector<TrackSpan> plan = PlanTracksAtFrames(markers, dataSize, frameSize);
    // The markers in the order of their boundaries; a first track that no marker starts is
    // unnamed (PlanTracksAtFrames then puts its boundary at 0 before all others).
    std::vector<std::size_t> order(markers.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const std::int64_t frames =
        frameSize == 0 ? 0 : static_cast<std::int64_t>(dataSize / frameSize);
    auto clamped = [&](const Marker& m) { return std::clamp<std::int64_t>(m.frame, 0, frames); };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return clamped(markers[a]) < clamped(markers[b]);
    });
    const std::size_t unnamed = plan.size() - markers.size(); // 0 or 1
    std::vector<TrackNaming> names(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        names[i].firstFrame =
            frameSize == 0 ? 0 : static_cast<std::int64_t>(plan[i].offset / frameSize);
        if (i >= unnamed) {
            const Marker& m = markers[order[i - unnamed]];
            names[i].title = m.title;
            names[i].artist = m.artist;
        }
    }
    return names;
}

void NameSplit(SplitOptions& options, std::span<const Marker> markers, std::uint64_t dataSize,
               std::uint32_t frameSize, std::uint32_t rate, const MixInfo& mix,
               const std::filesystem::path& mixPath, std::string_view nameTemplate) {
    const std::vector<TrackNaming> tracks = NamesOfTracks(markers, dataSize, frameSize);
    std::vector<TrackNameFields> fields;
    bool named = !mix.Empty();
    for (const TrackNaming& t : tracks) {
        fields.push_back(
            {t.title, t.artist, rate == 0 ? 0 : static_cast<std::uint64_t>(t.firstFrame) / rate});
        named = named || !t.title.empty() || !t.artist.empty();
    }
    const std::string stem = mixPath.stem().string();
    options.names = TrackFileNames(nameTemplate, fields, stem, TrackExtension(options.format));
    options.tags.clear();
    if (!named) {
        return;
    }
    const int count = static_cast<int>(tracks.size());
    for (int k = 0; k < count; ++k) {
        const TrackNaming& t = tracks[static_cast<std::size_t>(k)];
        options.tags.push_back(
            {t.title, t.artist, mix.title.empty() ? stem : mix.title, k + 1, count});
    }
}

} // namespace sundrel
