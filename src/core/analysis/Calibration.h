#pragma once

#include "core/analysis/Suggestion.h"

namespace sundrel {

// The confidence of a suggestion of `kind` with `score` (0..1): the share of suggestions with
// that kind and score that lay within 10 s of a true boundary on held-out mixes of real music
// (scripts/eval-suggest fits the table; it rises with the score).
double CalibratedConfidence(SuggestionKind kind, double score);

} // namespace sundrel
