#include "core/interop/NameText.h"

#include "core/interop/InteropLimits.h"
#include "core/interop/MarkerSet.h"

namespace sundrel {

std::string CleanName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x20 || b == 0x7F) {
            out += ' ';
        } else if (b == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            out += ' '; // U+0080..U+009F
            ++i;
        } else if (text.substr(i).starts_with("\xEF\xBB\xBF")) {
            out += ' '; // U+FEFF, a byte order mark left inside the text
            i += 2;
        } else {
            out += text[i];
        }
    }
    const std::size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

void CheckNameLength(std::string_view name, std::string_view what, std::size_t line) {
    if (name.size() > kMaxNameBytes) {
        throw InteropError(line, "the " + std::string(what) + " is longer than " +
                                     std::to_string(kMaxNameBytes) + " bytes");
    }
}

} // namespace sundrel
