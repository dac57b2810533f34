#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sundrel {

// A track file a split wrote, as the record of an output folder keeps it: its name, its size
// and a digest of its first and last 64 KiB, so that a file of that name is known for the
// same file and never for a user's file that took the name since.
struct RecordedTrack {
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t digest = 0;
    bool leftover = false; // of an earlier split, not of the last one
    // The same file contents (name, size and digest; `leftover` aside).
    bool SameAs(const RecordedTrack& other) const {
        return name == other.name && size == other.size && digest == other.digest;
    }
};

// The record a split keeps in its output folder (a hidden file), listing every track file of
// that folder Sundrel wrote and that no later split replaced: the last split's tracks and the
// leftovers of earlier ones. Written and read under the folder's lock.
std::filesystem::path SplitRecordPath(const std::filesystem::path& folder);

// The entry `folder / name` would have: nothing unless it is a regular file (a symbolic link
// is not one) that can be read.
std::optional<RecordedTrack> Fingerprint(const std::filesystem::path& folder,
                                         const std::string& name);

// The tracks of the folder's record; none when there is no record or it cannot be read.
std::vector<RecordedTrack> ReadSplitRecord(const std::filesystem::path& folder);

// Replaces the folder's record; returns 0 or the errno of the failure.
int WriteSplitRecord(const std::filesystem::path& folder, std::span<const RecordedTrack> tracks);

// The tracks of `recorded` still in `folder` exactly as recorded (Fingerprint equal), whose
// names (ASCII letters without case) are not among `names`, and that are not `keep` (the mix,
// whatever the path): the leftovers of earlier splits that a split into `names` did not
// replace.
std::vector<RecordedTrack> Leftovers(const std::filesystem::path& folder,
                                     std::span<const RecordedTrack> recorded,
                                     std::span<const std::string> names,
                                     std::span<const std::filesystem::path> keep);

// Removes, under the folder's lock (waiting for a split that holds it), those of `files` that
// the folder's record lists as leftovers of an earlier split and that are still exactly as
// recorded; the record then forgets them. A track of the last split, a changed file or one the
// record does not list is never removed: it is among `remaining`, like a file that cannot be
// removed (whose error is kept).
struct LeftoverTracks;
LeftoverTracks RemoveLeftovers(const std::filesystem::path& folder,
                               std::span<const std::filesystem::path> files);

} // namespace sundrel
