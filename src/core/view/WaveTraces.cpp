#include "core/view/WaveTraces.h"

#include "core/time/TimeCode.h"

#include <algorithm>
#include <cstdlib>

namespace sundrel::view {

std::int64_t TraceStep(const WaveWindow& window) {
    if (window.width <= 0 || window.height <= 0) {
        return 0;
    }
    const auto span = std::max<std::int64_t>(1, static_cast<std::int64_t>(window.to - window.from));
    const std::int64_t perSecond = std::max<std::int64_t>(1, window.width * 15LL / span);
    std::int64_t step = std::max<std::int64_t>(1, window.sampleRate / perSecond);
    if (window.channels > 1 && step % window.channels != 0) {
        step += window.channels - step % window.channels;
    }
    return step;
}

namespace {

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

// Plots elements start, start + step, ... up to `end` (exclusive) around row `zero`.
void Trace(const SampleReader& reader, const WaveWindow& w, std::int64_t start, std::int64_t end,
           std::int64_t step, int zero, int quarter, std::vector<WavePoint>& out,
           const std::atomic<bool>* cancel) {
    out.push_back({0, zero});
    const std::int64_t n = w.lastSample - w.firstSample;
    if (n <= 0 || step <= 0) {
        return;
    }
    end = std::min(end, reader.ElementCount());
    const auto nf = static_cast<float>(n);
    const auto width = static_cast<float>(w.width);
    const std::int64_t scale = reader.Scale();
    std::int64_t count = 0;
    for (std::int64_t pos = std::max<std::int64_t>(start, 0); pos < end; pos += step) {
        if ((++count & 0xFFF) == 0 && Cancelled(cancel)) {
            return;
        }
        const auto v =
            static_cast<std::int16_t>(std::int64_t{reader.Element(pos)} * quarter / scale);
        const auto x = static_cast<int>(static_cast<float>(pos - w.firstSample) / nf * width);
        out.push_back({x, zero - v});
    }
}

} // namespace

WaveTraces ComputeWaveTraces(const SampleReader& reader, const WaveWindow& window,
                             const std::atomic<bool>* cancel) {
    WaveTraces traces;
    traces.step = TraceStep(window);
    traces.quarter = window.height / 4;
    traces.base2 = traces.quarter / 2 + 2 * traces.quarter;
    if (traces.step == 0) {
        return traces;
    }
    Trace(reader, window, window.firstSample, window.lastSample, traces.step, traces.quarter,
          traces.quarter, traces.first, cancel);
    if (window.channels > 1) {
        // The second trace starts one element later and includes the window's last element.
        Trace(reader, window, window.firstSample + 1, window.lastSample + 1, traces.step,
              traces.base2, traces.quarter, traces.second, cancel);
    }
    return traces;
}

std::array<RulerTick, 21> RulerTicks(float from, float to, int clientWidth) {
    std::array<RulerTick, 21> ticks;
    for (int i = 0; i <= 20; ++i) {
        RulerTick& tick = ticks[static_cast<std::size_t>(i)];
        const float t = (to - from) * static_cast<float>(i) * 0.05f + from;
        tick.x = TruncToInt32(static_cast<float>(clientWidth * i) * 0.05f);
        tick.labelled = i % 5 == 0;
        if (tick.labelled) {
            tick.label = FormatTime(t);
        }
    }
    return ticks;
}

} // namespace sundrel::view
