#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace sundrel {

// Small scanners the marker file readers share.

// `text` without the spaces and tabs at either end.
std::string_view TrimBlanks(std::string_view text);

// The value of `text` when it is 1 to `maxDigits` ASCII digits and nothing else (maxDigits is
// at most 18, so the value always fits).
std::optional<std::int64_t> ParseDigits(std::string_view text, std::size_t maxDigits);

// Splits off the first word (up to a space or tab) of `text`, which must start with no blank;
// `text` keeps the rest without its leading blanks.
std::string_view TakeWord(std::string_view& text);

// Shortens text quoted in an error message to at most 40 bytes, on a UTF-8 character boundary.
std::string_view Excerpt(std::string_view text);

} // namespace sundrel
