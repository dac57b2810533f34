#include "core/match/Handover.h"

#include "core/analysis/FrameFft.h"
#include "core/analysis/Median.h"
#include "core/match/Landmarks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace sundrel {

namespace {

constexpr int kWindow = 31;      // frames a gain is fitted over (1 s)
constexpr int kStep = 4;         // frames between fits (128 ms)
constexpr double kAudible = 0.1; // of the gain alone: 10 dB down
constexpr double kReferenceSeconds = 20.0;
constexpr double kSearchSeconds = 30.0;
constexpr int kSteady = 4; // fits in a row that must agree
// A track that, at its gain where it plays alone, would explain less than this share of the
// mix's power over a fit's window (-20 dB) is not heard there.
constexpr double kQuiet = 0.01;
constexpr int kMaxLag = 16; // frames a play's line is moved at most (0.5 s)
// When the middle of the stretch between the incoming file's first sample and the outgoing
// file's last (at the plays' lines) lies this close to where the tracks' levels cross, the
// two plays hold their files to the edges and the edges are the overlap's ends.
constexpr double kEdgeAgreeSeconds = 2.0;
// A blend's tracks cross fading: a track that still explains kHoldShare of the mix's power
// from kHoldFrom to kHoldTo seconds before the levels cross (the other track as long after)
// did not fade, and the two meet in a cut.
constexpr double kHoldShare = 0.8;
constexpr double kHoldFrom = 1.5;
constexpr double kHoldTo = 0.5;
// A file's frames whose mean square sample is below this (-90 dB of full scale) are digital
// silence; a recording's own fade-out is part of it to its last sample.
constexpr double kSilence = 1e-9;
// A bass swap: the bass (the level bands below 177 Hz) goes over from one track to the
// other at once while both tracks' upper bands play on. Where, kSwapSeconds either side of
// the point where the bass changes hands, the track without its bass there stays kKilled
// (10 dB) under its own bass level alone and both tracks are heard, that point is the
// blend's middle: the DJ's handover, wherever the levels of the upper bands cross.
constexpr std::size_t kBassBands = 3;
constexpr double kSwapSeconds = 2.0;
constexpr double kKilled = 0.1;
// A sweep: the lower bands (below 500 Hz), which a low-pass closing on the outgoing track
// leaves to the end of the blend, the top bands (from 1.4 kHz), which it has taken out by the
// middle, and the share of the lower bands' relative level that the top bands must fall
// under (6 dB) for the track to count as swept.
constexpr std::size_t kLowBands = 6;
constexpr std::size_t kTopBand = 9;
constexpr double kSwept = 0.5;
// The most of its level alone a track's relative gain counts for where the blend's middle is
// read. A fader is at most fully up; a gain read above that is the fit dividing the mix by a
// file all but silent there (sparse hits in an outro), and a few such fits would outweigh the
// whole fade.
constexpr double kFullLevel = 1.0;

float ToFloat(float x) {
    return x;
}
float ToFloat(std::int16_t x) {
    return float(x) * (1.0f / 32768.0f);
}

template <typename Sample> std::vector<float> Spectra(std::span<const Sample> mono) {
    const std::size_t frames = (mono.size() + kMatchHop - 1) / kMatchHop;
    std::vector<float> out(frames * kLevelBands, 0.0f);
    FrameFft fft(kMatchFft);
    std::vector<float> frame(kMatchFft);
    const double binHz = double(kMatchRate) / double(kMatchFft);
    for (std::size_t f = 0; f < frames; ++f) {
        const std::size_t start = f * kMatchHop;
        const std::size_t have = std::min(kMatchFft, mono.size() - start);
        for (std::size_t k = 0; k < kMatchFft; ++k) {
            frame[k] = k < have ? ToFloat(mono[start + k]) : 0.0f;
        }
        const std::span<const float> power = fft.Compute(frame);
        for (std::size_t k = 1; k < power.size(); ++k) {
            // Half-octave bands from 62.5 Hz: band 0 holds everything below 88 Hz.
            const double octaves = std::log2(std::max(double(k) * binHz, 62.5) / 62.5);
            const auto band = std::min(kLevelBands - 1, std::size_t(octaves * 2.0));
            out[f * kLevelBands + band] += power[k];
        }
    }
    return out;
}

// The level spectrum of `file` at mix frame `m` of a play.
const float* FileRow(std::span<const float> file, const TrackPlay& play, std::int64_t m) {
    const double fileSeconds = play.FileAt(double(m) * kMatchFrameSeconds);
    const auto f = std::llround(fileSeconds / kMatchFrameSeconds);
    const auto frames = std::int64_t(file.size() / kLevelBands);
    if (f < 0 || f >= frames) {
        return nullptr;
    }
    return file.data() + std::size_t(f) * kLevelBands;
}

struct Gains {
    double out = 0.0;
    double in = 0.0;
    // The share of the mix's (weighted) power each track explains at its gain.
    double outShare = 0.0;
    double inShare = 0.0;
    // Each file's own (weighted) power over the window, before its gain, and the mix's.
    double outPower = 0.0;
    double inPower = 0.0;
    double mixPower = 0.0;
};

// One band group's fits over the windows of a handover, a value per window.
struct BandFits {
    std::vector<double> out, in, outPower, inPower, mixPower;

