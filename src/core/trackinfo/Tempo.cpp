// The only file that calls aubio: beats of a track, and its tempo over the whole track.

#include "core/trackinfo/Tempo.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace sundrel {

namespace {

// Gaps between beats at most this far from the fitted line (a share of the period) count.
constexpr double kBeatTolerance = 0.2;
constexpr std::size_t kMinBeats = 8;
// aubio's confidence in its tempo, as the median over a track's beats: about 0.1 for noise
// and a held chord, above 1 for a click track or a drum loop.
constexpr double kMinBeatConfidence = 0.3;

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

double Median(std::vector<double> v) {
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

struct AubioTempo {
    aubio_tempo_t* tempo;
    fvec_t* in;
    fvec_t* out;
    AubioTempo(uint_t window, uint_t hop, uint_t rate)
        : tempo(new_aubio_tempo("default", window, hop, rate)), in(new_fvec(hop)),
          out(new_fvec(1)) {}
    ~AubioTempo() {
        if (tempo != nullptr) {
            del_aubio_tempo(tempo);
        }
        del_fvec(in);
        del_fvec(out);
    }
    AubioTempo(const AubioTempo&) = delete;
    AubioTempo& operator=(const AubioTempo&) = delete;
};

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

double BeatPeriod(std::span<const double> beats) {
    if (beats.size() < kMinBeats) {
        return 0;
    }
    std::vector<double> gaps;
    for (std::size_t i = 1; i < beats.size(); ++i) {
        gaps.push_back(beats[i] - beats[i - 1]);
    }
    double period = Median(gaps);
    if (!(period > 0)) {
        return 0;
    }
    // Numbers from the gaps: a missed beat makes a gap of two periods, not a drift.
    std::vector<double> number{0}, time{beats[0]};
    for (std::size_t i = 1; i < beats.size(); ++i) {
        const double steps = std::round(gaps[i - 1] / period);
        if (steps < 1) {
            continue; // a doubled beat
        }
        number.push_back(number.back() + steps);
        time.push_back(beats[i]);
    }
    for (int pass = 0; pass < 3; ++pass) {
        if (number.size() < kMinBeats) {
            return 0;
        }
        const Line line = FitLine(number, time);
        if (!(line.slope > 0)) {
            return 0;
        }
        period = line.slope;
        std::vector<double> keptNumber, keptTime;
        for (std::size_t i = 0; i < number.size(); ++i) {
            const double off = time[i] - (line.offset + line.slope * number[i]);
            if (std::abs(off) <= kBeatTolerance * period) {
                keptNumber.push_back(number[i]);
                keptTime.push_back(time[i]);
            }
        }
        if (keptNumber.size() == number.size()) {
            break;
        }
        number = std::move(keptNumber);
        time = std::move(keptTime);
    }
    return number.size() < kMinBeats ? 0 : period;
}

double TrackTempo(std::span<const float> mono, double rate) {
    // Hops of about 11.6 ms (128 samples at 11 kHz), the time step aubio's beat tracker is
    // tuned for (its default 512 at 44.1 kHz), and windows of four hops.
    const auto r = static_cast<uint_t>(std::lround(rate));
    if (r == 0) {
        return 0;
    }
    const auto hop = static_cast<uint_t>(1u << std::max(0L, std::lround(std::log2(rate * 0.0116))));
    const uint_t window = hop * 4;
    AubioTempo t(window, hop, r);
    if (t.tempo == nullptr || t.in == nullptr || t.out == nullptr) {
        return 0;
    }
    std::vector<double> beats;
    std::vector<double> confidence;
    for (std::size_t at = 0; at + hop <= mono.size(); at += hop) {
        std::copy_n(mono.data() + at, hop, t.in->data);
        aubio_tempo_do(t.tempo, t.in, t.out);
        if (t.out->data[0] != 0) {
            beats.push_back(static_cast<double>(aubio_tempo_get_last_s(t.tempo)));
            confidence.push_back(static_cast<double>(aubio_tempo_get_confidence(t.tempo)));
        }
    }
    // The tracker places beats at its best guess even in noise or a held chord: only a track
    // whose beats it was mostly sure of has a tempo.
    if (confidence.empty() || Median(confidence) < kMinBeatConfidence) {
        return 0;
    }
    const double period = BeatPeriod(beats);
    if (!(period > 0)) {
        return 0;
    }
    return std::round(FoldTempo(60.0 / period) * 10.0) / 10.0;
}

} // namespace sundrel
