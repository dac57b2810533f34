#include "core/view/PositionKeys.h"

namespace sundrel::view {

double NudgeSeconds(bool ctrl, bool alt, bool shift) {
    if (shift) {
        return 10.0;
    }
    if (alt) {
        return 0.01;
    }
    return ctrl ? 0.1 : 1.0;
}

} // namespace sundrel::view
