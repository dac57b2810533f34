#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>

namespace sundrel::app {

// What a file given to the window (command line, drop, Open Recent) is opened as. This is
// the one place that decides it; a new kind of file gets its case here and its opener in the
// window's dispatch.
enum class FileKind {
    Wave,    // a mix: loaded as File > Load Wave file does
    Project, // a .sdr project: opened as File > Open does
    Cue,     // a .cue sheet: the mix it names loaded, then the sheet imported
    Unknown, // neither: not accepted by a drop, reported when opened
};

// The bytes decide first ("Sndrl" starts a project, "RIFF"/"RF64"/"BW64" ... "WAVE" a mix),
// then the extension (case-insensitive .sdr, .wav or .cue: a cue sheet is text without a
// magic) for files too short to tell or whose
// start is not recognised (older projects are read without checking their magic).
FileKind KindOf(std::span<const std::byte> head, std::string_view extension);
// Reads the first bytes of `path`; a file that is missing or cannot be read is judged by its
// extension alone, so that opening it reports why. A folder is never a mix or a project.
FileKind KindOfFile(const std::filesystem::path& path);

} // namespace sundrel::app
