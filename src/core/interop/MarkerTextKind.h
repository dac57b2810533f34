#pragma once

#include "core/interop/MarkerFiles.h"

#include <string_view>

namespace sundrel {

// The kind of marker file that text of unknown origin (pasted from the clipboard) most likely
// is: a cue sheet when it has both a TRACK line and an INDEX line (keywords at the start of
// a line, any case, any indentation); a label file when its first line that is not blank is
// two decimal times separated and followed by a tab; a tracklist otherwise. Only the shape
// is looked at: the kind's reader still judges every line.
MarkerFileKind GuessMarkerTextKind(std::string_view text);

} // namespace sundrel
