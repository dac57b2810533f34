#include "core/interop/ExactTimeMath.h"

#include <limits>
#include <stdexcept>

namespace sundrel {

namespace {

__extension__ typedef __int128 Wide;

void CheckUnit(std::int64_t perSecond) {
    if (perSecond <= 0) {
        throw std::invalid_argument("a time unit must be a positive fraction of a second");
    }
}

// round(numerator / denominator) with halves up, for a positive denominator. The product of
// two 64-bit values fits, but twice it may not, so the remainder decides the rounding.
Wide NearestQuotient(Wide numerator, Wide denominator) {
    Wide q = numerator / denominator;
    Wide r = numerator % denominator;
    if (r < 0) {
        --q; // floor, not truncation toward zero
        r += denominator;
    }
    return 2 * r >= denominator ? q + 1 : q;
}

std::int64_t Clamp64(Wide value) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if (value > kMax) {
        return kMax;
    }
    if (value < kMin) {
        return kMin;
    }
    return static_cast<std::int64_t>(value);
}

} // namespace

std::int64_t FrameOf(ExactTime time, std::uint32_t rate) {
    CheckUnit(time.perSecond);
    CheckUnit(rate);
    return Clamp64(NearestQuotient(Wide{time.ticks} * rate, time.perSecond));
}

ExactTime TimeOfFrame(std::int64_t frame, std::uint32_t rate) {
    CheckUnit(rate);
    return {frame, rate};
}

ExactTime Rescaled(ExactTime time, std::int64_t perSecond) {
    CheckUnit(time.perSecond);
    CheckUnit(perSecond);
    return {Clamp64(NearestQuotient(Wide{time.ticks} * perSecond, time.perSecond)), perSecond};
}

int CompareTimes(ExactTime a, ExactTime b) {
    CheckUnit(a.perSecond);
    CheckUnit(b.perSecond);
    const Wide left = Wide{a.ticks} * b.perSecond;
    const Wide right = Wide{b.ticks} * a.perSecond;
    return left < right ? -1 : left > right ? 1 : 0;
}

} // namespace sundrel
