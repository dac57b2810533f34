#include "core/view/InputMath.h"

#include "core/time/TimeCode.h"

namespace sundrel::view {

float ClickTime(float from, float to, int x, int frameWidth) {
    if (frameWidth <= 0) {
        return static_cast<float>(from + 0.01);
    }
    const float along = (to - from) * static_cast<float>(x) / static_cast<float>(frameWidth);
    return static_cast<float>(along + from + 0.01);
}

int TrackbarValue(float position, double duration) {
    if (!(duration > 0.0)) {
        return 0;
    }
    const float f = position * 1000.0f;
    return TruncToInt32(static_cast<double>(f) / duration);
}

float TrackbarPosition(int value, double duration) {
    return static_cast<float>(duration * value * static_cast<double>(0.001f));
}

int ScrollMove(int thumb, float from, float to, double duration) {
    const auto fits = [&](float seconds) {
        const float end = to + seconds; // rounded to a float before the comparison
        return duration > static_cast<double>(end);
    };
    const auto startsAfterZero = [&](float seconds) { return from - seconds > 0.0f; };
    if (thumb >= 20) {
        return fits(2.0f) ? 2 : (fits(1.0f) ? 1 : 0);
    }
    if (thumb >= 15) {
        return fits(1.0f) ? 1 : 0;
    }
    if (thumb >= 6) {
        return 0;
    }
    if (thumb >= 2) {
        return startsAfterZero(1.0f) ? -1 : 0;
    }
    return startsAfterZero(2.0f) ? -2 : (startsAfterZero(1.0f) ? -1 : 0);
}

bool InPressBand(int x, int y, int clientWidth, int clientHeight) {
    return x > 0 && x < clientWidth && y > 26 && y < clientHeight - 26;
}

} // namespace sundrel::view
