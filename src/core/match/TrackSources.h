#pragma once

#include "core/match/PlayLayout.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace sundrel {

// The play a track from `start` to `end` seconds of the mix came from: of the plays that
// overlap it, the one covering most of it, when that covers at least half of it. Nothing for
// a track in a stretch no file covers (or an empty track). With markers moved by hand after a
// match, each track still finds the file that fills it.
std::optional<std::size_t> PlayOfTrack(const Layout& layout, double start, double end);

// The file name in a source file as a cue sheet names it, with the folders before it left
// off, whether they are written with '/' or with a backslash as on Windows
// ("C:\Music\a.mp3" gives "a.mp3").
std::string_view SourceFileName(std::string_view path);

} // namespace sundrel
