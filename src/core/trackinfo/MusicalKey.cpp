// Key finding from a chroma, and the names of keys.
//
// A track's key is the one whose key profile correlates best (Pearson) with the track's
// chroma: the energy of each of the twelve pitch classes over the whole track. The profiles
// are Krumhansl and Kessler's probe-tone ratings (C. L. Krumhansl, "Cognitive Foundations of
// Musical Pitch", 1990, table 2.1): how well each of the twelve pitch classes was judged to
// fit a major or a minor context. Rotating a profile to each of the twelve tonics gives the
// 24 candidates, each spread over the partials its notes sound (WithPartials below). This is
// the Krumhansl-Schmuckler algorithm that key finders in DJ software
// start from; their refinements (other profiles, weighting by bass, by segment) are left out
// for a method that is documented and has no constants of its own.
//
// Names: the tonic is spelt as DJ software and the ID3 TKEY frame spell it (sharps for the
// minor keys on the sharp side of the circle of fifths, flats for the others: Db major, C#
// minor); Camelot numbers run around the circle of fifths with 8B = C major and 8A = A minor.

#include "core/trackinfo/MusicalKey.h"

#include <cmath>

namespace sundrel {

namespace {

constexpr std::array<double, 12> kMajorProfile{6.35, 2.23, 3.48, 2.33, 4.38, 4.09,
                                               2.52, 5.19, 2.39, 3.66, 2.29, 2.88};
constexpr std::array<double, 12> kMinorProfile{6.33, 2.68, 3.52, 5.38, 2.60, 3.53,
                                               2.54, 4.75, 3.98, 2.69, 3.34, 3.17};

constexpr double kPartialDecay = 0.6;

constexpr std::array<const char*, 12> kMajorTonics{"C",  "Db", "D",  "Eb", "E",  "F",
                                                   "F#", "G",  "Ab", "A",  "Bb", "B"};
constexpr std::array<const char*, 12> kMinorTonics{"C",  "C#", "D",  "Eb", "E",  "F",
                                                   "F#", "G",  "G#", "A",  "Bb", "B"};

// A profile as the chroma of audio shows it: each pitch class's weight spread over the pitch
// classes of its first five partials (the octaves, the fifth at the third partial, the major
// third at the fifth), each partial 0.6 times as strong as the one before, as E. Gómez models
// harmonics for key finding from audio ("Tonal description of music audio signals", 2006).
// Without it the fifth partial of every tonic reads as a major third, and minor keys as major.
std::array<double, 12> WithPartials(const std::array<double, 12>& profile) {
    constexpr std::array<int, 5> kPartialClass{0, 0, 7, 0, 4};
    std::array<double, 12> audio{};
    for (int pc = 0; pc < 12; ++pc) {
        double weight = 1;
        for (const int offset : kPartialClass) {
            audio[static_cast<std::size_t>((pc + offset) % 12)] += profile[pc] * weight;
            weight *= kPartialDecay;
        }
    }
    return audio;
}

// Pearson correlation of `chroma` with `profile` rotated so its first entry falls on `tonic`.
double Correlation(const Chroma& chroma, const std::array<double, 12>& profile, int tonic) {
    double mc = 0, mp = 0;
    for (int i = 0; i < 12; ++i) {
        mc += chroma[i];
        mp += profile[i];
    }
    mc /= 12;
    mp /= 12;
    double sxy = 0, sxx = 0, syy = 0;
    for (int i = 0; i < 12; ++i) {
        const double x = chroma[(i + tonic) % 12] - mc;
        const double y = profile[i] - mp;
        sxy += x * y;
        sxx += x * x;
        syy += y * y;
    }
    return sxx > 0 ? sxy / std::sqrt(sxx * syy) : 0;
}

} // namespace

std::optional<MusicalKey> KeyOfChroma(const Chroma& chroma) {
    double total = 0, lowest = chroma[0], highest = chroma[0];
    for (const double c : chroma) {
        if (!std::isfinite(c) || c < 0) {
            return std::nullopt;
        }
        total += c;
        lowest = std::min(lowest, c);
        highest = std::max(highest, c);
    }
    // Flat within a thousandth: no pitch class stands out.
    if (!(total > 0) || highest - lowest <= 1e-3 * highest) {
        return std::nullopt;
    }
    static const std::array<double, 12> major = WithPartials(kMajorProfile);
    static const std::array<double, 12> minorProfile = WithPartials(kMinorProfile);
    std::optional<MusicalKey> best;
    double bestScore = -2;
    for (int tonic = 0; tonic < 12; ++tonic) {
        for (const bool minor : {false, true}) {
            const double score = Correlation(chroma, minor ? minorProfile : major, tonic);
            if (score > bestScore) {
                bestScore = score;
                best = MusicalKey{tonic, minor};
            }
        }
    }
    return best;
}

std::string KeyName(const MusicalKey& key) {
    std::string name = (key.minor ? kMinorTonics : kMajorTonics)[key.tonic % 12];
    name += key.minor ? " minor" : " major";
    return name;
}

std::string KeyShortName(const MusicalKey& key) {
    std::string name = (key.minor ? kMinorTonics : kMajorTonics)[key.tonic % 12];
    if (key.minor) {
        name += 'm';
    }
    return name;
}

std::string CamelotName(const MusicalKey& key) {
    // A minor key sits beside its relative major (three semitones up) on the wheel.
    const int major = (key.tonic % 12 + (key.minor ? 3 : 0)) % 12;
    int number = (7 * major + 8) % 12;
    if (number == 0) {
        number = 12;
    }
    std::string name = std::to_string(number);
    name += key.minor ? 'A' : 'B';
    return name;
}

} // namespace sundrel
