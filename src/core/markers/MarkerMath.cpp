#include "core/markers/MarkerMath.h"

#include "core/time/TimeCode.h"
#include "core/view/TimeWindow.h"

namespace sundrel {

float PercentOfPosition(float seconds, double duration) {
    const float scaled = seconds * 100.0f; // rounded to a float before the division
    return static_cast<float>(static_cast<long double>(scaled) /
                              static_cast<long double>(duration));
}

float PositionOfMarker(float percent, double duration) {
    return static_cast<float>(static_cast<long double>(duration) *
                              static_cast<long double>(percent) *
                              static_cast<long double>(kPercentFactor));
}

std::int32_t SliderStep(float percent) {
    // A float times 10 is exact in double, so this truncates the true product.
    return TruncToInt32(static_cast<double>(percent) * 10.0);
}

AddMarkerCheck CheckAddMarker(float position, double duration, std::size_t count) {
    if (position < 1.0f) {
        return AddMarkerCheck::TooCloseToBegin;
    }
    const float end = position + 1.0f;
    if (duration < static_cast<double>(end)) {
        return AddMarkerCheck::TooCloseToEnd;
    }
    if (count >= kMaxMarkers) {
        return AddMarkerCheck::ListFull;
    }
    return AddMarkerCheck::Ok;
}

const char* AddMarkerMessage(AddMarkerCheck check) {
    switch (check) {
    case AddMarkerCheck::TooCloseToBegin:
        return "You can't set Marker at the begin point";
    case AddMarkerCheck::TooCloseToEnd:
        return "You can't set Marker at the end point";
    case AddMarkerCheck::ListFull:
        return "You can't set more than 254 Markers";
    case AddMarkerCheck::Ok:
        break;
    }
    return "";
}

MarkerView ViewOfMarker(float percent, double duration) {
    MarkerView view;
    view.slider = SliderStep(percent);
    view.position = PositionOfMarker(percent, duration);
    const TimeWindow window = WindowAround(static_cast<float>(view.position));
    view.viewFrom = window.from;
    view.viewTo = window.to;
    return view;
}

} // namespace sundrel
