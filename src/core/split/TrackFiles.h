#pragma once

#include <filesystem>
#include <span>
#include <vector>

namespace sundrel {

// A file in an output folder named like a track Split writes (TrackName(number)).
struct TrackFile {
    int number = 0;
    std::filesystem::path path;
    friend bool operator==(const TrackFile&, const TrackFile&) = default;
};

// The entries of `dir` (folders aside) named exactly as Split names tracks ("track01.wav",
// ..., "track100.wav", ...), by ascending number. Nothing for a folder that does not exist or
// cannot be read.
std::vector<TrackFile> TrackFilesIn(const std::filesystem::path& dir);

// The track files of `dir` that a split into `count` tracks would replace (numbers 1..count).
std::vector<TrackFile> ReplacedTracks(const std::filesystem::path& dir, std::size_t count);

// The track files of `dir` numbered beyond `count`: left from an earlier split into more
// tracks, they would look like part of a new split into `count`. `mix`, when given, is never
// among them, even under a track's name.
std::vector<TrackFile> StaleTracks(const std::filesystem::path& dir, std::size_t count,
                                   const std::filesystem::path& mix = {});

// Removes the files; throws SplitError (Track) naming the first that cannot be removed. A
// file that is already gone counts as removed.
void RemoveTrackFiles(std::span<const TrackFile> files);

} // namespace sundrel
