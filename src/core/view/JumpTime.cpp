#include "core/view/JumpTime.h"

#include "core/time/TimeCode.h"
#include "core/view/InputMath.h"
#include "core/view/TimeWindow.h"

#include <cstdio>

namespace sundrel {

JumpRequest ReadJumpTime(const std::string& text, float maxTime) {
    CTimeCode code;
    code.Parse(text);
    JumpRequest request;
    request.seconds = code.GetSeconds();
    request.jumpTime = static_cast<float>(request.seconds);
    if (request.seconds > static_cast<double>(maxTime)) {
        request.refusal = JumpRefusal::BeyondEnd;
    } else if (request.seconds < 0.0) {
        // Playback and the view need a position inside the mix.
        request.refusal = JumpRefusal::Negative;
    }
    return request;
}

std::string JumpReading(const std::string& text, float maxTime) {
    CTimeCode code;
    code.Parse(text);
    // The seconds field and the millisecond count together, to the millisecond.
    const std::int64_t ms = std::int64_t{code.m_nSeconds} * 1000 + code.m_nMilliseconds;
    const std::int64_t whole = ms / 1000;
    const std::int64_t part = ms % 1000;
    char seconds[48];
    std::snprintf(seconds, sizeof seconds, "%s%lld.%03lld", ms < 0 ? "-" : "",
                  static_cast<long long>(whole < 0 ? -whole : whole),
                  static_cast<long long>(part < 0 ? -part : part));
    std::string reading = "Read as " + std::to_string(code.m_nHours) + " h " +
                          std::to_string(code.m_nMinutes) + " min " + seconds + " s";
    // A refused time is said as the time it stands for, against the mix's length.
    const std::int64_t total =
        ((std::int64_t{code.m_nHours} * 60 + code.m_nMinutes) * 60) * 1000 + ms;
    switch (ReadJumpTime(text, maxTime).refusal) {
    case JumpRefusal::BeyondEnd:
        reading = FormatFrameTime(total, 1000);
        reading += " is past the end of the mix, ";
        reading += FormatTime(maxTime);
        break;
    case JumpRefusal::Negative:
        reading += ": before the start of the mix";
        break;
    case JumpRefusal::None:
        break;
    }
    return reading;
}

JumpTarget JumpTo(float time, double length) {
    JumpTarget target;
    target.position = time;
    target.slider = view::TrackbarValue(time, length);
    target.label = FormatTime(time);
    const TimeWindow window = WindowAround(time);
    target.viewFrom = static_cast<float>(window.from); // float ends, held exactly
    target.viewTo = static_cast<float>(window.to);
    return target;
}

} // namespace sundrel