    void Add(const Gains& g) {
        out.push_back(g.out);
        in.push_back(g.in);
        outPower.push_back(g.outPower);
        inPower.push_back(g.inPower);
        mixPower.push_back(g.mixPower);
    }
};

// Each band's gain from a file's spectra to the mix's where the track plays alone: the DJ's
// EQ and the track's level.
using Eq = std::array<double, kLevelBands>;

// Non-negative least squares of the mix's spectra over `kWindow` frames from `first` as
// gOut * out + gIn * in (each file's spectra through its Eq), each band weighted by the
// inverse of the mix's mean power in it. Only bands `lowest` to `bands` - 1 count.
Gains Fit(std::span<const float> mix, const TrackPlay& out, std::span<const float> outFile,
          const Eq& outEq, const TrackPlay& in, std::span<const float> inFile, const Eq& inEq,
          std::int64_t first, const std::vector<double>& weight, std::size_t bands = kLevelBands,
          std::size_t lowest = 0) {
    double aa = 0, bb = 0, ab = 0, am = 0, bm = 0, sa = 0, sb = 0, sm = 0;
    const auto frames = std::int64_t(mix.size() / kLevelBands);
    for (std::int64_t m = first; m < first + kWindow; ++m) {
        if (m < 0 || m >= frames) {
            continue;
        }
        const float* x = mix.data() + std::size_t(m) * kLevelBands;
        const float* a = FileRow(outFile, out, m);
        const float* b = FileRow(inFile, in, m);
        for (std::size_t k = lowest; k < bands; ++k) {
            const double w = weight[k];
            const double av = a ? a[k] * outEq[k] * w : 0.0;
            const double bv = b ? b[k] * inEq[k] * w : 0.0;
            const double xv = x[k] * w;
            sa += av;
            sb += bv;
            sm += xv;
            aa += av * av;
            bb += bv * bv;
            ab += av * bv;
            am += av * xv;
            bm += bv * xv;
        }
    }
    Gains g;
    const double det = aa * bb - ab * ab;
    if (det > 1e-12 * aa * bb && det > 0.0) {
        g.out = (am * bb - bm * ab) / det;
        g.in = (bm * aa - am * ab) / det;
    }
    if (g.out < 0.0 || g.in < 0.0 || det <= 1e-12 * aa * bb) {
        const double onlyOut = aa > 0 ? std::max(0.0, am / aa) : 0.0;
        const double onlyIn = bb > 0 ? std::max(0.0, bm / bb) : 0.0;
        // The better of the two one-track fits.
        const double residualOut = -onlyOut * am;
        const double residualIn = -onlyIn * bm;
        g = residualOut < residualIn ? Gains{onlyOut, 0.0} : Gains{0.0, onlyIn};
    }
    g.outPower = sa;
    g.inPower = sb;
    g.mixPower = sm;
    if (sm > 0.0) {
        g.outShare = g.out * sa / sm;
        g.inShare = g.in * sb / sm;
    }
    return g;
}

// The Eq of `file` (played as `play`) from the mix's frames first..last: the ratio of the
// mix's power in each band to the file's. A band the file does not reach keeps gain 1.
Eq EqOf(std::span<const float> mix, const TrackPlay& play, std::span<const float> file,
        std::int64_t first, std::int64_t last) {
    Eq sumMix{}, sumFile{};
    const auto frames = std::int64_t(mix.size() / kLevelBands);
    for (std::int64_t m = std::max<std::int64_t>(first, 0); m < std::min(last, frames); ++m) {
        const float* f = FileRow(file, play, m);
        if (f == nullptr) {
            continue;
        }
        for (std::size_t k = 0; k < kLevelBands; ++k) {
            sumMix[k] += mix[std::size_t(m) * kLevelBands + k];
            sumFile[k] += f[k];
        }
    }
    Eq eq;
    for (std::size_t k = 0; k < kLevelBands; ++k) {
        eq[k] = sumFile[k] > 0.0 && sumMix[k] > 0.0 ? sumMix[k] / sumFile[k] : 1.0;
    }
    return eq;
}

// The shift of `play`'s line, in frames (within kMaxLag either way), that best lines the
// file's level spectra up with the mix's over mix frames first..last, where the track plays
// alone: the sum over bands of the correlation of the two log levels' moves. A play's line is
// fitted to landmarks all through it, and a tempo change by resampling may leave it a few
// frames off at its ends; gains fitted to spectra out of step follow the beat, not the fade.
int LineLag(std::span<const float> mix, const TrackPlay& play, std::span<const float> file,
            std::int64_t first, std::int64_t last) {
    const auto frames = std::int64_t(mix.size() / kLevelBands);
    first = std::max<std::int64_t>(first, kMaxLag);
    last = std::min(last, frames - kMaxLag);
    if (last - first < 4 * kWindow) {
        return 0;
    }
    const auto n = std::size_t(last - first);
    const auto level = [](double power, double floor) { return std::log(power + floor); };
    // Each band's log level of the mix, its mean taken off, and the floor that keeps silent
    // frames from ruling.
    std::array<std::vector<double>, kLevelBands> x;
    std::array<double, kLevelBands> floor{};
    for (std::size_t k = 0; k < kLevelBands; ++k) {
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            sum += mix[(std::size_t(first) + i) * kLevelBands + k];
        }
        floor[k] = 1e-3 * sum / double(n) + 1e-12;
        x[k].resize(n);
        double mean = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            x[k][i] = level(mix[(std::size_t(first) + i) * kLevelBands + k], floor[k]);
            mean += x[k][i];
        }
        for (double& v : x[k]) {
            v -= mean / double(n);
        }
    }
    double best = -std::numeric_limits<double>::infinity();
    int bestLag = 0;
    std::vector<double> a(n);
    for (int step = 0; step <= 2 * kMaxLag; ++step) {
        // 0, 1, -1, 2, -2, ...: a tie keeps the smaller shift.
        const int lag = step % 2 == 1 ? (step + 1) / 2 : -step / 2;
        double score = 0.0;
        bool complete = true;
        for (std::size_t k = 0; k < kLevelBands && complete; ++k) {
            double sum = 0.0;
            for (std::size_t i = 0; i < n && complete; ++i) {
                const float* row = FileRow(file, play, first + std::int64_t(i) - lag);
                complete = row != nullptr;
                a[i] = row ? row[k] : 0.0;
                sum += a[i];
            }
            const double fileFloor = 1e-3 * sum / double(n) + 1e-12;
            double mean = 0.0;
            for (double& v : a) {
                v = level(v, fileFloor);
                mean += v;
            }
            mean /= double(n);
            double xa = 0.0, aa = 0.0, xx = 0.0;
            for (std::size_t i = 0; i < n; ++i) {
                xa += x[k][i] * (a[i] - mean);
                aa += (a[i] - mean) * (a[i] - mean);
                xx += x[k][i] * x[k][i];
            }
            if (aa > 0.0 && xx > 0.0) {
                score += xa / std::sqrt(aa * xx);
            }
        }
        if (!complete) {
            return 0; // the file does not cover the stretch
        }
        if (score > best) {
            best = score;
            bestLag = lag;
        }
    }
    return bestLag;
}

