#include "core/match/AlignTrack.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace sundrel {

namespace {

constexpr int kOffsetBin = 8;         // frames of mix time per vote bin (256 ms)
constexpr int kMaxHypotheses = 6;     // per transform
constexpr double kChanceSigmas = 7.0; // how far above chance a vote peak must be
constexpr int kMinPeakVotes = 12;
constexpr int kWindowFrames = 64;    // 2 s: the unit of match density along a line
constexpr int kMinWindowMatches = 3; // a window with fewer is not part of a play
constexpr int kMaxQuietWindows = 12; // 24 s of a play may go without matches (a breakdown)
constexpr double kInlierFrames = 2.5;
// Plays of one file whose lines meet within this (file seconds) at both plays' middles are
// one play: the file's matches broke off where its music thinned out.
constexpr double kJoinSeconds = 0.5;
constexpr double kSlopeError = 0.25; // of a grid step: the most a fitted slope may be unsure

struct Transform {
    double ratio = 1.0;
    bool keyLock = true;
};

struct Hypothesis {
    Transform transform;
    double offset = 0.0; // mix frame of file frame 0
    int votes = 0;
};

struct Match {
    double mix = 0.0;
    double file = 0.0;
};

template <typename Visit>
void ForEachMatch(const MixIndex& mix, std::span<const PeakPair> track, const Transform& t,
                  const Visit& visit) {
    const float shift = t.keyLock ? 0.0f : static_cast<float>(BandShift(t.ratio));
    const auto inverse = static_cast<float>(1.0 / t.ratio);
    for (const PeakPair& p : track) {
        const std::int32_t key = PairKey(p.band + shift, p.step, float(p.gap) * inverse);
        const float file = float(p.frame) * inverse;
        for (const std::int32_t m : mix.Frames(key)) {
            visit(float(m) - file, p);
        }
    }
}

void Vote(const MixIndex& mix, std::span<const PeakPair> track, std::int32_t trackFrames,
          const Transform& t, std::vector<std::int32_t>& votes, std::vector<Hypothesis>& out) {
    const double origin = double(trackFrames) / (1.0 - 0.15) + kOffsetBin; // offsets >= -origin
    const auto bins = static_cast<std::size_t>((mix.MixFrames() + origin) / kOffsetBin) + 3;
    votes.assign(bins, 0);
    std::int64_t total = 0;
    ForEachMatch(mix, track, t, [&](float offset, const PeakPair&) {
        const double at = (double(offset) + origin) / kOffsetBin;
        if (at >= 0.0 && at < double(bins)) {
            ++votes[static_cast<std::size_t>(at)];
            ++total;
        }
    });
    const double chance = 3.0 * double(total) / double(bins);
    const double needed =
        std::max(double(kMinPeakVotes), chance + kChanceSigmas * std::sqrt(chance + 1.0));
    std::vector<Hypothesis> found;
    for (std::size_t i = 1; i + 1 < bins; ++i) {
        const int score = votes[i - 1] + votes[i] + votes[i + 1];
        if (score < needed || votes[i] < votes[i - 1] || votes[i] < votes[i + 1]) {
            continue;
        }
        found.push_back({t, (double(i) + 0.5) * kOffsetBin - origin, score});
    }
    std::sort(found.begin(), found.end(),
              [](const Hypothesis& a, const Hypothesis& b) { return a.votes > b.votes; });
    // Neighbouring bins of one offset count once.
    std::vector<Hypothesis> kept;
    for (const Hypothesis& h : found) {
        const bool near = std::any_of(kept.begin(), kept.end(), [&](const Hypothesis& k) {
            return std::abs(k.offset - h.offset) < 4.0 * kOffsetBin;
        });
        if (!near) {
            kept.push_back(h);
            if (kept.size() == kMaxHypotheses) {
                break;
            }
        }
    }
    out.insert(out.end(), kept.begin(), kept.end());
}

// Least-squares line mix = a + b * file over `matches` within `tolerance` of the current line;
// the slope stays within `minSlope`..`maxSlope`. False when too few matches remain.
bool FitLine(const std::vector<Match>& matches, double tolerance, double ratioStep, double minSlope,
             double maxSlope, double& a, double& b) {
    double n = 0, sf = 0, sm = 0, sff = 0, sfm = 0;
    for (const Match& m : matches) {
        if (std::abs(m.mix - (a + b * m.file)) > tolerance) {
            continue;
        }
        n += 1;
        sf += m.file;
        sm += m.mix;
        sff += m.file * m.file;
        sfm += m.file * m.mix;
    }
    if (n < 3) {
        return false;
    }
    const double var = sff - sf * sf / n;
    // The slope is fitted where the matches pin it down better than the grid does: its
    // standard error (matches spread evenly within `tolerance` of the line) under a quarter
    // of a grid step. Else the grid's slope stays: too short a lever, or too few matches.
    const double spread = tolerance * tolerance / 3.0;
    if (var > 0.0 && spread / var < kSlopeError * kSlopeError * ratioStep * ratioStep) {
        b = std::clamp((sfm - sf * sm / n) / var, minSlope, maxSlope);
    }
    a = (sm - b * sf) / n;
    return true;
}

// The matches of `t` within `reach` frames of the line through mix frame `offset` (file frame 0).
std::vector<Match> MatchesNear(const MixIndex& mix, std::span<const PeakPair> track,
                               const Transform& t, double offset, double reach) {
    std::vector<Match> matches;
    ForEachMatch(mix, track, t, [&](float o, const PeakPair& p) {
        if (std::abs(double(o) - offset) <= reach) {
            matches.push_back({double(o) + double(p.frame) / t.ratio, double(p.frame)});
        }
    });
    return matches;
}

// The plays along the line of `h`: its matches fitted, then the runs of windows dense with
// matches. The votes hardly tell neighbouring ratios apart where most of a file's matches
// lie in a short stretch of it, so the ratio that voted best may be a few steps off: where
// the fitted slope stops at the edge of the range around the grid's ratio, the fit moves on
// to the next ratio of the grid in that direction until the slope settles inside.
std::vector<TrackPlay> Refine(const MixIndex& mix, std::span<const PeakPair> track,
                              std::int32_t trackFrames, const Hypothesis& h,
                              const AlignOptions& options) {
    Transform t = h.transform;
    const double reach = std::max(3.0 * kOffsetBin, 0.007 * double(trackFrames));
    double trackPairs = double(track.size());
    double a = h.offset;
    double b = 1.0 / t.ratio;
    std::vector<Match> matches;
    double moved = 0.0; // the direction the fit moved along the grid
    for (;;) {
        matches = MatchesNear(mix, track, t, a, reach);
        b = 1.0 / t.ratio;
        const double minSlope = 1.0 / (t.ratio + 1.5 * options.ratioStep);
        const double maxSlope = 1.0 / (t.ratio - 1.5 * options.ratioStep);
        for (const double tolerance : {reach, 12.0, 5.0, kInlierFrames}) {
            if (!FitLine(matches, tolerance, options.ratioStep, minSlope, maxSlope, a, b)) {
                return {};
            }
        }
        const double step = b <= minSlope   ? options.ratioStep
                            : b >= maxSlope ? -options.ratioStep
                                            : 0.0;
        const double next = t.ratio + step;
        // The fit only moves on one way: a slope that turns back lies between two ratios of
        // the grid and stays at the edge it reached.
        if (step == 0.0 || step * moved < 0.0 ||
            std::abs(next - 1.0) > options.maxSpeedChange + 1e-9) {
            break;
        }
        moved = step;
        t.ratio = next;
    }
    std::vector<Match> inliers;
    for (const Match& m : matches) {
        if (std::abs(m.mix - (a + b * m.file)) <= kInlierFrames) {
            inliers.push_back(m);
        }
    }
    std::sort(inliers.begin(), inliers.end(),
              [](const Match& x, const Match& y) { return x.mix < y.mix; });
    std::vector<TrackPlay> plays;
    std::size_t i = 0;
    while (i < inliers.size()) {
        // A run: windows with enough matches, quiet windows between them bridged.
        std::size_t runFirst = inliers.size();
        std::size_t runLast = 0;
        std::size_t j = i;
        int quiet = 0;
        while (j < inliers.size()) {
            const double windowStart = inliers[j].mix;
            std::size_t k = j;
            while (k < inliers.size() && inliers[k].mix < windowStart + kWindowFrames) {
                ++k;
            }
            // After a quiet stretch the line must come back clearly: a few chance matches
            // far from the play do not extend it.
            const bool afterQuiet = runFirst != inliers.size() &&
                                    inliers[j].mix - inliers[runLast].mix > 2.0 * kWindowFrames;
            const int needed = afterQuiet ? 2 * kMinWindowMatches : kMinWindowMatches;
            if (int(k - j) >= needed) {
                if (runFirst == inliers.size()) {
                    runFirst = j;
                }
                runLast = k - 1;
                quiet = 0;
                j = k;
            } else {
                if (runFirst != inliers.size()) {
                    quiet = int((inliers[j].mix - inliers[runLast].mix) / kWindowFrames);
                    if (quiet > kMaxQuietWindows) {
                        break;
                    }
                }
                ++j;
            }
        }
        if (runFirst == inliers.size()) {
            break;
        }
        const double startFrame = inliers[runFirst].mix;
        const double endFrame = inliers[runLast].mix + double(kMaxPairGap) / 2.0 +
                                double(kMatchFft) / double(kMatchHop);
        const int count = int(runLast - runFirst + 1);
        const double seconds = (endFrame - startFrame) * kMatchFrameSeconds;
        if (seconds >= options.minPlaySeconds && count >= options.minMatches) {
            TrackPlay play;
            play.start = startFrame * kMatchFrameSeconds;
            play.end = endFrame * kMatchFrameSeconds;
            play.ratio = 1.0 / b;
            play.offset = (startFrame - a) / b * kMatchFrameSeconds;
            play.keyLock = t.keyLock;
            play.matches = count;
            const double fileFrames = (endFrame - startFrame) / b;
            const double expected = trackPairs * std::min(1.0, fileFrames / double(trackFrames));
            play.confidence = std::clamp(2.0 * double(count) / std::max(expected, 1.0), 0.0, 1.0);
            if (play.confidence >= options.minConfidence) {
                plays.push_back(play);
            }
        }
        i = std::max(j, runLast + 1);
    }
    return plays;
}

double Overlap(const TrackPlay& x, const TrackPlay& y) {
    return std::min(x.end, y.end) - std::max(x.start, y.start);
}

// `plays` with the ones on one line joined: a play stretching over parts of the file that
// hold few matches (a breakdown, a long soft passage) breaks up into pieces, each fitted on
// its own, so each piece's ratio is less sure than the whole's. The joined line goes from
// the first piece's start to the last one's end.
std::vector<TrackPlay> JoinPieces(std::vector<TrackPlay> plays, double maxSpeedChange) {
    std::sort(plays.begin(), plays.end(),
              [](const TrackPlay& x, const TrackPlay& y) { return x.start < y.start; });
    std::vector<TrackPlay> joined;
    for (const TrackPlay& q : plays) {
        if (!joined.empty()) {
            TrackPlay& p = joined.back();
            const double end = std::max(p.end, q.end);
            const double fileEnd = p.end > q.end ? p.FileAt(p.end) : q.FileAt(q.end);
            TrackPlay both = p;
            both.end = end;
            both.ratio = (fileEnd - p.offset) / (end - p.start);
            const double pMiddle = 0.5 * (p.start + p.end);
            const double qMiddle = 0.5 * (q.start + q.end);
            if (q.start > p.start && std::abs(both.ratio - 1.0) <= maxSpeedChange &&
                std::abs(both.FileAt(pMiddle) - p.FileAt(pMiddle)) <= kJoinSeconds &&
                std::abs(both.FileAt(qMiddle) - q.FileAt(qMiddle)) <= kJoinSeconds) {
                const double pLength = p.end - p.start;
                const double qLength = q.end - q.start;
                both.matches = p.matches + q.matches;
                both.confidence =
                    (p.confidence * pLength + q.confidence * qLength) / (pLength + qLength);
                p = both;
                continue;
            }
        }
        joined.push_back(q);
    }
    return joined;
}

} // namespace

