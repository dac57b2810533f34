#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace sundrel {

struct SplitOptions;

// The file name of each of `count` tracks of a split: `options.names` when given, else the
// classic names "track01.wav", "track02.wav", ... (".flac" for FLAC tracks). Throws
// std::invalid_argument when the names given are not `count` plain file names that differ
// from each other (ASCII letters compared without case, as FAT does): a name must not be
// empty, ".", "..", longer than 255 bytes, hold '/' or NUL, or look like a split's temporary
// file. Throws it too when `options.tags` is given for another number of tracks.
std::vector<std::string> SplitTrackNames(std::size_t count, const SplitOptions& options);

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

// For a split whose tracks take the file names `names` (see SplitTrackNames), track i + 1
// named names[i]: those that already name an entry of `dir` (other than a folder) and would be
// replaced.
std::vector<TrackFile> ReplacedTracks(const std::filesystem::path& dir,
                                      std::span<const std::string> names);

// For a split whose tracks took the file names `names`: the files of `dir` with classic track
// names (as TrackFilesIn finds them) that are not among `names`, ASCII letters compared
// without case. For classic names this is StaleTracks(dir, names.size(), mix); after a split
// with other names, every classic track file there is left from an earlier split. Tracks an
// earlier split gave other names cannot be told from other files and are not reported. `mix`,
// when given, is never among them.
std::vector<TrackFile> StaleTracks(const std::filesystem::path& dir,
                                   std::span<const std::string> names,
                                   const std::filesystem::path& mix = {});

// Removes the files; throws SplitError (Track) naming the first that cannot be removed. A
// file that is already gone counts as removed.
void RemoveTrackFiles(std::span<const TrackFile> files);

} // namespace sundrel