// `play` with its line moved `lag` frames later in the mix.
TrackPlay Relined(TrackPlay play, int lag) {
    play.offset -= double(lag) * kMatchFrameSeconds * play.ratio;
    return play;
}

// File seconds of the first and last frame of `file` (level spectra) that hold more than
// digital silence.
std::pair<double, double> SoundingSpan(std::span<const float> file) {
    const std::size_t frames = file.size() / kLevelBands;
    // A Hann-windowed frame of mean square s sums to 3/16 s N^2 over the one-sided spectrum.
    const double floor = kSilence * 3.0 / 16.0 * double(kMatchFft) * double(kMatchFft);
    const auto sounds = [&](std::size_t f) {
        double power = 0.0;
        for (std::size_t k = 0; k < kLevelBands; ++k) {
            power += file[f * kLevelBands + k];
        }
        return power > floor;
    };
    std::size_t first = 0;
    while (first < frames && !sounds(first)) {
        ++first;
    }
    std::size_t last = frames;
    while (last > first && !sounds(last - 1)) {
        --last;
    }
    if (first == frames) {
        return {0.0, double(frames) * kMatchFrameSeconds};
    }
    return {double(first) * kMatchFrameSeconds, double(last) * kMatchFrameSeconds};
}

} // namespace

bool LinesMeet(const TrackPlay& out, double outFileSeconds, const TrackPlay& in) {
    if (out.ratio <= 0.0 || in.ratio <= 0.0) {
        return false;
    }
    const double outFileEnds = out.start + (outFileSeconds - out.offset) / out.ratio;
    const double inFileBegins = in.start - in.offset / in.ratio;
    return outFileEnds > in.start || inFileBegins < out.end;
}

