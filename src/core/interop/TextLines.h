#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sundrel {

// The lines of a marker file as UTF-8: element i is line i + 1 of the file.
//
// The bytes are UTF-8 (a leading byte order mark is dropped), UTF-16 with its byte order mark,
// or, when they are not valid UTF-8 and carry no mark, Windows-1252 (Latin-1 with the
// typographic quotes and dashes in 0x80..0x9F that Windows editors write). Lines end in LF,
// CRLF or a lone CR. Throws InteropError for a file or line beyond the limits of
// InteropLimits.h, a zero byte (with its line), a file marked UTF-8 that is not, or broken
// UTF-16.
std::vector<std::string> DecodeLines(std::string_view bytes);

} // namespace sundrel
