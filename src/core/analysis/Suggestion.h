#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace sundrel {

// What a suggested boundary was found from.
enum class SuggestionKind {
    Silence,    // the middle of a silent stretch between two tracks
    Transition, // a change of sound in a continuous (crossfaded or cut) mix
};

// "silence" or "transition".
const char* SuggestionKindName(SuggestionKind kind);

// One suggested track boundary: the first frame of the track it would start.
struct Suggestion {
    std::int64_t frame = 0;
    double confidence = 0.0; // 0..1, higher is surer
    SuggestionKind kind = SuggestionKind::Transition;

    friend bool operator==(const Suggestion&, const Suggestion&) = default;
};

struct SuggestOptions {
    // The number of tracks in the mix when known (from a tracklist or the user): exactly
    // tracks - 1 boundaries are suggested (fewer only when the mix is too short for them).
    std::optional<int> tracks;
    // No two boundaries (nor a boundary and either end of the mix) lie closer than this.
    double minTrackSeconds = 60.0;
    // A stretch is silent when every 10 ms block in it lies this many dB below the mix's
    // integrated loudness, and it lasts at least minSilenceSeconds.
    double silenceBelowDb = 40.0;
    double minSilenceSeconds = 1.0;
};

// Called with the share of the work done (0..1), from the thread that runs the analysis.
using AnalysisProgress = std::function<void(double)>;

// Thrown when a stop was requested while the analysis ran.
class AnalysisCancelled : public std::runtime_error {
  public:
    AnalysisCancelled() : std::runtime_error("analysis cancelled") {}
};

} // namespace sundrel
