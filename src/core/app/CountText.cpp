#include "core/app/CountText.h"

namespace sundrel::app {

std::string CountText(std::size_t n, std::string_view noun) {
    std::string text = std::to_string(n);
    text += ' ';
    text += noun;
    if (n != 1) {
        text += 's';
    }
    return text;
}

std::string SplitSummary(std::size_t tracks) {
    std::string text = CountText(tracks, "track");
    if (tracks == 1) {
        text += ": the whole mix";
    }
    return text;
}

} // namespace sundrel::app
