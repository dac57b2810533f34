// The only file that calls aubio: beats of a track, and its tempo over the whole track.

#include "core/trackinfo/Tempo.h"

#include "core/analysis/FrameFft.h"
#include "core/analysis/Median.h"
#include "core/analysis/PulseFit.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <vector>

namespace sundrel {

namespace {

// Gaps between beats at most this far from the fitted line (a share of the period) count.
constexpr double kBeatTolerance = 0.2;
constexpr std::size_t kMinBeats = 8;

struct Line {
    double slope = 0;
    double offset = 0;
};

Line FitLine(const std::vector<double>& x, const std::vector<double>& y) {
    const auto n = static_cast<double>(x.size());
    double sx = 0, sy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
    }
    const double mx = sx / n, my = sy / n;
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    if (sxx <= 0) {
        return {};
    }
    const double slope = sxy / sxx;
    return {slope, my - slope * mx};
}

// aubio's beat tracker.
struct AubioTempo {
    std::unique_lock<std::mutex> lock;
    aubio_tempo_t* tempo;
    fvec_t* in;
    fvec_t* out;
    // Made and destroyed under the FFT planner's lock: aubio plans its FFTs with the same
    // library, under a lock of its own that the program's other FFTs do not take.
    AubioTempo(uint_t window, uint_t hop, uint_t rate)
        : lock(FftPlannerMutex()), tempo(new_aubio_tempo("default", window, hop, rate)),
          in(new_fvec(hop)), out(new_fvec(1)) {
        lock.unlock();
    }
    ~AubioTempo() {
        lock.lock();
        if (tempo != nullptr) {
            del_aubio_tempo(tempo);
        }
        del_fvec(in);
        del_fvec(out);
    }
    bool Ok() const { return tempo != nullptr && in != nullptr && out != nullptr; }
    AubioTempo(const AubioTempo&) = delete;
    AubioTempo& operator=(const AubioTempo&) = delete;
};

// The onsets' Fourier component at 1 / period for each of `periods` (the magnitude is the
// strength of their periodicity, the phase that of its peaks), in one pass over the onsets for
// up to kBatch periods at a time: their sums are independent, so the processor overlaps them,
// and each is computed as it would be alone.
std::vector<std::complex<double>> Components(std::span<const double> onsets, double mean,
                                             double hopSeconds, std::span<const double> periods) {
    constexpr std::size_t kBatch = 4;
    std::vector<std::complex<double>> sums(periods.size());
    for (std::size_t from = 0; from < periods.size(); from += kBatch) {
        const std::size_t n = std::min(kBatch, periods.size() - from);
        std::complex<double> turn[kBatch], phasor[kBatch], sum[kBatch];
        for (std::size_t j = 0; j < kBatch; ++j) {
            const double step =
                2 * std::numbers::pi * hopSeconds / periods[from + std::min(j, n - 1)];
            turn[j] = {std::cos(step), std::sin(step)};
            phasor[j] = {1, 0};
            sum[j] = {0, 0};
        }
        for (std::size_t i = 0; i < onsets.size(); ++i) {
            const double o = onsets[i] - mean;
            for (std::size_t j = 0; j < kBatch; ++j) {
                sum[j] += o * phasor[j];
                phasor[j] *= turn[j];
            }
            if (i % 1024 == 1023) {
                for (std::size_t j = 0; j < kBatch; ++j) {
                    phasor[j] /= std::abs(phasor[j]); // keep the rotation on the unit circle
                }
            }
        }
        std::copy_n(sum, n, sums.begin() + static_cast<std::ptrdiff_t>(from));
    }
    return sums;
}

// The beats of `period` whose first lies at the phase of `sum`.
BeatGrid GridOf(std::complex<double> sum, double period) {
    double first = std::arg(sum) / (2 * std::numbers::pi) * period;
    if (first < 0) {
        first += period;
    }
    return {period, first};
}

// The period within 0.5 % of `guess` at which the onsets repeat most strongly, searched in steps
// of 0.05 % and then 0.005 %, with the phase of its beats.
BeatGrid RefineOnOnsets(std::span<const double> onsets, double mean, double hopSeconds,
                        double guess) {
    if (!(guess > 0)) {
        return {};
    }
    BeatGrid best;
    double bestMagnitude = -1;
    const auto search = [&](double centre, double stepShare, int steps) {
        std::vector<double> periods;
        for (int k = -steps; k <= steps; ++k) {
            periods.push_back(centre * (1.0 + stepShare * k));
        }
        const auto sums = Components(onsets, mean, hopSeconds, periods);
        for (std::size_t j = 0; j < periods.size(); ++j) {
            const double magnitude = std::abs(sums[j]);
            if (magnitude > bestMagnitude) {
                bestMagnitude = magnitude;
                best = GridOf(sums[j], periods[j]);
            }
        }
    };
    search(guess, 0.0005, 10);
    search(best.period, 0.00005, 10);
    return best;
}

// How much stronger the onsets are on `g` (the strongest within a hop of each point) than on
// average.
double Salience(std::span<const double> onsets, double mean, double hopSeconds, const BeatGrid& g) {
    double sum = 0;
    std::size_t points = 0;
    for (double at = g.first - std::floor(g.first / g.period) * g.period;
         at / hopSeconds + 1 < static_cast<double>(onsets.size()); at += g.period) {
        const auto i = static_cast<std::size_t>(std::lround(at / hopSeconds));
        double strongest = 0;
        for (std::size_t k = i > 0 ? i - 1 : 0; k <= i + 1 && k < onsets.size(); ++k) {
            strongest = std::max(strongest, onsets[k]);
        }
        sum += strongest;
        ++points;
    }
    return points == 0 ? 0.0 : sum / static_cast<double>(points) / mean;
}

// The pulse fit's constants of `tuning`.
PulseFitTuning PulseFitOf(const TrackInfoTuning& tuning) {
    return {tuning.harmonics, tuning.priorWidth, tuning.onsetCap};
}

} // namespace

