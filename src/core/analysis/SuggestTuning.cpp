#include "core/analysis/SuggestTuning.h"

#include "core/analysis/NamedValues.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace sundrel {

void ParseTuning(std::string_view text, SuggestTuning& tuning) {
    const std::array<std::pair<std::string_view, double SuggestTuning::*>, 12> fields{{
        {"penalty", &SuggestTuning::penaltyPerLogHop},
        {"length-prior", &SuggestTuning::lengthPrior},
        {"novelty-bonus", &SuggestTuning::noveltyBonus},
        {"sudden-bonus", &SuggestTuning::suddenBonus},
        {"tile-bonus", &SuggestTuning::tileBonus},
        {"key-bonus", &SuggestTuning::keyBonus},
        {"tempo-bonus", &SuggestTuning::tempoBonus},
        {"blend-bonus", &SuggestTuning::blendBonus},
        {"min-share", &SuggestTuning::minShareOfMean},
        {"silence-mix", &SuggestTuning::silenceMixFactor},
        {"silence-evidence", &SuggestTuning::silenceEvidence},
        {"sharpness", &SuggestTuning::sharpness},
    }};
    ReadNamedValues(text, tuning, fields);
}

SuggestTuning BuiltInTuning(bool countKnown) {
    SuggestTuning tuning;
    if (!countKnown) {
        tuning.tileBonus = 0.0;
        tuning.keyBonus = 0.0;
        tuning.blendBonus = 0.0;
    }
    return tuning;
}

} // namespace sundrel
