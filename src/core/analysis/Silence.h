#pragma once

#include "core/analysis/MixSignal.h"
#include "core/audio/SampleReader.h"

#include <cstdint>
#include <vector>

namespace sundrel {

// A silent stretch: frames [first, end).
struct SilentStretch {
    std::int64_t first = 0;
    std::int64_t end = 0;
    double loudestBlockDb = 0.0; // the loudest 10 ms block inside, dB of full-scale power

    std::int64_t Middle() const { return first + (end - first) / 2; }
};

// The stretches in which every 10 ms block's power lies below `thresholdDb` (dB relative to
// full-scale power, where a full-scale square wave is 0 dB) and that last at least
// `minSeconds`. Silence at the very start or end of the mix is no boundary and is left out.
// Each edge is refined to the frame: a stretch starts after the last frame, and ends at the
// first frame, whose sample on any channel exceeds the threshold amplitude with 12 dB of room
// for the peaks of a noise floor.
std::vector<SilentStretch> FindSilences(const MixSignal& signal, const SampleReader& reader,
                                        double thresholdDb, double minSeconds);
// The same with the samples read from `source` (whose elements lie on `scale`, see
// SampleReader::Scale): only the frames around each edge are read, a few blocks per silence.
std::vector<SilentStretch> FindSilences(const MixSignal& signal, const ElementSource& source,
                                        std::int32_t scale, double thresholdDb, double minSeconds);

} // namespace sundrel
