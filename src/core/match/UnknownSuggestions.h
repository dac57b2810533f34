#pragma once

#include "core/analysis/Suggestion.h"
#include "core/match/PlayLayout.h"

#include <filesystem>
#include <span>
#include <stop_token>
#include <vector>

namespace sundrel {

// Suggested boundaries inside the stretches of the mix that no candidate file covers: the
// blind analysis (SuggestBoundariesIn) of each stretch on its own, whose ends are boundaries
// already. Stretches too short to hold a boundary (under two options.minTrackSeconds) are not
// read. The suggestions in ascending frames; `progress` gets 0..1 over the stretches read.
// Throws AnalysisCancelled when `stop` is requested, and what the analysis throws for a mix
// it cannot read.
std::vector<Suggestion> SuggestInStretches(const std::filesystem::path& mix,
                                           std::span<const Stretch> stretches,
                                           const SuggestOptions& options,
                                           const AnalysisProgress& progress = {},
                                           std::stop_token stop = {});

// The stretches a suggestion can lie in: those at least two options.minTrackSeconds long.
std::vector<Stretch> StretchesToSuggestIn(std::span<const Stretch> stretches,
                                          const SuggestOptions& options);

} // namespace sundrel
