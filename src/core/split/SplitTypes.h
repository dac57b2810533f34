#pragma once

#include "core/interop/TrackTags.h"
#include "core/markers/TrackSpans.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <vector>

namespace sundrel {

// Raised when Split cannot finish; the message names the file and the reason. Tracks take
// their names only once all of them are complete, and then all together (see PlaceAll), so a
// failure leaves no track of the run and replaces no older file.
class SplitError : public std::runtime_error {
  public:
    enum class Side {
        Mix,   // the mix cannot be opened or read, or no longer holds its audio
        Track, // a track file cannot be created, written or put in place
    };
    SplitError(Side side, const std::string& message) : std::runtime_error(message), m_side(side) {}
    Side GetSide() const { return m_side; }

  private:
    Side m_side;
};

// Raised when a split's `stop` was requested (see SplitOptions): like a failure, it leaves no
// track of the run and replaces no older file.
class SplitCancelled : public std::runtime_error {
  public:
    SplitCancelled() : std::runtime_error("the split was cancelled") {}
};

// A track file as Split wrote it.
struct SplitTrack {
    int number = 0;             // 1, 2, ...
    std::filesystem::path path; // outDir / the track's file name
    TrackSpan span;             // the audio it holds
};

// The kind of file each track is written as.
enum class TrackFormat {
    Wav,  // the canonical 44-byte header and the mix's bytes, bit for bit
    Flac, // lossless FLAC decoding to the mix's samples exactly
};

// ".wav" or ".flac".
inline const char* TrackExtension(TrackFormat format) {
    return format == TrackFormat::Flac ? ".flac" : ".wav";
}

// Track files an earlier split wrote into the output folder that this split did not replace,
// still exactly as written (the folder's record of splits, see SplitRecord.h, vouches for
// them): only such files are ever removed as leftovers.
struct LeftoverTracks {
    std::vector<std::filesystem::path> removed;   // with `clean`
    std::vector<std::filesystem::path> remaining; // without `clean`, or that could not be removed
    std::string error;                            // why the first of those could not be removed
};

struct SplitOptions {
    TrackFormat format = TrackFormat::Wav;
    // The file name of each track (no folder), in track order; empty for the classic names
    // "track01.wav", "track02.wav", ... (with the format's extension).
    std::vector<std::string> names;
    // The tags of each track, in track order; empty to write none.
    std::vector<TrackTags> tags;
    // Flush the tracks to disk before they get their final names, and the folder after, so
    // that not even a system crash leaves a file named like a track that lacks its data.
    // Without it the tracks are just as complete and atomically named, and the kernel writes
    // them back as after any copy, but success does not wait for the disk.
    bool sync = false;
    // Cancels the split when requested: it ends with SplitCancelled at the next chance (between
    // chunks of a track, between tracks, before the tracks take their names).
    std::stop_token stop;
    // How many tracks are written at once, each on a worker thread: 0 for one for each core
    // (WAV tracks: only when the mix is in the page cache, else one at a time).
    unsigned workers = 0;
    // Called after each track's audio has been copied (under a temporary name), with the
    // audio bytes copied so far and in all. Always on the thread that called Split: tracks
    // written several at once on workers are counted as they complete, and one call may count
    // several.
    std::function<void(std::uint64_t done, std::uint64_t total)> onProgress;
    // Splits into one folder take turns (a lock on the folder for the whole split). When
    // another holds it: wait for it (calling onWaitForFolder first), or fail with SplitError
    // (Track) at once.
    bool waitForFolder = true;
    std::function<void()> onWaitForFolder;
    // Called for each track once all have taken their final names.
    std::function<void(const SplitTrack&)> onTrackWritten;
    // Files no track may replace besides the mix (the files the markers were read from),
    // whatever the path spelling.
    std::vector<std::filesystem::path> keep;
    // Remove the leftovers of earlier splits into the folder (see LeftoverTracks), under the
    // same lock as the split, once every track is in place.
    bool clean = false;
    // Called once the tracks are in place, when earlier splits left tracks in the folder.
    std::function<void(const LeftoverTracks&)> onLeftovers;
};

} // namespace sundrel