std::vector<TrackPlay> AlignTrack(const MixIndex& mix, std::span<const PeakPair> track,
                                  std::int32_t trackFrames, const AlignOptions& options) {
    if (track.empty() || mix.Size() == 0 || trackFrames <= 0) {
        return {};
    }
    std::vector<Transform> transforms;
    const int steps = int(std::floor(options.maxSpeedChange / options.ratioStep + 1e-9));
    for (int s = -steps; s <= steps; ++s) {
        const double ratio = 1.0 + s * options.ratioStep;
        transforms.push_back({ratio, true});
        if (s != 0) {
            transforms.push_back({ratio, false});
        }
    }
    std::vector<std::int32_t> votes;
    std::vector<Hypothesis> hypotheses;
    for (const Transform& t : transforms) {
        Vote(mix, track, trackFrames, t, votes, hypotheses);
    }
    std::sort(hypotheses.begin(), hypotheses.end(),
              [](const Hypothesis& a, const Hypothesis& b) { return a.votes > b.votes; });
    std::vector<TrackPlay> plays;
    std::vector<double> tried; // offsets already refined
    int refined = 0;
    for (const Hypothesis& h : hypotheses) {
        if (refined == 4 * kMaxHypotheses) {
            break;
        }
        const bool seen = std::any_of(tried.begin(), tried.end(), [&](double o) {
            return std::abs(o - h.offset) < 4.0 * kOffsetBin;
        });
        if (seen) {
            continue;
        }
        tried.push_back(h.offset);
        ++refined;
        for (TrackPlay& play : Refine(mix, track, trackFrames, h, options)) {
            const bool same = std::any_of(plays.begin(), plays.end(), [&](const TrackPlay& p) {
                return Overlap(p, play) > 0.5 * std::min(p.end - p.start, play.end - play.start);
            });
            if (!same) {
                plays.push_back(play);
            }
        }
    }
    return JoinPieces(std::move(plays), options.maxSpeedChange + 0.5 * options.ratioStep);
}

} // namespace sundrel
