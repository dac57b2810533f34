#pragma once

#include "core/interop/MarkerSet.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sundrel {

// The marker files Sundrel reads and writes.
enum class MarkerFileKind {
    Cue,       // a cue sheet for the mix
    Labels,    // an Audacity label file
    Tracklist, // tracklist text, one track a line
};

// "cue sheet", "label file", "tracklist".
const char* MarkerFileKindName(MarkerFileKind kind);

// The kind a file name suggests: ".cue" a cue sheet; nothing for any other name (a label
// file and a tracklist are both ".txt").
std::optional<MarkerFileKind> KindOfMarkerFile(const std::filesystem::path& path);

// A marker file that cannot be read or written: the message names the file, and the line
// for a fault in its text ("sets/mix.cue: line 7: ...").
class MarkerFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The set in `text` read as `kind`; throws InteropError as that kind's reader does.
MarkerSet ParseMarkerText(std::string_view text, MarkerFileKind kind);

// Reads `path` as `kind`: the whole file or nothing. Refuses anything but a regular file
// without blocking on it, and files larger than any marker file. Throws MarkerFileError.
MarkerSet ReadMarkerFile(const std::filesystem::path& path, MarkerFileKind kind);

// The text of `set` as `kind` (see WriteCueSheet, WriteLabelFile, WriteTracklist); throws
// MarkerFileError for a set the kind cannot hold.
std::string MarkerText(const MarkerSet& set, MarkerFileKind kind);

// Writes `set` to `path` as `kind`, replacing the file whole or not at all. Throws
// MarkerFileError.
void WriteMarkerFile(const std::filesystem::path& path, const MarkerSet& set, MarkerFileKind kind);

// The audio file a cue sheet at `sheet` names: its FILE as written (backslashes of a sheet
// written on Windows read as folder separators), relative to the sheet's folder; empty when
// the set names none.
std::filesystem::path FileNamedBy(const MarkerSet& set, const std::filesystem::path& sheet);

// Whether a cue sheet's FILE line names another file than the mix at `mix` (compared by file
// name, since sheets usually name the audio beside them); false when the set names no file.
bool NamesOtherFile(const MarkerSet& set, const std::filesystem::path& mix);

} // namespace sundrel
