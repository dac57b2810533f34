#include "core/analysis/SuggestTuning.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace sundrel {

void ParseTuning(std::string_view text, SuggestTuning& tuning) {
    SuggestTuning out = tuning;
    const std::array<std::pair<std::string_view, double SuggestTuning::*>, 11> fields{{
        {"penalty", &SuggestTuning::penaltyPerLogHop},
        {"length-prior", &SuggestTuning::lengthPrior},
        {"novelty-bonus", &SuggestTuning::noveltyBonus},
        {"sudden-bonus", &SuggestTuning::suddenBonus},
        {"tile-bonus", &SuggestTuning::tileBonus},
        {"key-bonus", &SuggestTuning::keyBonus},
        {"tempo-bonus", &SuggestTuning::tempoBonus},
        {"min-share", &SuggestTuning::minShareOfMean},
        {"silence-mix", &SuggestTuning::silenceMixFactor},
        {"silence-evidence", &SuggestTuning::silenceEvidence},
        {"sharpness", &SuggestTuning::sharpness},
    }};
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
            message +=
                ": expected NAME=VALUE with NAME one of penalty, length-prior, "
                "novelty-bonus, sudden-bonus, tile-bonus, key-bonus, tempo-bonus, min-share, "
                "silence-mix, "
                "silence-evidence, sharpness";
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
    tuning = out;
}

SuggestTuning BuiltInTuning(bool countKnown) {
    SuggestTuning tuning;
    if (!countKnown) {
        tuning.tileBonus = 0.0;
        tuning.keyBonus = 0.0;
        tuning.silenceEvidence = 0.5;
    }
    return tuning;
}

} // namespace sundrel
