#include "core/play/Transport.h"

#include "core/time/TimeCode.h"

#include <algorithm>

namespace sundrel {

StopOutcome StopTransport(bool autoJump) {
    StopOutcome out;
    out.label = FormatTime(0.0f);
    if (autoJump) {
        out.window = kOpeningWindow;
    }
    return out;
}

PauseOutcome PauseTransport(const std::string& labelText, float tickPosition, bool autoJump,
                            std::optional<double> stoppedAt) {
    PauseOutcome out;
    std::string text = labelText;
    if (stoppedAt) {
        text = FormatTime(static_cast<float>(*stoppedAt));
        out.label = text;
    }
    out.position = tickPosition;
    if (text.size() == 11) {
        CTimeCode time;
        time.Parse(text);
        out.position = static_cast<float>(time.GetSeconds());
    }
    if (autoJump) {
        out.window = WindowAround(out.position);
    }
    return out;
}

int TrackbarFor(double seconds, double duration) {
    if (!(duration > 0.0)) {
        return 0;
    }
    const float scaled = static_cast<float>(seconds * 1000.0);
    return TruncToInt32(static_cast<double>(scaled) / duration);
}

TickOutcome PositionTick(bool loaded, bool playing, float position, double duration,
                         std::optional<double> devicePosition) {
    TickOutcome out;
    if (!loaded || !playing) {
        return out;
    }
    double s = 0.0;
    if (devicePosition) {
        s = std::clamp(*devicePosition, 0.0, std::max(duration, 0.0));
        out.label = FormatTime(static_cast<float>(s));
    } else {
        if (!(duration > static_cast<double>(position))) {
            return out;
        }
        s = static_cast<double>(position) + 0.1;
    }
    out.moved = true;
    out.position = static_cast<float>(s);
    out.trackbar = TrackbarFor(s, duration);
    return out;
}

} // namespace sundrel
