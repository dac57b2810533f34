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

// The distance between two tempi in octaves, a whole number of octaves apart counting as none.
double OctaveDistance(double a, double b) {
    const double d = std::abs(std::log2(a / b));
    return std::abs(d - std::round(d));
}

struct Side {
    double median = 0;
    double spread = 0;
    bool ok = false;
};

Side SideOf(const LocalTempi& tempi, double from, double to) {
    std::vector<double> logs;
    for (std::size_t i = 0; i < tempi.bpm.size(); ++i) {
        const double start = static_cast<double>(i) * tempi.strideSeconds;
        if (start >= from && start + tempi.windowSeconds <= to && tempi.bpm[i] > 0) {
            logs.push_back(tempi.bpm[i]);
        }
    }
    if (logs.size() < kMinWindows) {
        return {};
    }
    // The median in log2, each tempo first brought within half an octave of the first one, so
    // that a window read at double speed does not pull the median away.
    const double reference = std::log2(logs.front());
    for (double& v : logs) {
        v = std::log2(v);
        v -= std::round(v - reference);
    }
    Side side;
    side.median = Median(logs);
    std::vector<double> deviations;
    for (const double v : logs) {
        deviations.push_back(OctaveDistance(std::exp2(v), std::exp2(side.median)));
    }
    side.spread = Median(deviations);
    side.ok = true;
    return side;
}

} // namespace

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

double TempoChangeAt(const LocalTempi& tempi, double seconds, double sideSeconds) {
    const Side before = SideOf(tempi, seconds - sideSeconds, seconds);
    const Side after = SideOf(tempi, seconds, seconds + sideSeconds);
    if (!before.ok || !after.ok) {
        return 0.0;
    }
    const double change = OctaveDistance(std::exp2(before.median), std::exp2(after.median));
    return std::max(0.0, change - before.spread - after.spread);
}

} // namespace sundrel
