#include "core/view/TimeRuler.h"

#include "core/view/ZoomMath.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace sundrel::view {

namespace {

constexpr std::int64_t kUs = 1;
constexpr std::int64_t kMsUs = 1000 * kUs;
constexpr std::int64_t kSecUs = 1000 * kMsUs;
constexpr std::int64_t kMinUs = 60 * kSecUs;
constexpr std::int64_t kHourUs = 60 * kMinUs;
constexpr std::int64_t kDayUs = 24 * kHourUs;
constexpr double kMinMinorGapPx = 4.0;

struct Step {
    std::int64_t us; // the labelled step in microseconds
    int divisions;   // minor intervals per step
};

constexpr std::array kSteps{
    Step{10 * kUs, 5},    Step{20 * kUs, 4},    Step{50 * kUs, 5},    Step{100 * kUs, 5},
    Step{200 * kUs, 4},   Step{500 * kUs, 5},   Step{kMsUs, 5},       Step{2 * kMsUs, 4},
    Step{5 * kMsUs, 5},   Step{10 * kMsUs, 5},  Step{20 * kMsUs, 4},  Step{50 * kMsUs, 5},
    Step{100 * kMsUs, 5}, Step{200 * kMsUs, 4}, Step{500 * kMsUs, 5}, Step{kSecUs, 5},
    Step{2 * kSecUs, 4},  Step{5 * kSecUs, 5},  Step{10 * kSecUs, 5}, Step{15 * kSecUs, 3},
    Step{30 * kSecUs, 6}, Step{kMinUs, 6},      Step{2 * kMinUs, 4},  Step{5 * kMinUs, 5},
    Step{10 * kMinUs, 5}, Step{15 * kMinUs, 3}, Step{30 * kMinUs, 6}, Step{kHourUs, 6},
    Step{2 * kHourUs, 4}, Step{3 * kHourUs, 3}, Step{6 * kHourUs, 6}, Step{12 * kHourUs, 4},
    Step{kDayUs, 4},
};

// The smallest step whose ticks lie at least gapPx apart; beyond the table, whole days.
Step ChooseStep(double usPerPx, double gapPx) {
    for (const Step& step : kSteps) {
        if (static_cast<double>(step.us) / usPerPx >= gapPx) {
            return step;
        }
    }
    const double days = std::ceil(gapPx * usPerPx / static_cast<double>(kDayUs));
    return {static_cast<std::int64_t>(days) * kDayUs, 1};
}

// "h:mm:ss" and as many decimals as `stepUs` needs, from whole microseconds (exact: no
// float rounding can turn 0:00:01.000 into 0:00:00.999).
std::string FormatTick(std::int64_t us, std::int64_t stepUs) {
    const bool negative = us < 0;
    const std::int64_t a = negative ? -us : us;
    const std::int64_t seconds = a / kSecUs;
    char text[64];
    int n = std::snprintf(text, sizeof text, "%s%lld:%02lld:%02lld", negative ? "-" : "",
                          static_cast<long long>(seconds / 3600),
                          static_cast<long long>(seconds / 60 % 60),
                          static_cast<long long>(seconds % 60));
    int decimals = 6;
    for (std::int64_t rest = stepUs; decimals > 0 && rest % 10 == 0; rest /= 10) {
        --decimals;
    }
    if (decimals > 0 && n > 0) {
        decimals = std::max(decimals, 3); // milliseconds at least, as every time label shows
        std::int64_t fraction = a % kSecUs;
        for (int i = decimals; i < 6; ++i) {
            fraction /= 10;
        }
        std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ".%0*lld", decimals,
                      static_cast<long long>(fraction));
    }
    return text;
}

} // namespace

std::vector<Tick> RulerTicksFor(TimeWindow w, int width, int minLabelGapPx) {
    std::vector<Tick> ticks;
    const double span = w.to - w.from;
    // Beyond a million hours the microsecond counts below would lose their exactness.
    constexpr double kLimit = 3.6e9;
    if (width <= 0 || !(span > 0.0) || !(std::abs(w.from) < kLimit) || !(std::abs(w.to) < kLimit)) {
        return ticks;
    }
    const double usPerPx = span * 1e6 / static_cast<double>(width);
    const Step step = ChooseStep(usPerPx, std::max(1.0, static_cast<double>(minLabelGapPx)));
    int divisions = step.divisions;
    while (divisions > 1 && static_cast<double>(step.us / divisions) / usPerPx < kMinMinorGapPx) {
        divisions = divisions % 2 == 0 ? divisions / 2 : 1;
    }
    const std::int64_t minorUs = step.us / divisions;
    const auto first =
        static_cast<std::int64_t>(std::ceil(w.from * 1e6 / static_cast<double>(minorUs)));
    const auto last =
        static_cast<std::int64_t>(std::floor(w.to * 1e6 / static_cast<double>(minorUs)));
    std::vector<std::int64_t> majorUs;
    for (std::int64_t k = first; k <= last; ++k) {
        const std::int64_t us = k * minorUs;
        Tick tick;
        tick.x = std::clamp(XAtSeconds(w, static_cast<double>(us) * 1e-6, width), 0.0,
                            static_cast<double>(width));
        tick.major = us % step.us == 0;
        ticks.push_back(tick);
        majorUs.push_back(tick.major ? us : -1);
    }
    // Labels left to right, each kept only if its box clears the previous kept one; the last
    // major's box is reserved first, so the window's end is labelled as well as its start.
    const double gap = static_cast<double>(minLabelGapPx);
    std::size_t lastMajor = ticks.size();
    for (std::size_t i = ticks.size(); i-- > 0;) {
        if (ticks[i].major) {
            lastMajor = i;
            break;
        }
    }
    double previousRight = -1e300;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        if (!ticks[i].major) {
            continue;
        }
        const double left = LabelLeft(ticks[i].x, gap, width);
        const bool clearsLast =
            i == lastMajor || left + gap <= LabelLeft(ticks[lastMajor].x, gap, width);
        if (left >= previousRight && clearsLast) {
            ticks[i].label = FormatTick(majorUs[i], step.us);
            previousRight = left + gap;
        }
    }
    return ticks;
}

double LabelLeft(double x, double textWidth, int width) {
    const double room = static_cast<double>(width) - textWidth;
    if (!(room > 0.0)) {
        return 0.0;
    }
    return std::clamp(x - textWidth / 2.0, 0.0, room);
}

} // namespace sundrel::view
