#include "core/analysis/SuggestBoundaries.h"

#include "core/analysis/Calibration.h"
#include "core/analysis/Features.h"
#include "core/analysis/FileElements.h"
#include "core/analysis/LocalTempo.h"
#include "core/analysis/Loudness.h"
#include "core/analysis/MixSignal.h"
#include "core/analysis/Novelty.h"
#include "core/analysis/Peaks.h"
#include "core/analysis/Segmentation.h"
#include "core/analysis/Silence.h"
#include "core/analysis/SuggestTuning.h"
#include "core/analysis/TileNovelty.h"
#include "core/audio/WaveFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <span>
#include <utility>

namespace sundrel {

namespace {

// The scale of the novelty that finds sudden changes (hard cuts, short blends).
constexpr double kSuddenScaleSeconds = 4.0;
// Candidate boundaries are the novelty peaks at least this far apart.
constexpr double kCandidateSpacingSeconds = 5.0;
// With the count known, choosing a silence is worth this many penalties: enough to prefer it
// to a transition that explains the music as well, not enough to displace clear transitions.
constexpr double kSilenceBonusPenalties = 0.5;
// The section-scale novelty compares tiles of about 3 s, ten on each side (30 s).
constexpr double kTileSeconds = 3.0;
constexpr std::size_t kTilesEachSide = 10;
// The blend novelty leaves out 0 to 30 s on each side of a candidate in steps of two tiles:
// a DJ's blends last up to about a minute, and a side beyond half of one hears one track.
constexpr std::array<std::size_t, 6> kBlendGapTiles{0, 2, 4, 6, 8, 10};
// The dominant tempo is read over windows of 12 s (several bars at any dance tempo) every
// 1.5 s, and compared across a candidate over the same 30 s a side as the tiles.
constexpr double kTempoWindowSeconds = 12.0;
constexpr double kTempoStrideSeconds = 1.5;
constexpr double kTempoSideSeconds = 30.0;
// A change of the dominant tempo counts in units of this many octaves (about 2 %: more than a
// beat-matched track drifts, less than two tracks' tempi usually differ).
constexpr double kTempoStepOctaves = 0.03;

// The share of the work each stage takes, for the progress figure.
constexpr double kReadShare = 0.55;
constexpr double kLoudnessShare = 0.05;
constexpr double kFeatureShare = 0.35;

AnalysisProgress Stage(const AnalysisProgress& progress, double from, double share) {
    if (!progress) {
        return {};
    }
    return [progress, from, share](double done) { progress(from + share * done); };
}

// How far a section-scale novelty (a multiple of its median) stands out, on a log scale: the
// tile curves reach tens of medians at a clear change, which would drown every other piece of
// evidence (a silence included) if taken as it is.
double Excess(double novelty) {
    return std::log(std::max(1.0, novelty));
}

// The median over the silences of how much the music changes across them (0 without at
// least two silences).
double MedianSilenceChange(const std::map<std::size_t, const SilentStretch*>& silenceAt,
                           std::span<const double> tile, std::span<const double> key) {
    std::vector<double> changes;
    for (const auto& [t, s] : silenceAt) {
        changes.push_back(Excess(tile[t]) + Excess(key[t]));
    }
    if (changes.size() < 2) {
        return 0.0;
    }
    const auto mid = changes.begin() + static_cast<std::ptrdiff_t>(changes.size() / 2);
    std::nth_element(changes.begin(), mid, changes.end());
    return *mid;
}

// One half where a boundary saves exactly the penalty, nearing 1 well above it.
double TransitionConfidence(double gain, double penalty) {
    return 1.0 - std::exp(-std::log(2.0) * std::max(0.0, gain) / penalty);
}

double SilenceConfidence(const SilentStretch& s, double thresholdDb, double minSeconds,
                         std::uint32_t rate) {
    const double seconds = static_cast<double>(s.end - s.first) / rate;
    const double length = std::min(1.0, seconds / (4.0 * std::max(minSeconds, 0.01)));
    const double depth = std::clamp((thresholdDb - s.loudestBlockDb) / 20.0, 0.0, 1.0);
    return 0.5 + 0.25 * length + 0.25 * depth;
}

// Everything after the pass over the samples; `source` serves the few samples that place the
// edges of a silence exactly, on the scale `scale`.
// One result for each of `tunings`, from one pass of the features.
std::vector<SuggestResult> Analyse(const MixSignal& signal, const ElementSource& source,
                                   std::int32_t scale, const SuggestOptions& options,
                                   std::span<const SuggestTuning> tunings,
                                   const AnalysisProgress& progress, std::stop_token stop) {
    SuggestResult result;
    result.rate = signal.rate;
    result.frames = signal.frames;
    if (signal.frames == 0) {
        return std::vector<SuggestResult>(tunings.size(), result);
    }
    result.loudnessLufs =
        IntegratedLoudness(signal.mono, static_cast<std::uint32_t>(std::lround(signal.MonoRate())));
    if (progress) {
        progress(kReadShare + kLoudnessShare);
    }
    if (stop.stop_requested()) {
        throw AnalysisCancelled();
    }
    std::vector<SilentStretch> silences;
    if (std::isfinite(result.loudnessLufs)) {
        result.silenceThresholdDb = result.loudnessLufs - options.silenceBelowDb;
        silences = FindSilences(signal, source, scale, result.silenceThresholdDb,
                                options.minSilenceSeconds);
    }
    result.silences = silences.size();

    const FeatureTrack features =
        ComputeFeatures(signal, Stage(progress, kReadShare + kLoudnessShare, kFeatureShare), stop);
    const StandardFeatures standard = Standardize(features);
    const double hopSeconds = static_cast<double>(features.hopFrames) / signal.rate;
    const std::vector<double> novelty =
        ComputeNovelty(standard, DefaultNoveltyScales(), hopSeconds);
    const auto hopsFor = [hopSeconds](double seconds) {
        return static_cast<std::size_t>(std::max(1.0, std::round(seconds / hopSeconds)));
    };
    const std::size_t minGap = hopsFor(options.minTrackSeconds);

    // Candidates: every silence (at the hop edge nearest its middle) and the novelty peaks.
    std::map<std::size_t, const SilentStretch*> silenceAt;
    for (const SilentStretch& s : silences) {
        const double at = static_cast<double>(s.Middle() - features.edgeOffset) /
                          static_cast<double>(features.hopFrames);
        const auto t = static_cast<std::size_t>(std::max(0.0, std::round(at)));
        if (t > 0 && t < standard.hops) {
            silenceAt.emplace(t, &s);
        }
    }
    // A hard cut, or a short blend, shows at a short scale that the long ones smear: its
    // peaks are candidates too.
    const std::vector<double> sudden =
        ComputeNovelty(standard, std::span<const double>(&kSuddenScaleSeconds, 1), hopSeconds);
    // Hops that reach into a silence belong to no track.
    std::vector<std::uint8_t> silent(standard.hops, 0);
    const std::int64_t hopSpan = features.hopFrames + 2 * features.edgeOffset;
    for (const SilentStretch& s : silences) {
        for (std::size_t h = static_cast<std::size_t>(
                 std::max<std::int64_t>(0, (s.first - hopSpan) / features.hopFrames));
             h < standard.hops && static_cast<std::int64_t>(h) * features.hopFrames < s.end; ++h) {
            if (static_cast<std::int64_t>(h) * features.hopFrames + hopSpan > s.first) {
                silent[h] = 1;
            }
        }
    }
    // Section-scale changes of timbre and of harmony (a new key) between tiles of a few
    // seconds: the peaks are candidates, and their height is evidence for a boundary there.
    const std::size_t hopsPerTile = hopsFor(kTileSeconds);
    const std::vector<double> tileNovelty =
        ComputeTileNovelty(standard, TimbreColumns(standard), hopsPerTile, kTilesEachSide, silent);
    const std::vector<double> keyNovelty =
        ComputeTileNovelty(standard, ChromaColumns(standard), hopsPerTile, kTilesEachSide, silent);
    // The same change of timbre read across the middle of a long blend, only when a tuning
    // uses it.
    std::vector<double> blendNovelty(standard.hops, 0.0);
    if (std::any_of(tunings.begin(), tunings.end(),
                    [](const SuggestTuning& t) { return t.blendBonus > 0.0; })) {
        std::vector<std::size_t> blendGaps;
        for (const std::size_t tiles : kBlendGapTiles) {
            blendGaps.push_back(tiles * hopsPerTile);
        }
        blendNovelty = ComputeBlendNovelty(standard, TimbreColumns(standard), hopsPerTile,
                                           kTilesEachSide, blendGaps, silent);
    }
    std::vector<std::size_t> candidates =
        PickPeaks(novelty, hopsFor(kCandidateSpacingSeconds), 0.0);
    for (const std::vector<double>* curve : {&sudden, &tileNovelty, &keyNovelty}) {
        for (const std::size_t t : PickPeaks(*curve, hopsFor(kCandidateSpacingSeconds), 0.0)) {
            candidates.push_back(t);
        }
    }
    for (const auto& [t, s] : silenceAt) {
        candidates.push_back(t);
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    const double highest =
        novelty.empty() ? 0.0 : *std::max_element(novelty.begin(), novelty.end());
    for (const std::size_t t : candidates) {
        Suggestion& candidate = result.candidates.emplace_back();
        if (const auto it = silenceAt.find(t); it != silenceAt.end()) {
            candidate.frame = it->second->Middle();
            candidate.confidence = 1.0;
            candidate.kind = SuggestionKind::Silence;
        } else {
            const double share = highest > 0.0 && t < novelty.size() ? novelty[t] / highest : 0.0;
            candidate.frame = std::min(signal.frames - 1, features.EdgeFrame(t));
            candidate.confidence = std::clamp(share, 0.0, 1.0);
            candidate.kind = SuggestionKind::Transition;
        }
    }

    // The change of the dominant tempo across each candidate, read only when a tuning uses it.
    std::vector<double> tempoChange(candidates.size(), 0.0);
    if (std::any_of(tunings.begin(), tunings.end(),
                    [](const SuggestTuning& t) { return t.tempoBonus > 0.0; })) {
        const double blockSeconds = static_cast<double>(signal.blockFrames) / signal.rate;
        const LocalTempi tempi = ComputeLocalTempi(LevelOnsets(signal.blockPower), blockSeconds,
                                                   kTempoWindowSeconds, kTempoStrideSeconds);
        // Without the count, where the change of tempo is weighed against a penalty alone, a
        // pulse read at 3:2 is no change and each side must hold a steady pulse: inside one
        // track the dominant pulse of a short window flips between levels of its metre, and
        // music without a beat reads a new tempo in every window.
        TempoReading reading;
        if (!options.tracks) {
            reading.threeTwo = true;
            reading.steadyOctaves = kTempoStepOctaves;
        }
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            const double seconds =
                static_cast<double>(features.EdgeFrame(candidates[i])) / signal.rate;
            tempoChange[i] = std::log1p(TempoChangeAt(tempi, seconds, kTempoSideSeconds, reading) /
                                        kTempoStepOctaves);
        }
    }

    const SegmentCost cost(standard, silent);
    // Every tuning cuts at the same candidates: the segments' costs are computed once.
    const PointCosts costs(cost, candidates);
    const SuggestResult common = result;
    std::vector<SuggestResult> results;
    for (const SuggestTuning& tuning : tunings) {
        result = common;
        const double penalty =
            tuning.penaltyPerLogHop *
            std::log(static_cast<double>(std::max<std::size_t>(2, standard.hops)));
        // Without the count every silence is a boundary. With it, a silence competes with the
        // transitions on what it explains (its hops count in no track), so that a pause inside a
        // track does not displace the real boundaries around it.
        const double silenceBonus =
            options.tracks
                ? kSilenceBonusPenalties * penalty
                : std::abs(cost(0, standard.hops)) + penalty * static_cast<double>(standard.hops);
        // A transition is worth more where the sound changes more than it usually does.
        std::vector<double> bonus(candidates.size(), 0.0);
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            // The section-scale changes count for a silence too: a pause inside a track has
            // the same music on both sides, one between tracks does not.
            const std::size_t t = candidates[i];
            bonus[i] = penalty * (tuning.tileBonus * Excess(tileNovelty[t]) +
                                  tuning.keyBonus * Excess(keyNovelty[t]) +
                                  tuning.tempoBonus * tempoChange[i] +
                                  tuning.blendBonus * Excess(blendNovelty[t]));
            bonus[i] += silenceAt.contains(t)
                            ? silenceBonus
                            : penalty * (tuning.noveltyBonus * std::max(0.0, novelty[t] - 1.0) +
                                         tuning.suddenBonus * std::max(0.0, sudden[t] - 1.0));
        }
        std::size_t gap = minGap;
        LengthPrior prior;
        std::vector<std::size_t> chosen;
        if (options.tracks) {
            const auto count = static_cast<std::size_t>(std::max(0, *options.tracks - 1));
            prior.meanHops = static_cast<double>(standard.hops) / static_cast<double>(count + 1);
            prior.weight = tuning.lengthPrior * penalty;
            gap = std::max(gap, static_cast<std::size_t>(tuning.minShareOfMean * prior.meanHops));
            chosen = SegmentWithCount(costs, candidates, bonus, count, gap, prior);
            if (chosen.size() < count) {
                gap = minGap; // the share of the mean asked too much of this mix
                chosen = SegmentWithCount(costs, candidates, bonus, count, gap, prior);
            }
        } else {
            const double transitionPenalty =
                silences.size() >= 2 ? penalty * tuning.silenceMixFactor : penalty;
            // The bonus is taken off the penalty in the segmentation: a silence's must still beat
            // the raised one.
            std::vector<double> raised = bonus;
            for (std::size_t i = 0; i < candidates.size(); ++i) {
                if (silenceAt.contains(candidates[i])) {
                    raised[i] += transitionPenalty - penalty;
                }
            }
            // Where silences separate tracks, the change of music across them shows how much
            // the music changes from one track to the next in this mix: a transition that
            // changes it much less lies inside a track.
            std::vector<std::size_t> kept;
            std::vector<double> keptBonus;
            const double least =
                tuning.silenceEvidence * MedianSilenceChange(silenceAt, tileNovelty, keyNovelty);
            for (std::size_t i = 0; i < candidates.size(); ++i) {
                const std::size_t t = candidates[i];
                if (silenceAt.contains(t) ||
                    Excess(tileNovelty[t]) + Excess(keyNovelty[t]) >= least) {
                    kept.push_back(t);
                    keptBonus.push_back(raised[i]);
                }
            }
            chosen = SegmentWithPenalty(costs, kept, keptBonus, transitionPenalty, gap);
            // A mix where at least two thirds of the boundaries are silences separates its
            // tracks by silences: the changes of music found besides them lie inside its tracks.
            // A lower share would also take mixes that blend some tracks and leave gaps between
            // others, and drop their blends.
            const auto silencesChosen = static_cast<std::size_t>(
                std::count_if(chosen.begin(), chosen.end(),
                              [&](std::size_t t) { return silenceAt.contains(t); }));
            if (silencesChosen >= 2 && 3 * silencesChosen >= 2 * chosen.size()) {
                std::erase_if(chosen, [&](std::size_t t) { return !silenceAt.contains(t); });
            }
        }
        const std::vector<double> gains = BoundaryGains(cost, chosen);
        const auto bonusOf = [&](std::size_t t) {
            const auto it = std::lower_bound(candidates.begin(), candidates.end(), t);
            return it != candidates.end() && *it == t
                       ? bonus[static_cast<std::size_t>(it - candidates.begin())]
                       : 0.0;
        };

        const auto frameOf = [&](std::size_t t) {
            const auto it = silenceAt.find(t);
            return it != silenceAt.end() ? it->second->Middle()
                                         : std::min(signal.frames - 1, features.EdgeFrame(t));
        };
        // An alternative closer than the candidates' spacing to its boundary is the same place
        // to a listener (a silence's edge beside its middle).
        const std::size_t spacing = hopsFor(kCandidateSpacingSeconds);
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            const std::size_t t = chosen[i];
            // The share of the chosen place among every place the boundary could take between its
            // neighbours, each weighed by exp(-cost * sharpness / penalty).
            const std::vector<BoundaryPlace> places =
                Placements(cost, candidates, bonus, chosen, i, gap, prior);
            const double temperature = penalty / std::max(1e-6, tuning.sharpness);
            double total = 0.0;
            for (const BoundaryPlace& p : places) {
                total += std::exp(-(p.cost - places.front().cost) / temperature);
            }
            const auto shareOf = [&](const BoundaryPlace& p) {
                return total > 0.0 ? std::exp(-(p.cost - places.front().cost) / temperature) / total
                                   : 1.0;
            };
            Suggestion suggestion;
            suggestion.frame = frameOf(t);
            // Places closer than the spacing are one place to a listener: their shares add up.
            const auto near = [spacing](std::size_t a, std::size_t b) {
                return std::max(a, b) - std::min(a, b) < spacing;
            };
            double share = places.empty() ? 1.0 : 0.0;
            std::vector<std::size_t> listed;
            for (const BoundaryPlace& p : places) {
                if (near(p.hop, t)) {
                    share += shareOf(p);
                    continue;
                }
                const bool seen = std::any_of(listed.begin(), listed.end(),
                                              [&](std::size_t h) { return near(h, p.hop); });
                if (!seen && listed.size() < Suggestion::kMaxAlternatives) {
                    listed.push_back(p.hop);
                    suggestion.alternatives.push_back({frameOf(p.hop), shareOf(p)});
                } else if (seen) {
                    for (std::size_t a = 0; a < listed.size(); ++a) {
                        if (near(listed[a], p.hop)) {
                            suggestion.alternatives[a].confidence += shareOf(p);
                            break;
                        }
                    }
                }
            }
            share = std::min(1.0, share);
            if (const auto it = silenceAt.find(t); it != silenceAt.end()) {
                suggestion.kind = SuggestionKind::Silence;
                suggestion.score = SilenceConfidence(*it->second, result.silenceThresholdDb,
                                                     options.minSilenceSeconds, signal.rate);
            } else {
                suggestion.kind = SuggestionKind::Transition;
                // What the boundary explains and the evidence of the change there.
                const double evidence = gains[i] + bonusOf(t);
                suggestion.score = TransitionConfidence(evidence, penalty) * share;
            }
            suggestion.confidence =
                CalibratedConfidence(suggestion.kind, suggestion.score, options.tracks.has_value());
            result.suggestions.push_back(std::move(suggestion));
        }
        results.push_back(std::move(result));
    }
    if (progress) {
        progress(1.0);
    }
    return results;
}

} // namespace

