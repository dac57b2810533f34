#pragma once

#include "core/audio/WaveFile.h"
#include "core/markers/Marker.h"
#include "core/split/SplitTypes.h"
#include "core/split/TrackFiles.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace sundrel {

// The split of a mix at markers as they were when it was prepared. The job holds the mix and
// a copy of the markers, so it runs on any thread while the session goes on; it throws what
// CWaveFile::Split throws.
struct SplitJob {
    std::shared_ptr<CWaveFile> wave;
    std::vector<Marker> markers;
    std::vector<SplitTrack> operator()(const std::filesystem::path& outDir,
                                       const SplitOptions& options = {}) const;
};

// What the user chose for a split: where, how the tracks are named and written, and how the
// split deals with other splits into the same folder.
struct SplitSettings {
    std::filesystem::path folder;
    std::string nameTemplate; // empty: the classic names track01.wav, ...
    TrackFormat format = TrackFormat::Wav;
    bool sync = false;         // on the disk before success is reported
    bool clean = false;        // remove the tracks earlier splits left there (see LeftoverTracks)
    bool waitForFolder = true; // wait while another split holds the folder's lock, else fail
    bool leadInTrack = false;  // the first track is a marker file's lead-in ("00 pregap")
    std::vector<std::filesystem::path> keep; // files no track may replace (the marker sources)
};

// A track of the split shorter than a second (a marker placed by mistake, as a rule).
struct ShortTrack {
    std::size_t index = 0; // from 0
    std::string name;      // its file name
    std::int64_t frames = 0;
};

// A split the session prepared for a front end to present: the options (names, tags, format,
// sync, the folder's lock), what it would write short, and the files it would replace.
struct SplitRequest {
    SplitJob job;
    std::filesystem::path folder;
    SplitOptions options;
    std::uint32_t rate = 0; // the mix's frames a second
    std::vector<ShortTrack> shortTracks;
    std::vector<TrackFile> replaced; // track files already in the folder under the new names

    std::vector<SplitTrack> Run() const { return job(folder, options); }
};

// The files in the request's folder named like tracks that are neither among this split's
// names nor among `leftovers` (which the folder's record of splits vouches for): they may be
// the user's own, so they are named and never removed.
std::vector<std::filesystem::path> UnprovenTracks(const SplitRequest& request,
                                                  const LeftoverTracks& leftovers);

} // namespace sundrel
