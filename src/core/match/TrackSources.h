#pragma once

#include "core/match/PlayLayout.h"

#include <cstddef>
#include <optional>

namespace sundrel {

// The play a track from `start` to `end` seconds of the mix came from: of the plays that
// overlap it, the one covering most of it, when that covers at least half of it. Nothing for
// a track in a stretch no file covers (or an empty track). With markers moved by hand after a
// match, each track still finds the file that fills it.
std::optional<std::size_t> PlayOfTrack(const Layout& layout, double start, double end);

} // namespace sundrel