SuggestResult SuggestBoundaries(const SampleReader& reader, const WaveFormat& format,
                                const SuggestOptions& options, const AnalysisProgress& progress,
                                std::stop_token stop) {
    const MixSignal signal = ReadMixSignal(reader, format, Stage(progress, 0.0, kReadShare), stop);
    const int channels = format.channels;
    const SuggestTuning tuning = options.tuning.value_or(BuiltInTuning(options.tracks.has_value()));
    return Analyse(
               signal,
               [&reader, channels](std::int64_t firstFrame, std::span<std::int32_t> out) {
                   reader.Elements(firstFrame * channels, out);
               },
               reader.Scale(), options, std::span<const SuggestTuning>(&tuning, 1), progress, stop)
        .front();
}

SuggestResult SuggestBoundaries(const std::filesystem::path& mix, const SuggestOptions& options,
                                const AnalysisProgress& progress, std::stop_token stop) {
    const SuggestTuning tuning = options.tuning.value_or(BuiltInTuning(options.tracks.has_value()));
    return SuggestBoundaries(mix, options, std::span<const SuggestTuning>(&tuning, 1), progress,
                             stop)
        .front();
}

std::vector<SuggestResult> SuggestBoundaries(const std::filesystem::path& mix,
                                             const SuggestOptions& options,
                                             std::span<const SuggestTuning> tunings,
                                             const AnalysisProgress& progress,
                                             std::stop_token stop) {
    const CWaveFile wave(mix);
    const WaveFormat format = wave.GetFormat();
    // Every sample is read with pread (see FileElements), never through a mapping: a mix that
    // shrinks on disk meanwhile gives FileError rather than SIGBUS.
    const FileElements elements(mix, wave.m_nDataOffset, wave.m_nFileSize, format);
    const ElementSource source = [&elements](std::int64_t first, std::span<std::int32_t> out) {
        elements(first, out);
    };
    const std::int64_t frames =
        format.FrameSize() ? static_cast<std::int64_t>(wave.m_nDataSize / format.FrameSize()) : 0;
    const MixSignal signal =
        ReadMixSignal(source, frames, format, Stage(progress, 0.0, kReadShare), stop);
    const std::int32_t scale = SampleReader(std::span<const std::byte>{}, format).Scale();
    return Analyse(signal, source, scale, options, tunings, progress, stop);
}

