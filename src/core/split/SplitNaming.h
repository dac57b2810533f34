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
// the title, artist and sheet number of the marker that starts it (none for a first track
// that no marker starts), and its first frame.
struct TrackNaming {
    std::string title;
    std::string artist;
    std::int64_t firstFrame = 0;
    int ownNumber = 0; // Marker::number
};
std::vector<TrackNaming> NamesOfTracks(std::span<const Marker> markers, std::uint64_t dataSize,
                                       std::uint32_t frameSize);

// The number of each track of that split, in time order (TrackNumbers of the markers' own
// numbers); a lead-in written as a track of its own is 0 and counts in no number.
std::vector<int> SplitTrackNumbers(std::span<const TrackNaming> tracks, bool leadInTrack);

// Sets `options.names` and `options.tags` for a split of `markers` of the mix at `mixPath`
// (`dataSize` bytes of audio in frames of `frameSize` bytes at `rate` frames a second):
// the names from `nameTemplate` (see TrackFileNames; an empty template keeps the classic
// names) with the extension of `options.format`; the tags from the tracks' names, the mix's
// title (else the mix's file name without extension) as the album, the mix's artist as the
// album artist and as the artist of each track that has none, the mix's date and genre, the
// track numbers and disc 1 of 1 (marked a compilation when the tracks' artists differ).
// The numbers in names and tags are TrackNumbers of the markers' own numbers: a cue sheet's
// TRACK numbers where the markers came from one, else 1, 2, ...; the count beside each number
// ("3/12") is the highest number of the split, so that no track is numbered past its count
// when a sheet starts at TRACK 03 or skips a number.
// A split in which neither a track nor the mix has a name gets no tags, so that it writes the
// same bytes as ever. With `leadInTrack` the first track is the audio before the first listed
// one: it is named kLeadInName and untagged by number, and the others count from 1, as
// shnsplit writes a pregap. Throws NameTemplateError for a template that cannot be expanded.
void NameSplit(SplitOptions& options, std::span<const Marker> markers, std::uint64_t dataSize,
               std::uint32_t frameSize, std::uint32_t rate, const MixInfo& mix,
               const std::filesystem::path& mixPath, std::string_view nameTemplate,
               bool leadInTrack = false);

// The file name (before the extension) of a lead-in written as a track of its own.
inline constexpr const char* kLeadInName = "00 pregap";

} // namespace sundrel
