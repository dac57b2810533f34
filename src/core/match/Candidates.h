#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace sundrel {

// Candidates that cannot be listed: an empty folder, a playlist naming no file that exists,
// a path that is neither a folder, a playlist nor a file.
class CandidateError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The track files that may play in a mix, in the order their sources list them, each once,
// and the entries that were left out ("list.m3u: line 4: a.mp3: no such file").
struct CandidateList {
    std::vector<std::filesystem::path> files;
    std::vector<std::string> missing;
};

// Whether the file name has the extension of an audio format the decoder reads.
bool HasAudioExtension(const std::filesystem::path& path);

// The files of each source: a folder gives its audio files (by extension, all subfolders,
// sorted by path); an .m3u or .m3u8 playlist its entries (paths relative to the playlist's
// folder or absolute, file:// URLs; #EXTINF and other comment lines skipped); any other path
// is a file itself. Missing playlist entries and files are named in `missing`. Throws
// CandidateError for a folder without audio files, a playlist that cannot be read or names
// no existing file, and when no candidate remains.
CandidateList ListCandidates(const std::vector<std::filesystem::path>& sources);

} // namespace sundrel
