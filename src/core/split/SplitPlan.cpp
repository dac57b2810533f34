#include "core/split/SplitPlan.h"

#include <cstdio>

namespace sundrel {

std::string TrackName(int number, TrackFormat format) {
    char name[32];
    std::snprintf(name, sizeof name, "track%.2d%s", number, TrackExtension(format));
    return name;
}

} // namespace sundrel
