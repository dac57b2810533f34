#include "core/time/JumpTime.h"

#include "core/time/TimeCode.h"
#include "core/view/TimeWindow.h"

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

JumpTarget JumpTo(float time, double length) {
    JumpTarget target;
    target.position = time;
    target.slider = view::TrackbarValue(time, length);
    target.label = FormatTime(time);
    const TimeWindow window = WindowAround(time);
    target.viewFrom = static_cast<float>(window.from);
    target.viewTo = static_cast<float>(window.to);
    return target;
}

} // namespace sundrel
