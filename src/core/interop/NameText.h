#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sundrel {

// A title or artist as marker files hold it: every control character (C0, DEL and C1, tabs
// and line breaks included) becomes a space, since no line-based format can hold one, and so
// does U+FEFF (a byte order mark inside text, which a writer would put at the start of a file
// where it reads as the mark); the spaces at either end are dropped. `text` must be UTF-8.
std::string CleanName(std::string_view text);

// Throws InteropError(line, ...) when `name` is longer than kMaxNameBytes; `what` names it
// in the message ("title", "artist", ...).
void CheckNameLength(std::string_view name, std::string_view what, std::size_t line);

} // namespace sundrel
