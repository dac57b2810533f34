#pragma once

#include "core/analysis/Suggestion.h"

#include <cstdint>
#include <span>
#include <vector>

namespace sundrel {

// The suggestion moved to its first alternative; the place it had goes to the end of the
// alternatives, so that cycling through them comes back to it. Unchanged without alternatives.
Suggestion NextAlternative(const Suggestion& suggestion);

// Whether each track that `boundaries` (ascending frames inside the mix) make of a mix of
// `frames` frames has an implausible length for a DJ mix: under a third or over three times
// the mean track length. One entry per track (boundaries.size() + 1).
std::vector<bool> ImplausibleTrackLengths(std::span<const std::int64_t> boundaries,
                                          std::int64_t frames);

} // namespace sundrel