double FoldTempo(double bpm) {
    if (!(bpm > 0) || !std::isfinite(bpm)) {
        return 0;
    }
    while (bpm < kMinTempo) {
        bpm *= 2;
    }
    while (bpm >= kMaxTempo) {
        bpm /= 2;
    }
    return bpm;
}

BeatGrid FitBeatGrid(std::span<const double> beats) {
    if (beats.size() < kMinBeats) {
        return {};
    }
    std::vector<double> gaps;
    for (std::size_t i = 1; i < beats.size(); ++i) {
        gaps.push_back(beats[i] - beats[i - 1]);
    }
    const double guess = Median(gaps);
    if (!(guess > 0)) {
        return {};
    }
    // The period within 4 % of the median gap at which the beats' phases agree best (the
    // length of the mean of the unit vectors at each beat's phase): missed beats, stray beats
    // and a break off the grid only weaken the agreement, never shift the numbering.
    double period = guess, phase = 0, best = -1;
    for (int step = -200; step <= 200; ++step) {
        const double p = guess * (1.0 + step * 0.0002);
        double c = 0, s = 0;
        for (const double t : beats) {
            const double angle = 2 * std::numbers::pi * t / p;
            c += std::cos(angle);
            s += std::sin(angle);
        }
        if (c * c + s * s > best) {
            best = c * c + s * s;
            period = p;
            phase = std::atan2(s, c) / (2 * std::numbers::pi) * p;
        }
    }
    // Then a least-squares line through the beats on that grid, numbered by it.
    BeatGrid grid{period, phase};
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<double> number, time;
        for (const double t : beats) {
            const double n = std::round((t - grid.first) / grid.period);
            if (std::abs(t - grid.first - n * grid.period) <= kBeatTolerance * grid.period) {
                number.push_back(n);
                time.push_back(t);
            }
        }
        if (number.size() < kMinBeats) {
            return {};
        }
        const Line line = FitLine(number, time);
        if (!(line.slope > 0)) {
            return {};
        }
        grid = {line.slope, line.offset};
    }
    return grid;
}

