#include "core/split/SplitNaming.h"

#include "core/interop/TrackNames.h"
#include "core/markers/TrackNumbers.h"
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
            names[i].ownNumber = m.number;
        }
    }
    return names;
}

std::vector<int> SplitTrackNumbers(std::span<const TrackNaming> tracks, bool leadInTrack) {
    const std::size_t first = leadInTrack && tracks.size() > 1 ? 1 : 0;
    std::vector<int> own;
    for (std::size_t i = first; i < tracks.size(); ++i) {
        own.push_back(tracks[i].ownNumber);
    }
    std::vector<int> numbers(first, 0);
    const std::vector<int> rest = TrackNumbers(own);
    numbers.insert(numbers.end(), rest.begin(), rest.end());
    return numbers;
}

void NameSplit(SplitOptions& options, std::span<const Marker> markers, std::uint64_t dataSize,
               std::uint32_t frameSize, std::uint32_t rate, const MixInfo& mix,
               const std::filesystem::path& mixPath, std::string_view nameTemplate,
               bool leadInTrack) {
    const std::vector<TrackNaming> tracks = NamesOfTracks(markers, dataSize, frameSize);
    const std::size_t first = leadInTrack && tracks.size() > 1 ? 1 : 0;
    const std::vector<int> all = SplitTrackNumbers(tracks, leadInTrack);
    const std::vector<int> numbers(all.begin() + static_cast<std::ptrdiff_t>(first), all.end());
    std::vector<TrackNameFields> fields;
    bool named = !mix.Empty();
    for (std::size_t i = first; i < tracks.size(); ++i) {
        const TrackNaming& t = tracks[i];
        fields.push_back({t.title, t.artist,
                          rate == 0 ? 0 : static_cast<std::uint64_t>(t.firstFrame) / rate,
                          static_cast<std::uint64_t>(numbers[i - first])});
        named = named || !t.title.empty() || !t.artist.empty();
    }
    const std::string stem = mixPath.stem().string();
    const std::string extension = TrackExtension(options.format);
    options.names = TrackFileNames(nameTemplate, fields, stem, extension);
    if (first == 1) {
        std::string leadIn = kLeadInName;
        leadIn += extension;
        options.names.insert(options.names.begin(), std::move(leadIn));
    }
    options.tags.clear();
    if (!named) {
        return;
    }
    bool severalArtists = false;
    for (std::size_t i = first; i < tracks.size(); ++i) {
        const std::string& artist = tracks[i].artist.empty() ? mix.artist : tracks[i].artist;
        const std::string& firstArtist =
            tracks[first].artist.empty() ? mix.artist : tracks[first].artist;
        severalArtists = severalArtists || artist != firstArtist;
    }
    // The numbers rise, so the last is the highest: the total a player shows beside each one.
    // (Not the count of tracks: a sheet's lead-in numbered 0 is no track of the album.)
    const int count = numbers.empty() ? 0 : numbers.back();
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const TrackNaming& t = tracks[i];
        const bool leadIn = i < first;
        TrackTags tags;
        tags.title = t.title;
        tags.artist = t.artist.empty() ? mix.artist : t.artist;
        tags.album = mix.title.empty() ? stem : mix.title;
        tags.number = leadIn ? 0 : numbers[i - first];
        tags.count = count;
        tags.albumArtist = mix.artist;
        tags.date = mix.date;
        tags.genre = mix.genre;
        tags.disc = 1;
        tags.compilation = severalArtists;
        options.tags.push_back(std::move(tags));
    }
}

} // namespace sundrel
