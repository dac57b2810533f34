#include "core/time/ClockTime.h"

#include <cstddef>
#include <vector>

namespace sundrel {

namespace {

// Whole number from a non-empty run of decimal digits; nothing if it has more than 9 digits.
std::optional<double> Digits(std::string_view s) {
    if (s.empty() || s.size() > 9) {
        return std::nullopt;
    }
    double value = 0.0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10.0 + (c - '0');
    }
    return value;
}

// Decimal fraction from the digits after the point ("5" is 0.5, "250" is 0.25), correctly
// rounded: the digits as a whole number divided by a power of ten.
std::optional<double> Fraction(std::string_view s) {
    const auto whole = Digits(s);
    if (!whole) {
        return std::nullopt;
    }
    double scale = 1.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        scale *= 10.0;
    }
    return *whole / scale;
}

} // namespace

std::optional<double> ParseClockTime(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = text.find(':', start);
        fields.push_back(text.substr(start, colon - start));
        if (colon == std::string_view::npos) {
            break;
        }
        start = colon + 1;
    }
    if (fields.size() > 3) {
        return std::nullopt;
    }

    // The seconds field may carry the fraction.
    std::string_view secondsText = fields.back();
    double fraction = 0.0;
    if (const std::size_t point = secondsText.find('.'); point != std::string_view::npos) {
        const auto f = Fraction(secondsText.substr(point + 1));
        if (!f) {
            return std::nullopt;
        }
        fraction = *f;
        secondsText = secondsText.substr(0, point);
    }
    const auto seconds = Digits(secondsText);
    if (!seconds) {
        return std::nullopt;
    }
    double total = *seconds + fraction;
    if (fields.size() == 1) {
        return total;
    }
    if (*seconds >= 60.0) {
        return std::nullopt;
    }
    const auto minutes = Digits(fields[fields.size() - 2]);
    if (!minutes) {
        return std::nullopt;
    }
    if (fields.size() == 3) {
        const auto hours = Digits(fields[0]);
        if (!hours || *minutes >= 60.0) {
            return std::nullopt;
        }
        total += *hours * 3600.0;
    }
    return total + *minutes * 60.0;
}

} // namespace sundrel
