#pragma once

#include <optional>
#include <string_view>

namespace sundrel {

// Reads a time typed on the command line: plain seconds ("185.5") or [[h:]m:]s[.fff]
// ("3:05.5", "1:02:03.250"), the digits after the point being a decimal fraction of a second.
// Minutes and seconds after a colon must be below 60. Returns nothing for any other text
// (signs, spaces, empty fields, exponents, values too large to be a time).
std::optional<double> ParseClockTime(std::string_view text);

} // namespace sundrel
