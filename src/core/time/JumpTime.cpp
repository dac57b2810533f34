#include "core/time/JumpTime.h"

#include "core/time/TimeCode.h"

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
    const float p = time * 1000.0f;
    target.slider = length > 0.0 ? TruncToInt32(static_cast<double>(p) / length) : 0;
    CTimeCode code;
    code.SetSeconds(time);
    target.label = code.Format();
    target.viewFrom = time - 1.0f;
    target.viewTo = time + 1.0f;
    return target;
}

} // namespace sundrel
