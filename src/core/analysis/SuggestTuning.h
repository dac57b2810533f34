#pragma once

#include "core/analysis/Suggestion.h"

#include <string_view>

namespace sundrel {

// Reads "name=value,name=value" over `tuning` (names as the fields: penalty, length-prior,
// novelty-bonus, sudden-bonus, tile-bonus, key-bonus, tempo-bonus, blend-bonus, min-share,
// silence-mix, silence-evidence, sharpness).
// Throws std::invalid_argument naming the part it cannot use (an unknown name, a value that is
// not a finite number >= 0) and leaves `tuning` as it was.
void ParseTuning(std::string_view text, SuggestTuning& tuning);

// The constants built in: those the evaluation chose on every package of the development set,
// with the count known (SuggestTuning's defaults) or unknown (no timbre, key or blend bonus).
SuggestTuning BuiltInTuning(bool countKnown);

} // namespace sundrel
