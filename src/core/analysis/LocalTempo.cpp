#include "core/analysis/LocalTempo.h"

#include "core/analysis/Median.h"
#include "core/analysis/PulseFit.h"

#include <algorithm>
#include <cmath>

namespace sundrel {

namespace {

// Blocks quieter than this (dB below full scale) count as this loud, so that the rises of the
// noise in a near-silence are not onsets.
constexpr double kFloorDb = -80.0;
constexpr std::size_t kMinWindows = 3;

struct Side {
    double tempo = 0;
    double spread = 0;
    bool ok = false;
};

Side SideOf(const LocalTempi& tempi, double from, double to, bool threeTwo) {
    std::vector<double> bpm;
    for (std::size_t i = 0; i < tempi.bpm.size(); ++i) {
        const double start = static_cast<double>(i) * tempi.strideSeconds;
        if (start >= from && start + tempi.windowSeconds <= to && tempi.bpm[i] > 0) {
            bpm.push_back(tempi.bpm[i]);
        }
    }
    if (bpm.size() < kMinWindows) {
        return {};
    }
    Side side;
    if (threeTwo) {
        double least = 0.0;
        for (std::size_t i = 0; i < bpm.size(); ++i) {
            double total = 0.0;
            for (const double other : bpm) {
                total += PulseDistance(bpm[i], other, true);
            }
            if (i == 0 || total < least) {
                least = total;
                side.tempo = bpm[i];
            }
        }
    } else {
        // The median in log2, each tempo first brought within half an octave of the first
        // one, so that a window read at double speed does not pull the median away.
        std::vector<double> logs;
        const double reference = std::log2(bpm.front());
        for (const double v : bpm) {
            logs.push_back(std::log2(v) - std::round(std::log2(v) - reference));
        }
        side.tempo = std::exp2(Median(logs));
    }
    std::vector<double> deviations;
    for (const double v : bpm) {
        deviations.push_back(PulseDistance(v, side.tempo, threeTwo));
    }
    side.spread = Median(deviations);
    side.ok = true;
    return side;
}

} // namespace

double PulseDistance(double a, double b, bool threeTwo) {
    const double d = std::log2(a / b);
    double least = std::abs(d - std::round(d));
    if (threeTwo) {
        for (const double level : {std::log2(3.0), -std::log2(3.0)}) {
            least = std::min(least, std::abs(d - level - std::round(d - level)));
        }
    }
    return least;
}

std::vector<double> LevelOnsets(std::span<const float> blockPower) {
    std::vector<double> onsets(blockPower.size(), 0.0);
    double previous = kFloorDb;
    for (std::size_t i = 0; i < blockPower.size(); ++i) {
        const double db =
            std::max(kFloorDb, 10.0 * std::log10(static_cast<double>(blockPower[i]) + 1e-30));
        onsets[i] = i > 0 ? std::max(0.0, db - previous) : 0.0;
        previous = db;
    }
    return onsets;
}

LocalTempi ComputeLocalTempi(std::span<const double> onsets, double blockSeconds,
                             double windowSeconds, double strideSeconds) {
    LocalTempi out;
    out.strideSeconds = strideSeconds;
    out.windowSeconds = windowSeconds;
    if (!(blockSeconds > 0) || !(windowSeconds > 0) || !(strideSeconds > 0)) {
        return out;
    }
    const auto window = static_cast<std::size_t>(std::lround(windowSeconds / blockSeconds));
    if (window == 0 || onsets.size() < window) {
        return out;
    }
    for (double start = 0.0;; start += strideSeconds) {
        const auto first = static_cast<std::size_t>(std::lround(start / blockSeconds));
        if (first + window > onsets.size()) {
            break;
        }
        out.bpm.push_back(FittingTempo(onsets.subspan(first, window), blockSeconds));
    }
    return out;
}

double TempoChangeAt(const LocalTempi& tempi, double seconds, double sideSeconds,
                     const TempoReading& reading) {
    const Side before = SideOf(tempi, seconds - sideSeconds, seconds, reading.threeTwo);
    const Side after = SideOf(tempi, seconds, seconds + sideSeconds, reading.threeTwo);
    if (!before.ok || !after.ok || before.spread > reading.steadyOctaves ||
        after.spread > reading.steadyOctaves) {
        return 0.0;
    }
    const double change = PulseDistance(before.tempo, after.tempo, reading.threeTwo);
    return std::max(0.0, change - before.spread - after.spread);
}

} // namespace sundrel
