#pragma once

#include "core/markers/Marker.h"
#include "core/markers/MixInfo.h"
#include "core/split/SplitTypes.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sundrel {

// The names of each track a split of `markers` cuts (PlanTracksAtFrames), in track order:
// the title and artist of the marker that starts it (none for a first track that no marker
// starts), and its first frame.
struct TrackNaming {
    std::string title;
    std::string artist;
    std::int64_t firstFrame = 0;
};
std::vector<TrackNaming> NamesOfTracks(std::span<const Marker> markers, std::uint64_t dataSize,
                                       std::uint32_t frameSize);

// Sets `options.names` and `options.tags` for a split of `markers` of the mix at `mixPath`
// (`dataSize` bytes of audio in frames of `frameSize` bytes at `rate` frames a second):
// the names from `nameTemplate` (see TrackFileNames; an empty template keeps the classic
// names) with the extension of `options.format`; the tags from the tracks' names, the mix's
// title (else the mix's file name without extension) as the album, and the track numbers.
// A split in which neither a track nor the mix has a name gets no tags, so that it writes the
// same bytes as ever. Throws NameTemplateError for a template that cannot be expanded.
void NameSplit(SplitOptions& options, std::span<const Marker> markers, std::uint64_t dataSize,
               std::uint32_t frameSize, std::uint32_t rate, const MixInfo& mix,
               const std::filesystem::path& mixPath, std::string_view nameTemplate);

} // namespace sundrel
