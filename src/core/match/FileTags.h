#pragma once

#include <filesystem>
#include <string>

namespace sundrel {

// The tags of one candidate track file (UTF-8; empty when the file has none).
struct FileTags {
    std::string title; // the file name without its extension when the file has no title
    std::string artist;
    std::string album;
    std::string bpm;
    std::string key;
    std::string year;
    std::string genre;
    std::string isrc;
    friend bool operator==(const FileTags&, const FileTags&) = default;
};

// Reads the tags of an MP3, M4A, FLAC, Ogg, Opus, WAV or AIFF file through TagLib. Never
// throws: a file without tags, or one TagLib cannot read, gives its file name as the title.
FileTags ReadFileTags(const std::filesystem::path& path);

} // namespace sundrel
