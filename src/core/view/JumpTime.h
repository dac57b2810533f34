#pragma once

#include <cstdint>
#include <string>

namespace sundrel {

// Why a typed jump time was refused.
enum class JumpRefusal { None, BeyondEnd, Negative };

// A time typed into the Jump to time field, read as "h:mm:ss.mmm".
struct JumpRequest {
    double seconds = 0.0; // the time as read, before rounding to a float
    float jumpTime = 0.0f;
    JumpRefusal refusal = JumpRefusal::None;

    bool Accepted() const { return refusal == JumpRefusal::None; }
};

// Reads the field text and decides whether it lies within 0..maxTime. The upper bound is
// tested against the unrounded time, so a time that only rounds down to maxTime is refused.
JumpRequest ReadJumpTime(const std::string& text, float maxTime);

// How the field text is read, shown while the user types: the four fields as hours, minutes
// and seconds (so "3:15" shows as "3 h 0 min 0.015 s" and "195" as "0 h 0 min 0.195 s"), and
// why Jump would refuse it.
std::string JumpReading(const std::string& text, float maxTime);

// Where the main window goes after an accepted jump.
struct JumpTarget {
    float position = 0.0f;
    std::int32_t slider = 0; // position trackbar, tenths of a percent of the mix (0..1000)
    std::string label;       // text of the position label
    float viewFrom = 0.0f;   // visible window: one second either side of the position
    float viewTo = 0.0f;
};

// The position, trackbar value, label and view window for a jump to `time` in a mix of
// `length` seconds.
JumpTarget JumpTo(float time, double length);

} // namespace sundrel
