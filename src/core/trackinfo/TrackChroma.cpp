#include "core/trackinfo/TrackChroma.h"

#include "core/analysis/FrameFft.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace sundrel {

Harmony TrackHarmony(std::span<const float> mono, double rate) {
    Harmony harmony;
    if (!(rate > 0)) {
        return harmony;
    }
    std::size_t size = 1;
    while (static_cast<double>(size) < rate * 0.75) {
        size *= 2;
    }
    const std::size_t hop = size / 2;
    if (mono.size() < size) {
        return harmony;
    }
    FrameFft fft(size);
    // The bins of each semitone: its centre's frequency times 2^(-1/24) up to 2^(1/24).
    const double binHz = rate / static_cast<double>(size);
    std::vector<std::pair<std::size_t, std::size_t>> bands;
    // Half an octave beyond each end, so every counted semitone has the octave around it.
    for (int s = -6; s < kChromaSemitones + 6; ++s) {
        const double centre = kChromaLow * std::pow(2.0, s / 12.0);
        const auto from =
            static_cast<std::size_t>(std::ceil(centre * std::pow(2.0, -1.0 / 24) / binHz));
        const auto to =
            static_cast<std::size_t>(std::ceil(centre * std::pow(2.0, 1.0 / 24) / binHz));
        bands.emplace_back(from, std::max(to, from + 1));
    }
    if (bands.back().second > fft.Bins()) {
        return harmony; // a rate too low for the top octave
    }
    std::vector<double> semitone(bands.size()), whitened(bands.size());
    for (std::size_t at = 0; at + size <= mono.size(); at += hop) {
        const std::span<const float> power = fft.Compute(mono.subspan(at, size));
        // The strongest bin of each semitone: a note's peak, however many bins the semitone
        // spans (a mean would thin out high notes, and thirds with them, against the bass).
        double level = 0;
        for (std::size_t s = 0; s < bands.size(); ++s) {
            double strongest = 0;
            for (std::size_t k = bands[s].first; k < bands[s].second; ++k) {
                strongest = std::max(strongest, static_cast<double>(power[k]));
            }
            semitone[s] = std::sqrt(strongest);
            level += semitone[s];
        }
        if (level < kSilentLevel) {
            continue;
        }
        // What stands above the mean of the octave around it: notes, not the slope of the
        // spectrum nor noise, which spreads evenly.
        double total = 0, counted = 0;
        for (std::size_t s = 6; s < bands.size() - 6; ++s) {
            double around = 0;
            for (std::size_t k = s - 6; k <= s + 6; ++k) {
                around += semitone[k];
            }
            around /= 13;
            whitened[s] = std::max(0.0, semitone[s] - around);
            total += whitened[s];
            counted += semitone[s];
        }
        ++harmony.frames;
        if (total <= 0) {
            continue;
        }
        harmony.tonalShare += total / counted;
        for (std::size_t s = 6; s < bands.size() - 6; ++s) {
            // Band s is the semitone s - 6 above kChromaLow, a C.
            harmony.chroma[(s - 6) % 12] += whitened[s] / total;
        }
    }
    if (harmony.frames > 0) {
        harmony.tonalShare /= static_cast<double>(harmony.frames);
    }
    return harmony;
}

std::optional<MusicalKey> TrackKey(std::span<const float> mono, double rate, double minTonalShare) {
    return KeyOfHarmony(TrackHarmony(mono, rate), minTonalShare);
}

std::optional<MusicalKey> KeyOfHarmony(const Harmony& harmony, double minTonalShare) {
    if (harmony.tonalShare < minTonalShare) {
        return std::nullopt;
    }
    return KeyOfChroma(harmony.chroma);
}

} // namespace sundrel
