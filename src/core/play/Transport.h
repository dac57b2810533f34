#pragma once

// The transport's rules without any window: where Stop and Pause leave the position and the
// visible window, and the position tick.

#include "core/view/TimeWindow.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sundrel {

// Where Stop leaves things: position 0, trackbar 0, label "0:00:00.000" and, with Auto Jump,
// the window 0..2 s. Playback that reaches the end by itself ends the same way.
struct StopOutcome {
    float position = 0.0f;
    int trackbar = 0;
    std::string label;
    std::optional<TimeWindow> window;
};

StopOutcome StopTransport(bool autoJump);

// Where Pause leaves things. The position is read back from the label when it has exactly
// 11 characters ("h:mm:ss.mmm"); otherwise it stays at `tickPosition`. When the device clock
// gave `stoppedAt` (where the sound stopped), the label is first rewritten to that time, so
// a later Play resumes where the sound stopped, to the millisecond the label shows.
// With Auto Jump the window becomes position - 1 .. position + 1.
struct PauseOutcome {
    float position = 0.0f;
    std::optional<std::string> label; // the new label text, when it changes
    std::optional<TimeWindow> window;
};

PauseOutcome PauseTransport(const std::string& labelText, float tickPosition, bool autoJump,
                            std::optional<double> stoppedAt = std::nullopt);

// One 100 ms tick while a mix is loaded and playing. With the device clock (`devicePosition`)
// the position, trackbar and label follow what has been heard, held at the duration.
// Without it the position advances by 0.1 s (s = position + 0.1 in double precision) until it
// reaches the duration, and the label is left alone. The trackbar shows
// trunc(float(s x 1000) / duration).
struct TickOutcome {
    bool moved = false; // false: nothing changes
    float position = 0.0f;
    int trackbar = 0;
    std::optional<std::string> label;
};

TickOutcome PositionTick(bool loaded, bool playing, float position, double duration,
                         std::optional<double> devicePosition = std::nullopt);

// The trackbar step (0..1000) of a position.
int TrackbarFor(double seconds, double duration);

} // namespace sundrel
