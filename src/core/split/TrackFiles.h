#pragma once

#include <filesystem>
#include <vector>

namespace sundrel {

// The highest number a track file name can carry ("track%.2d.wav" of an int).
inline constexpr int kMaxTrackNumber = 9999;

// The track files Split names (see TrackName) that exist in `dir` with numbers first..last,
// in ascending order. Only regular files and symbolic links count; a folder that cannot be
// read holds none.
std::vector<std::filesystem::path> TrackFilesIn(const std::filesystem::path& dir, int first,
                                                int last);

// Removes the files; throws std::runtime_error naming the first that cannot be removed (the
// others are still tried).
void RemoveTrackFiles(const std::vector<std::filesystem::path>& files);

} // namespace sundrel
