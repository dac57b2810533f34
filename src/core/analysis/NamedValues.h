#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace sundrel {

// Reads "name=value,name=value" into the members of `settings` that `fields` names (a
// settings struct of doubles: the analyses' tunings). Throws std::invalid_argument naming the
// part it cannot use (an unknown name, a value that is not a finite number >= 0) and then
// leaves `settings` as it was.
template <typename Settings, std::size_t N>
void ReadNamedValues(std::string_view text, Settings& settings,
                     const std::array<std::pair<std::string_view, double Settings::*>, N>& fields) {
    Settings out = settings;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const std::size_t eq = part.find('=');
        const std::string_view name = part.substr(0, eq);
        double* target = nullptr;
        for (const auto& [known, member] : fields) {
            if (name == known) {
                target = &(out.*member);
            }
        }
        std::string message = "tuning: ";
        message += part;
        if (target == nullptr || eq == std::string_view::npos) {
            message += ": expected NAME=VALUE with NAME one of ";
            for (std::size_t i = 0; i < N; ++i) {
                message += fields[i].first;
                message += i + 1 < N ? ", " : "";
            }
            throw std::invalid_argument(message);
        }
        const std::string_view value = part.substr(eq + 1);
        double v = 0.0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), v);
        if (error != std::errc{} || end != value.data() + value.size() || !std::isfinite(v) ||
            v < 0.0) {
            message += ": the value is not a number >= 0";
            throw std::invalid_argument(message);
        }
        *target = v;
    }
    settings = out;
}

} // namespace sundrel
