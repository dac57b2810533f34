#pragma once

#include "core/analysis/Suggestion.h"

namespace sundrel {

// The confidence of a suggestion of `kind` with `score` (0..1), found with the track count
// known or not: the share of such suggestions that lay within 10 s of a true boundary on mixes
// of real music, read cautiously (scripts/eval-suggest fits the tables; each rises with the
// score).
double CalibratedConfidence(SuggestionKind kind, double score, bool countKnown = true);

} // namespace sundrel
