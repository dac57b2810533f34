#include "core/trackinfo/TrackInfoTuning.h"

#include "core/analysis/NamedValues.h"

#include <array>
#include <utility>

namespace sundrel {

void ParseTrackInfoTuning(std::string_view text, TrackInfoTuning& tuning) {
    const std::array<std::pair<std::string_view, double TrackInfoTuning::*>, 5> fields{{
        {"salience", &TrackInfoTuning::minBeatSalience},
        {"harmonics", &TrackInfoTuning::harmonics},
        {"prior-width", &TrackInfoTuning::priorWidth},
        {"onset-cap", &TrackInfoTuning::onsetCap},
        {"tonal-share", &TrackInfoTuning::minTonalShare},
    }};
    ReadNamedValues(text, tuning, fields);
}

} // namespace sundrel
