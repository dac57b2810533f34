#include "core/app/Preferences.h"

namespace sundrel::app {

bool ValidPreviewLengths(double before, double after) {
    // Written so that NaN fails every comparison.
    return before >= 0.0 && after >= 0.0 && before <= kLongestPreviewSeconds &&
           after <= kLongestPreviewSeconds && before + after > 0.0;
}

} // namespace sundrel::app
