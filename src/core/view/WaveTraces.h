#pragma once

#include "core/audio/SampleReader.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// The point computation of the waveform image and the time ruler above it, without any
// drawing: the widget draws what these functions return.
namespace sundrel::view {

struct WavePoint {
    int x = 0;
    int y = 0;
};

// What one view shows: the element range and times of its window, and the image size.
struct WaveWindow {
    std::int64_t firstSample = 0;
    std::int64_t lastSample = 0;
    float from = 0.0f;
    float to = 0.0f;
    int width = 0;  // W
    int height = 0; // H
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
};

// Two polylines: the first trace around row `quarter` and, for more than one channel, the
// second around row `base2`. Each starts at x = 0 on its zero line.
struct WaveTraces {
    int quarter = 0;
    int base2 = 0;
    std::int64_t step = 0;
    std::vector<WavePoint> first;
    std::vector<WavePoint> second;
};

// Elements between two plotted points: about 15 points per pixel column per second of
// window. A window shorter than a second counts as one second, a zero width or a rate below
// the point density gives 1, and for stereo data the step is made even (a multiple of the
// channel count) so that each trace follows one channel. 0 only for an empty image.
std::int64_t TraceStep(const WaveWindow& window);

// Plots the window's elements. Indices outside the data are never read: the traces stop at
// the last element the data holds. `cancel`, when set by another thread, ends the work early
// (the result is then incomplete and should be thrown away).
WaveTraces ComputeWaveTraces(const SampleReader& reader, const WaveWindow& window,
                             const std::atomic<bool>* cancel = nullptr);

struct RulerTick {
    int x = 0;
    bool labelled = false; // a long tick with a time label (i = 0, 5, 10, 15, 20)
    std::string label;     // "h:mm:ss.mmm" of the tick's time when labelled
};

// The 21 ticks of the ruler over a view `clientWidth` pixels wide showing from..to.
std::array<RulerTick, 21> RulerTicks(float from, float to, int clientWidth);

} // namespace sundrel::view