std::vector<float> LevelSpectra(std::span<const float> mono) {
    return Spectra(mono);
}
std::vector<float> LevelSpectra(std::span<const std::int16_t> mono) {
    return Spectra(mono);
}

Handover FindHandover(std::span<const float> mix, const TrackPlay& out,
                      std::span<const float> outFile, const TrackPlay& in,
                      std::span<const float> inFile) {
    Handover found{in.start, out.end, std::nullopt};
    if (in.start - out.end > kSearchSeconds * 2) {
        return found;
    }
    const auto toFrame = [](double s) {
        return std::int64_t(std::llround(s / kMatchFrameSeconds));
    };
    const double from =
        std::max(out.start, std::min(in.start, out.end) - kReferenceSeconds - kSearchSeconds);
    const double to =
        std::min(in.end, std::max(in.start, out.end) + kReferenceSeconds + kSearchSeconds);
    const std::int64_t first = toFrame(from);
    const std::int64_t last = toFrame(to) - kWindow;
    if (last - first < 4 * kWindow) {
        return found;
    }
    std::vector<double> weight(kLevelBands, 0.0);
    for (std::int64_t m = first; m < last + kWindow; ++m) {
        if (m >= 0 && m < std::int64_t(mix.size() / kLevelBands)) {
            for (std::size_t k = 0; k < kLevelBands; ++k) {
                weight[k] += mix[std::size_t(m) * kLevelBands + k];
            }
        }
    }
    for (double& w : weight) {
        w = w > 0.0 ? double(last + kWindow - first) / w : 0.0;
    }
    // No file is heard before its first sound or after its last. A quiet intro or outro holds
    // few landmarks, so a play's matches may begin (end) well inside the blend; where the
    // play's line puts the incoming file's start (the outgoing file's end) earlier (later),
    // within the search, each track's reference (where it plays alone) lies beyond it.
    const auto [inFirst, inLast] = SoundingSpan(inFile);
    const auto [outFirst, outLast] = SoundingSpan(outFile);
    const double inBegins = in.ratio > 0.0 ? in.start + (inFirst - in.offset) / in.ratio : in.start;
    const double outEnds =
        out.ratio > 0.0 ? out.start + (outLast - out.offset) / out.ratio : out.end;
    // Where the landmarks leave a gap between the plays (a quiet or featureless stretch), the
    // lines still reach across it: the search runs from the earlier of the two landmark ends
    // and to the later, not from each play's own.
    const double earliest = std::min(in.start, out.end) - kSearchSeconds;
    const double latest = std::max(in.start, out.end) + kSearchSeconds;
    const double aloneOutTo = std::min(in.start, std::max(inBegins, earliest));
    const double aloneInFrom = std::max(out.end, std::min(outEnds, latest));
    // Each line set right where its track plays alone, next to the blend.
    const int outLag =
        LineLag(mix, out, outFile, toFrame(aloneOutTo - kReferenceSeconds), toFrame(aloneOutTo));
    const int inLag =
        LineLag(mix, in, inFile, toFrame(aloneInFrom), toFrame(aloneInFrom + kReferenceSeconds));
    const TrackPlay outLine = Relined(out, outLag);
    const TrackPlay inLine = Relined(in, inLag);
    // The mix's EQ of each track where it plays alone: without it, a band the DJ turned up
    // in one track is explained as the other track playing softly.
    const Eq outEq =
        EqOf(mix, outLine, outFile, toFrame(aloneOutTo - kReferenceSeconds), toFrame(aloneOutTo));
    const Eq inEq =
        EqOf(mix, inLine, inFile, toFrame(aloneInFrom), toFrame(aloneInFrom + kReferenceSeconds));
    std::vector<double> centre, gOut, gIn, outShare, inShare, powerOut, powerIn, powerMix, highOut;
    BandFits bassFits, lowFits;
    for (std::int64_t m = first; m <= last; m += kStep) {
        const Gains g = Fit(mix, outLine, outFile, outEq, inLine, inFile, inEq, m, weight);
        centre.push_back((double(m) + kWindow / 2.0) * kMatchFrameSeconds);
        gOut.push_back(g.out);
        gIn.push_back(g.in);
        outShare.push_back(g.outShare);
        inShare.push_back(g.inShare);
        powerOut.push_back(g.outPower);
        powerIn.push_back(g.inPower);
        powerMix.push_back(g.mixPower);
        bassFits.Add(
            Fit(mix, outLine, outFile, outEq, inLine, inFile, inEq, m, weight, kBassBands));
        lowFits.Add(Fit(mix, outLine, outFile, outEq, inLine, inFile, inEq, m, weight, kLowBands));
        const Gains high = Fit(mix, outLine, outFile, outEq, inLine, inFile, inEq, m, weight,
                               kLevelBands, kTopBand);
        highOut.push_back(high.out);
    }
    // Where a file is all but silent against the mix (its own fade-out under the other
    // track, a bass line gone, a quiet intro), a gain cannot be read from it: the fit divides
    // the mix by next to nothing. Where the track, at its gain alone (`reference`), would
    // explain less than kQuiet of the mix's power, it is not heard: gain 0, and the fits where
    // that is so are marked, for the DJ's fader there is not known.
    const auto silence = [](std::vector<double>& gains, double reference,
                            const std::vector<double>& power, const std::vector<double>& mixPower) {
        std::vector<char> unread(gains.size(), 0);
        for (std::size_t i = 0; i < gains.size(); ++i) {
            if (reference * power[i] < kQuiet * mixPower[i]) {
                gains[i] = 0.0;
                unread[i] = 1;
            }
        }
        return unread;
    };
    // A track's level alone: the median of `values` over the reference stretch where the
    // outgoing track still plays alone (before the blend) or the incoming one already does.
    const auto aloneLevel = [&centre](const std::vector<double>& values, bool outgoing,
                                      double edge) {
        std::vector<double> alone;
        for (std::size_t i = 0; i < centre.size(); ++i) {
            if (outgoing ? centre[i] < edge && centre[i] > edge - kReferenceSeconds
                         : centre[i] > edge && centre[i] < edge + kReferenceSeconds) {
                alone.push_back(values[i]);
            }
        }
        return Median(std::move(alone));
    };
    const auto aloneOut = [&](const std::vector<double>& values) {
        return aloneLevel(values, true, aloneOutTo);
    };
    const auto aloneIn = [&](const std::vector<double>& values) {
        return aloneLevel(values, false, aloneInFrom);
    };
    const double refOut = aloneOut(gOut);
    const double refIn = aloneIn(gIn);
    if (refOut <= 0.0 || refIn <= 0.0) {
        return found;
    }
    const std::vector<char> outUnread = silence(gOut, refOut, powerOut, powerMix);
    const std::vector<char> inUnread = silence(gIn, refIn, powerIn, powerMix);
    // The middle: the split of the fits that best has the outgoing track ahead before it and
    // the incoming one after it. Where one track's gain cannot be read (its file all but silent
    // there, as in a long quiet intro), the other's stands for both: an equal-power crossfade
    // keeps the two relative gains summing to one. Counting the unread track as silent would
    // put the middle where its file grows loud, not where the DJ's faders cross.
    const auto splitAt = [&centre](const std::vector<double>& outGain, double outRef,
                                   const std::vector<char>& outUnknown,
                                   const std::vector<double>& inGain, double inRef,
                                   const std::vector<char>& inUnknown) -> std::optional<double> {
        std::vector<double> lead(centre.size());
        double total = 0.0;
        for (std::size_t i = 0; i < centre.size(); ++i) {
            double inLevel = std::clamp(inGain[i] / inRef, 0.0, kFullLevel);
            double outLevel = std::clamp(outGain[i] / outRef, 0.0, kFullLevel);
            if (inUnknown[i] && outUnknown[i]) {
                inLevel = outLevel = 0.0;
            } else if (inUnknown[i]) {
                inLevel = std::max(0.0, 1.0 - outLevel);
            } else if (outUnknown[i]) {
                outLevel = std::max(0.0, 1.0 - inLevel);
            }
            lead[i] = inLevel - outLevel;
            total += lead[i];
        }
        double before = 0.0;
        double best = total;
        std::size_t split = 0;
        for (std::size_t i = 1; i <= centre.size(); ++i) {
            before += lead[i - 1];
            if (total - 2.0 * before > best) {
                best = total - 2.0 * before;
                split = i;
            }
        }
        if (split > 0 && split < centre.size()) {
            return 0.5 * (centre[split - 1] + centre[split]);
        }
        return std::nullopt;
    };
    found.middle = splitAt(gOut, refOut, outUnread, gIn, refIn, inUnread);
    const auto mean = [&centre](const std::vector<double>& values, double lo, double hi) {
        double sum = 0.0;
        int count = 0;
        for (std::size_t i = 0; i < centre.size(); ++i) {
            if (centre[i] >= lo && centre[i] <= hi) {
                sum += values[i];
                ++count;
            }
        }
        return count > 0 ? sum / count : 0.0;
    };
    // A low-pass sweep on the outgoing track takes its upper bands out while its lower ones
    // still follow the fade, and one gain across all bands reads that as the track fading
    // early. Where the lower bands cross later and the outgoing track's top bands, relative to
    // their level alone, hold less than kSwept of what its lower bands hold within a second of
    // the lower bands' crossing, that crossing is the middle. By the middle of a sweep the
    // filter has closed below the top bands; a span reaching back to where all bands cross
    // would take in the sweep's open start, the more so the earlier a fade that is read from
    // the outgoing track alone puts that crossing.
    {
        const double refLowOut = aloneOut(lowFits.out);
        const double refLowIn = aloneIn(lowFits.in);
        const double refHighOut = aloneOut(highOut);
        if (found.middle && refLowOut > 0.0 && refLowIn > 0.0 && refHighOut > 0.0) {
            const std::vector<char> lowOutUnread =
                silence(lowFits.out, refLowOut, lowFits.outPower, lowFits.mixPower);
            const std::vector<char> lowInUnread =
                silence(lowFits.in, refLowIn, lowFits.inPower, lowFits.mixPower);
            const double full = *found.middle;
            const double low =
                splitAt(lowFits.out, refLowOut, lowOutUnread, lowFits.in, refLowIn, lowInUnread)
                    .value_or(full);
            const auto swept = [&](double x) {
                const double lowHeld = mean(lowFits.out, x - 1.0, x + 1.0) / refLowOut;
                const double highHeld = mean(highOut, x - 1.0, x + 1.0) / refHighOut;
                return highHeld < kSwept * lowHeld;
            };
            // The outgoing track's lower bands alone, its fader read as the rest of the
            // incoming one's: the mix lacks the swept track's highs that its file holds, the
            // fit explains the gap by less of the incoming track, and the incoming gain then
            // reads low all through the sweep's second half, the crossing late. The track
            // must be swept both there and where all bands cross: a second's loud hit of the
            // outgoing track, read in the lower bands more than in the top, is no sweep.
            const std::optional<double> outAlone =
                splitAt(lowFits.out, refLowOut, lowOutUnread, lowFits.in, refLowIn,
                        std::vector<char>(centre.size(), 1));
            if (low > full && swept(low)) {
                found.middle = low;
            } else if (outAlone && swept(*outAlone) && swept(full)) {
                found.middle = *outAlone;
            }
        }
    }
    bool swapped = false;
    {
        const double refBassOut = aloneOut(bassFits.out);
        const double refBassIn = aloneIn(bassFits.in);
        const std::vector<char> bassOutUnread =
            silence(bassFits.out, refBassOut, bassFits.outPower, bassFits.mixPower);
        const std::vector<char> bassInUnread =
            silence(bassFits.in, refBassIn, bassFits.inPower, bassFits.mixPower);
        const std::optional<double> swap = refBassOut > 0.0 && refBassIn > 0.0
                                               ? splitAt(bassFits.out, refBassOut, bassOutUnread,
                                                         bassFits.in, refBassIn, bassInUnread)
                                               : std::nullopt;
        if (swap) {
            const double x = *swap;
            const double lo = x - kSwapSeconds;
            const double hi = x + kSwapSeconds;
            // The bass levels are read from fits wholly on one side of the swap: a fit centred
            // within half its window of it hears both tracks' bass.
            const double half = 0.5 * kWindow * kMatchFrameSeconds;
            swapped = mean(bassFits.in, lo - half, x - half) <= kKilled * refBassIn &&
                      mean(bassFits.out, x + half, hi + half) <= kKilled * refBassOut &&
                      mean(bassFits.out, lo - half, x - half) > kKilled * refBassOut &&
                      mean(bassFits.in, x + half, hi + half) > kKilled * refBassIn &&
                      mean(gIn, lo, x) >= kAudible * refIn &&
                      mean(gOut, x, hi) >= kAudible * refOut;
            if (swapped) {
                found.middle = x;
            }
        }
    }
    // The share of the two tracks' relative gains (their faders, as far as the levels tell)
    // that the outgoing (or incoming) track holds from lo to hi. Unlike the share of the mix it
    // explains, it does not sink where the file fits the mix less well (a resampled or
    // stretched play, a file heard through the DJ's EQ). A gain that cannot be read is taken
    // as the rest of the other's, as for the middle.
    const auto held = [&](bool outgoing, double lo, double hi) {
        double sum = 0.0;
        int count = 0;
        for (std::size_t i = 0; i < centre.size(); ++i) {
            if (centre[i] >= lo && centre[i] <= hi) {
                double o = std::clamp(gOut[i] / refOut, 0.0, 2.0);
                double n = std::clamp(gIn[i] / refIn, 0.0, 2.0);
                if (outUnread[i] && !inUnread[i]) {
                    o = std::max(0.0, 1.0 - n);
                } else if (inUnread[i] && !outUnread[i]) {
                    n = std::max(0.0, 1.0 - o);
                }
                sum += o + n > 0.0 ? (outgoing ? o : n) / (o + n) : 0.0;
                ++count;
            }
        }
        return count > 0 ? sum / count : 0.0;
    };
    // The incoming track: the first fit from which kSteady fits in a row hear it.
    for (std::size_t i = 0; i + kSteady <= centre.size(); ++i) {
        if (centre[i] > in.start + kSearchSeconds) {
            break;
        }
        bool audible = true;
        for (std::size_t j = i; j < i + kSteady; ++j) {
            audible = audible && gIn[j] >= kAudible * refIn;
        }
        if (audible && centre[i] >= earliest) {
            found.inStart = std::max(earliest, centre[i] - 0.5 * kWindow * kMatchFrameSeconds);
            break;
        }
    }
    // The outgoing track: the last fit up to which kSteady fits in a row hear it.
    for (std::size_t i = centre.size(); i >= kSteady; --i) {
        if (centre[i - 1] < out.end - kSearchSeconds) {
            break;
        }
        bool audible = true;
        for (std::size_t j = i - kSteady; j < i; ++j) {
            audible = audible && gOut[j] >= kAudible * refOut;
        }
        if (audible && centre[i - 1] <= latest) {
            found.outEnd = centre[i - 1] + 0.5 * kWindow * kMatchFrameSeconds;
            break;
        }
    }
    // A hard cut between tracks whose sounds are alike (a loop shared, the same track played
    // again) can look like a long blend: the incoming file seems to play softly under the
    // outgoing one. But where the outgoing track still holds most of the mix just before the
    // levels cross and the incoming one most of it just after, nothing fades.
    if (found.middle && !swapped) {
        const double x = *found.middle;
        if ((mean(outShare, x - kHoldFrom, x - kHoldTo) >= kHoldShare &&
             mean(inShare, x + kHoldTo, x + kHoldFrom) >= kHoldShare) ||
            (held(true, x - kHoldFrom, x - kHoldTo) >= kHoldShare &&
             held(false, x + kHoldTo, x + kHoldFrom) >= kHoldShare)) {
            found.inStart = x;
            found.outEnd = x;
            return found;
        }
    }
    // Plays that hold their files to the edges: the edges are exact where levels are not.
    const double inEdge = inBegins + double(inLag) * kMatchFrameSeconds;
    const double outEdge = outEnds + double(outLag) * kMatchFrameSeconds;
    const double edgeMiddle = 0.5 * (inEdge + outEdge);
    if (found.middle && inEdge < outEdge && inEdge >= from && outEdge <= to &&
        std::abs(edgeMiddle - *found.middle) <= kEdgeAgreeSeconds) {
        found.inStart = inEdge;
        found.outEnd = outEdge;
        found.middle = edgeMiddle;
    } else if (found.middle) {
        // A track is heard from where its gain comes within 10 dB of its level alone, but the
        // middle is where the faders cross, and a file too quiet or too alike to be read there
        // (a soft intro, a swept outro) may be heard only after it: the blend holds its middle.
        found.inStart = std::min(found.inStart, *found.middle);
        found.outEnd = std::max(found.outEnd, *found.middle);
    }
    return found;
}

} // namespace sundrel
