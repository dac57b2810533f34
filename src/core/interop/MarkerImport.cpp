#include "core/interop/MarkerImport.h"

#include "core/interop/ExactTimeMath.h"

#include "core/markers/MarkerMath.h"
#include "core/markers/TrackNumbers.h"
#include "core/time/TimeCode.h"

#include <algorithm>
#include <string>

namespace sundrel {

namespace {

std::string TrackText(std::size_t index) {
    return "track " + std::to_string(index + 1);
}

} // namespace

bool HasTimes(const MarkerSet& set) {
    return !set.tracks.empty() && std::all_of(set.tracks.begin(), set.tracks.end(),
                                              [](const TrackEntry& t) { return t.start; });
}

bool HasLeadIn(const MarkerSet& set, std::uint32_t rate) {
    if (!set.leadInIsPregap || !HasTimes(set)) {
        return false;
    }
    std::int64_t first = FrameOf(*set.tracks.front().start, rate);
    for (const TrackEntry& t : set.tracks) {
        first = std::min(first, FrameOf(*t.start, rate));
    }
    return first > 0;
}

std::vector<Marker> MarkersFromTimes(const MarkerSet& set, std::uint32_t rate, std::int64_t frames,
                                     LeadIn leadIn) {
    struct Placed {
        std::int64_t frame;
        std::size_t track;
    };
    std::vector<Placed> placed;
    for (std::size_t i = 0; i < set.tracks.size(); ++i) {
        const TrackEntry& t = set.tracks[i];
        if (!t.start) {
            throw InteropError(0, TrackText(i) + " has no start time");
        }
        const std::int64_t frame = FrameOf(*t.start, rate);
        if (frame < 0) {
            throw InteropError(0, TrackText(i) + " starts before the mix");
        }
        if (frame >= frames) {
            throw InteropError(0, TrackText(i) + " starts at " +
                                      FormatDuration(static_cast<double>(t.start->ticks) /
                                                     static_cast<double>(t.start->perSecond)) +
                                      ", at or after the end of the mix (" +
                                      FormatFrameTime(frames, rate) + ")");
        }
        placed.push_back({frame, i});
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) { return a.frame < b.frame; });
    for (std::size_t k = 1; k < placed.size(); ++k) {
        if (placed[k].frame == placed[k - 1].frame) {
            throw InteropError(0, TrackText(placed[k - 1].track) + " and " +
                                      TrackText(placed[k].track) + " start at the same time (" +
                                      FormatFrameTime(placed[k].frame, rate) + ")");
        }
    }
    if (leadIn == LeadIn::JoinFirstTrack && set.leadInIsPregap && !placed.empty()) {
        placed.front().frame = 0;
    }
    std::vector<Marker> markers;
    if (placed.empty() || placed.front().frame > 0) {
        markers.push_back(FrameMarker(0));
    }
    for (const Placed& p : placed) {
        Marker m = FrameMarker(p.frame);
        m.title = set.tracks[p.track].title;
        m.artist = set.tracks[p.track].artist;
        m.number = set.tracks[p.track].number;
        m.sourceFile = set.tracks[p.track].sourceFile;
        markers.push_back(std::move(m));
    }
    // Numbers that count 1, 2, 3... from the first track say nothing the markers' order does
    // not: left out, the markers number as any others would (and a project stays readable by
    // versions of the program that keep no numbers).
    std::vector<int> own;
    for (const Marker& m : markers) {
        own.push_back(m.number);
    }
    const std::vector<int> numbers = TrackNumbers(own);
    bool byPlace = true;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        byPlace = byPlace && numbers[i] == static_cast<int>(i) + 1;
    }
    if (byPlace) {
        for (Marker& m : markers) {
            m.number = 0;
        }
    }
    if (markers.size() > kMaxMarkers) {
        throw InteropError(0, "the list holds " + std::to_string(set.tracks.size()) +
                                  " tracks; a mix can have at most " + std::to_string(kMaxMarkers) +
                                  " tracks");
    }
    return markers;
}

std::vector<Marker> NameMarkers(std::span<const Marker> markers, const MarkerSet& set) {
    if (set.tracks.size() != markers.size()) {
        throw InteropError(0, "the list names " + std::to_string(set.tracks.size()) +
                                  (set.tracks.size() == 1 ? " track" : " tracks") +
                                  ", but the markers make " + std::to_string(markers.size()) +
                                  (markers.size() == 1 ? " track" : " tracks") +
                                  "; nothing was changed");
    }
    std::vector<Marker> named(markers.begin(), markers.end());
    const std::vector<std::size_t> order = FrameOrder(markers);
    for (std::size_t k = 0; k < order.size(); ++k) {
        named[order[k]].title = set.tracks[k].title;
        named[order[k]].artist = set.tracks[k].artist;
    }
    return named;
}

MarkerSet SetFromMarkers(std::span<const Marker> markers, std::uint32_t rate, const MixInfo& mix,
                         const std::filesystem::path& mixPath) {
    MarkerSet set;
    set.title = mix.title;
    set.artist = mix.artist;
    set.date = mix.date;
    set.genre = mix.genre;
    set.file = mixPath.filename().string();
    for (std::size_t index : FrameOrder(markers)) {
        const Marker& m = markers[index];
        set.tracks.push_back(
            {TimeOfFrame(m.frame, rate), m.title, m.artist, m.sourceFile, m.number});
    }
    return set;
}

} // namespace sundrel
