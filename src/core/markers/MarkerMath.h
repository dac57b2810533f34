#pragma once

#include <cstddef>
#include <cstdint>

// The arithmetic that ties a marker (a percentage of the audio data) to a position in seconds
// and to the position trackbar. Window, command line and project files all go through these
// functions, so the same position always gives the same float.
namespace sundrel {

// The single-precision constant nearest 0.01 (0.00999999977648258209228515625), used wherever
// a percentage is turned into seconds or bytes.
inline constexpr float kPercentFactor = 0.01f;

// A project file stores the marker count in one byte: the list never holds more markers than
// this (the start marker included).
inline constexpr std::size_t kMaxMarkers = 255;

// The marker of a position t in a mix of `duration` seconds: t * 100 rounded to a float,
// divided by the duration in extended precision, rounded to a float.
float PercentOfPosition(float seconds, double duration);

// The position of a marker: duration * percent * 0.01f in extended precision, rounded to a
// float.
float PositionOfMarker(float percent, double duration);

// The position trackbar step (0..1000, tenths of a percent) of a marker, truncated.
std::int32_t SliderStep(float percent);

// Why Add Marker may refuse a position.
enum class AddMarkerCheck {
    Ok,
    TooCloseToBegin, // less than 1 s after the start
    TooCloseToEnd,   // less than 1 s before the end
    ListFull,        // the list already holds kMaxMarkers markers (254 besides the start)
};

// Add Marker's limits: the position must be at least 1 s from either end (exactly 1 s is
// accepted), and the list must have room for one more marker.
AddMarkerCheck CheckAddMarker(float position, double duration, std::size_t count);

// The message box text for a refusal ("" for Ok).
const char* AddMarkerMessage(AddMarkerCheck check);

// Where selecting a marker puts the window: trackbar step, position, and a visible window of
// one second either side of it.
struct MarkerView {
    std::int32_t slider = 0;
    double position = 0.0; // a percentage marker's float position, a frame marker's exact time
    double viewFrom = 0.0;
    double viewTo = 0.0;
};
MarkerView ViewOfMarker(float percent, double duration);

} // namespace sundrel