SuggestResult SuggestBoundariesIn(const std::filesystem::path& mix, std::int64_t first,
                                  std::int64_t end, const SuggestOptions& options,
                                  const AnalysisProgress& progress, std::stop_token stop) {
    const CWaveFile wave(mix);
    const WaveFormat format = wave.GetFormat();
    const std::int64_t frames =
        format.FrameSize() ? static_cast<std::int64_t>(wave.m_nDataSize / format.FrameSize()) : 0;
    first = std::clamp<std::int64_t>(first, 0, frames);
    end = std::clamp<std::int64_t>(end, first, frames);
    const FileElements elements(mix, wave.m_nDataOffset, wave.m_nFileSize, format);
    // The stretch reads as a mix of its own that begins at its first frame.
    const ElementSource source = [&elements, first](std::int64_t at, std::span<std::int32_t> out) {
        elements(first + at, out);
    };
    const MixSignal signal =
        ReadMixSignal(source, end - first, format, Stage(progress, 0.0, kReadShare), stop);
    const std::int32_t scale = SampleReader(std::span<const std::byte>{}, format).Scale();
    const SuggestTuning tuning = options.tuning.value_or(BuiltInTuning(options.tracks.has_value()));
    SuggestResult result = Analyse(signal, source, scale, options,
                                   std::span<const SuggestTuning>(&tuning, 1), progress, stop)
                               .front();
    for (std::vector<Suggestion>* list : {&result.suggestions, &result.candidates}) {
        for (Suggestion& s : *list) {
            s.frame += first;
            for (SuggestionAlternative& a : s.alternatives) {
                a.frame += first;
            }
        }
    }
    result.frames = frames;
    return result;
}

} // namespace sundrel
