#pragma once

#include "core/audio/SampleReader.h"

#include <cstdint>
#include <span>
#include <vector>

// What a zoomed waveform view draws, without any drawing: the samples of each lane as values
// in [-1, 1], and their min/max/RMS per pixel column.
namespace sundrel::view {

// The lanes a mix is drawn in: stereo in two (left above right), anything else in one (a
// mono mix as it is, more than two channels folded to their mean).
int LaneCount(std::uint16_t channels);

// The frames `reader` holds, lane by lane, on the scale [-1, 1] (element / reader.Scale()).
std::vector<std::vector<float>> LaneSamples(const SampleReader& reader, std::uint16_t channels);

// One pixel column: the lowest and highest sample and the RMS, each on [-1, 1].
struct ColumnPeak {
    float min = 0.0f;
    float max = 0.0f;
    float rms = 0.0f;
    bool ready = false; // false: nothing known about this column (drawn empty)
};

// Column c covers samples floor(first + c * perColumn) .. floor(first + (c + 1) * perColumn)
// (at least one), `first` counted in samples of `lane`; columns past the lane's end are not
// ready.
std::vector<ColumnPeak> SampleColumns(std::span<const float> lane, double first, double perColumn,
                                      int columns);

} // namespace sundrel::view
