#include "core/interop/TextLines.h"

#include "core/interop/InteropLimits.h"
#include "core/interop/MarkerSet.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utf8cpp/utf8.h>

namespace sundrel {

namespace {

// Windows-1252's characters for 0x80..0x9F; the five bytes it leaves undefined keep their
// Latin-1 code points.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string FromCp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const char32_t cp = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char32_t{b};
        utf8::append(static_cast<std::uint32_t>(cp), std::back_inserter(out));
    }
    return out;
}

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) {
        throw InteropError(0, "is UTF-16 with an odd number of bytes");
    }
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    std::string out;
    try {
        utf8::utf16to8(units.begin(), units.end(), std::back_inserter(out));
    } catch (const utf8::exception&) {
        throw InteropError(0, "is broken UTF-16");
    }
    return out;
}

std::size_t LineAt(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++line;
        }
    }
    return line;
}

// True for text that reads as UTF-16 without a byte order mark: zero bytes at every other
// position (the high bytes of ASCII characters) and almost none between.
bool LooksLikeUtf16(std::string_view bytes) {
    std::size_t zeros[2] = {0, 0};
    const std::size_t n = std::min<std::size_t>(bytes.size() & ~std::size_t{1}, 4096);
    for (std::size_t i = 0; i < n; ++i) {
        zeros[i % 2] += bytes[i] == '\0' ? 1 : 0;
    }
    const std::size_t pairs = n / 2;
    return pairs > 0 && (std::max(zeros[0], zeros[1]) * 2 > pairs) &&
           std::min(zeros[0], zeros[1]) * 8 < pairs;
}

std::string Decode(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        const auto bad = utf8::find_invalid(bytes.begin(), bytes.end());
        if (bad != bytes.end()) {
            throw InteropError(LineAt(bytes, static_cast<std::size_t>(bad - bytes.begin())),
                               "is not UTF-8, though the file starts with the UTF-8 mark");
        }
        return std::string(bytes);
    }
    if (bytes.starts_with("\xFF\xFE")) {
        return FromUtf16(bytes.substr(2), false);
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return FromUtf16(bytes.substr(2), true);
    }
    if (LooksLikeUtf16(bytes)) {
        throw InteropError(0, "is UTF-16 text without a byte order mark, which cannot be told "
                              "apart safely; save it as UTF-8 (or as UTF-16 with the mark)");
    }
    if (utf8::is_valid(bytes.begin(), bytes.end())) {
        return std::string(bytes);
    }
    return FromCp1252(bytes);
}

} // namespace

std::vector<std::string> DecodeLines(std::string_view bytes) {
    if (bytes.size() > kMaxMarkerFileBytes) {
        throw InteropError(0, "is larger than " + std::to_string(kMaxMarkerFileBytes >> 20) +
                                  " MiB, too large for a marker file");
    }
    const std::string text = Decode(bytes);
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find_first_of("\r\n", begin);
        const std::size_t next =
            end == std::string::npos                                                ? text.size()
            : (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? end + 2
                                                                                    : end + 1;
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::size_t number = lines.size() + 1;
        if (number > kMaxMarkerFileLines) {
            throw InteropError(number, "the file has more than " +
                                           std::to_string(kMaxMarkerFileLines) + " lines");
        }
        const std::string_view line(text.data() + begin, end - begin);
        if (line.size() > kMaxMarkerLineBytes) {
            throw InteropError(number,
                               "is longer than " + std::to_string(kMaxMarkerLineBytes) + " bytes");
        }
        if (std::find(line.begin(), line.end(), '\0') != line.end()) {
            throw InteropError(number, "holds a zero byte");
        }
        lines.emplace_back(line);
        begin = next;
    }
    return lines;
}

} // namespace sundrel
