#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sundrel {

// What a suggested boundary was found from.
enum class SuggestionKind {
    Silence,    // the middle of a silent stretch between two tracks
    Transition, // a change of sound in a continuous (crossfaded or cut) mix
};

// "silence" or "transition".
const char* SuggestionKindName(SuggestionKind kind);

// Another place a suggested boundary could be, with the other boundaries kept.
struct SuggestionAlternative {
    std::int64_t frame = 0;
    double confidence = 0.0; // the chance that the boundary lies here instead (0..1)

    friend bool operator==(const SuggestionAlternative&, const SuggestionAlternative&) = default;
};

// One suggested track boundary: the first frame of the track it would start.
struct Suggestion {
    std::int64_t frame = 0;
    // The chance (0..1) that a true boundary lies within 10 s, as measured on held-out music
    // for suggestions of this kind and score (see Calibration).
    double confidence = 0.0;
    SuggestionKind kind = SuggestionKind::Transition;
    // The next-best places for this boundary, best first (at most kMaxAlternatives).
    std::vector<SuggestionAlternative> alternatives;
    // The uncalibrated strength of the evidence (0..1) that the confidence is read from.
    double score = 0.0;

    static constexpr std::size_t kMaxAlternatives = 3;

    friend bool operator==(const Suggestion&, const Suggestion&) = default;
};

// The constants of the analysis that the evaluation chooses on music it does not score; the
// defaults are the values chosen on the whole development set with the count known (see
// BuiltInTuning for the count unknown). See SuggestBoundaries.
struct SuggestTuning {
    // With the count unknown a boundary must lower the segmentation cost by this much times the
    // log of the number of hops (a BIC-like penalty for features far from independent).
    double penaltyPerLogHop = 28.0;
    // With the count known, each track pays this many penalties times log(length / mean)^2.
    double lengthPrior = 2.0;
    // Each candidate is worth this many penalties per unit of its novelty above the median,
    // and suddenBonus as many per unit of its short-scale novelty (a hard cut) above it.
    double noveltyBonus = 0.0;
    double suddenBonus = 0.0;
    // As many penalties per unit of the section-scale novelty of timbre (tileBonus) and of
    // harmony (keyBonus) above their medians (see ComputeTileNovelty).
    double tileBonus = 0.25;
    double keyBonus = 0.5;
    // As many penalties per unit of the change of the dominant tempo across a candidate (see
    // TempoChangeAt), on a log scale.
    double tempoBonus = 0.25;
    // As many penalties per unit of the section-scale novelty of timbre across the middle of a
    // long blend (see ComputeBlendNovelty) above its median.
    double blendBonus = 1.0;
    // With the count known, no track is shorter than this share of the mean track length.
    double minShareOfMean = 0.0;
    // How sharply a boundary's confidence falls as other places explain the mix about as well
    // (the costs are divided by penalty / sharpness before they are weighed).
    double sharpness = 16.0;
    // Where the mix has silences between tracks, a transition with the count unknown needs this
    // many times the penalty: the silences show how the DJ separates tracks.
    double silenceMixFactor = 1.0;
    // With the count unknown and at least two silences, a transition is taken only where the
    // section-scale change of music is at least this share of the median change across the
    // silences (0: every transition may be taken). Whatever its value, a mix where at least two
    // thirds of the boundaries chosen (and two or more) are silences keeps its silences alone.
    double silenceEvidence = 0.0;
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
    // The constants; without them, BuiltInTuning for the count's case.
    std::optional<SuggestTuning> tuning;
};

// Called with the share of the work done (0..1), from the thread that runs the analysis.
using AnalysisProgress = std::function<void(double)>;

// Thrown when a stop was requested while the analysis ran.
class AnalysisCancelled : public std::runtime_error {
  public:
    AnalysisCancelled() : std::runtime_error("analysis cancelled") {}
};

} // namespace sundrel