double BeatPeriod(std::span<const double> beats) {
    return FitBeatGrid(beats).period;
}

OnsetEvidence MeasureOnsets(std::span<const float> mono, double rate) {
    // Hops of about 11.6 ms (128 samples at 11 kHz), the time step aubio's beat tracker is
    // tuned for (its default 512 at 44.1 kHz), and windows of four hops.
    const auto r = static_cast<uint_t>(std::lround(rate));
    if (r == 0) {
        return {};
    }
    const auto hop = static_cast<uint_t>(1u << std::max(0L, std::lround(std::log2(rate * 0.0116))));
    const uint_t window = hop * 4;
    AubioTempo t(window, hop, r);
    if (!t.Ok()) {
        return {};
    }
    // The onset strength of each hop: the spectral flux (the sum of the rises of the spectrum's
    // magnitudes) of the Hann-windowed `window` samples that end with it, the track preceded
    // by silence, as aubio's phase vocoder and "specflux" measure it; their phases, which the
    // flux does not use, are not computed.
    FrameFft fft(window);
    std::vector<float> frame(window, 0.0f);
    std::vector<float> magnitude(fft.Bins(), 0.0f);
    std::vector<double> beats;  // seconds
    std::vector<double> onsets; // the onset strength of each hop
    for (std::size_t at = 0; at + hop <= mono.size(); at += hop) {
        std::copy_n(mono.data() + at, hop, t.in->data);
        aubio_tempo_do(t.tempo, t.in, t.out);
        if (t.out->data[0] != 0) {
            beats.push_back(static_cast<double>(aubio_tempo_get_last_s(t.tempo)));
        }
        std::copy(frame.begin() + hop, frame.end(), frame.begin());
        std::copy_n(mono.data() + at, hop, frame.end() - hop);
        const std::span<const float> power = fft.Compute(frame);
        float flux = 0;
        for (std::size_t k = 0; k < magnitude.size(); ++k) {
            const float m = std::sqrt(power[k]);
            if (m > magnitude[k]) {
                flux += m - magnitude[k];
            }
            magnitude[k] = m;
        }
        onsets.push_back(static_cast<double>(flux));
    }
    OnsetEvidence evidence;
    evidence.steadyBeats = FitBeatGrid(beats).period > 0;
    evidence.hopSeconds = hop / rate;
    evidence.onsets = std::move(onsets);
    return evidence;
}

double TempoOf(const OnsetEvidence& evidence, const TrackInfoTuning& tuning) {
    // The tracker places beats at its best guess even in noise or a held chord, but not on a
    // steady grid through the track.
    if (!evidence.steadyBeats || evidence.onsets.empty() || !(evidence.hopSeconds > 0)) {
        return 0;
    }
    std::vector<double> onsets = evidence.onsets;
    const double mean = CapOnsets(onsets, tuning.onsetCap);
    if (!(mean > 0)) {
        return 0;
    }
    const double hopSeconds = evidence.hopSeconds;
    // The tempo whose pulse train fits the whole track best, its period then refined on the
    // onsets themselves (the spectrum's bins are a fraction of a BPM apart, not a hundredth).
    const OnsetSpectrum spectrum(onsets, mean, hopSeconds);
    const double bpm = BestFittingTempo(spectrum, PulseFitOf(tuning));
    const BeatGrid beat = RefineOnOnsets(onsets, mean, hopSeconds, 60.0 / bpm);
    // A track has a tempo only when its onsets fall on the beats.
    if (!(beat.period > 0) || Salience(onsets, mean, hopSeconds, beat) < tuning.minBeatSalience) {
        return 0;
    }
    return std::round(FoldTempo(60.0 / beat.period) * 10.0) / 10.0;
}

double TrackTempo(std::span<const float> mono, double rate, const TrackInfoTuning& tuning) {
    return TempoOf(MeasureOnsets(mono, rate), tuning);
}

} // namespace sundrel
