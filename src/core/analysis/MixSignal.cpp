#include "core/analysis/MixSignal.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <numeric>
#include <thread>

namespace sundrel {

namespace {

constexpr std::int64_t kChunkFrames = 1 << 16;

// Folds frames [first, last) into `signal`; `first` is a multiple of both the decimation and
// the block length, so every output sample and block but the last is written by one range.
void FoldRange(const SampleReader& reader, MixSignal& signal, std::int64_t first, std::int64_t last,
               std::atomic<std::int64_t>& done, std::stop_token stop) {
    const int channels = signal.channels;
    const auto scale = static_cast<float>(reader.Scale());
    const std::int64_t d = signal.decimation;
    const std::int64_t b = signal.blockFrames;
    float monoSum = 0.0f;
    double powerSum = 0.0;
    for (std::int64_t chunk = first; chunk < last; chunk += kChunkFrames) {
        if (stop.stop_requested()) {
            return;
        }
        const std::int64_t chunkEnd = std::min(last, chunk + kChunkFrames);
        for (std::int64_t f = chunk; f < chunkEnd; ++f) {
            float frameSum = 0.0f;
            float frameSquares = 0.0f;
            for (int c = 0; c < channels; ++c) {
                const float v = static_cast<float>(reader.Element(f * channels + c)) / scale;
                frameSum += v;
                frameSquares += v * v;
            }
            monoSum += frameSum;
            powerSum += frameSquares;
            if ((f + 1) % d == 0) {
                signal.mono[static_cast<std::size_t>(f / d)] =
                    monoSum / static_cast<float>(d * channels);
                monoSum = 0.0f;
            }
            if ((f + 1) % b == 0 || f + 1 == signal.frames) {
                const std::int64_t n = f % b + 1;
                signal.blockPower[static_cast<std::size_t>(f / b)] =
                    static_cast<float>(powerSum / static_cast<double>(n * channels));
                powerSum = 0.0;
            }
        }
        done.fetch_add(chunkEnd - chunk, std::memory_order_relaxed);
    }
}

} // namespace

std::uint32_t AnalysisDecimation(std::uint32_t rate) {
    return std::max(1u, rate / 11025u);
}

MixSignal ReadMixSignal(const SampleReader& reader, const WaveFormat& format,
                        const AnalysisProgress& progress, std::stop_token stop) {
    MixSignal signal;
    signal.rate = format.sampleRate;
    signal.channels = format.channels;
    if (format.channels == 0 || format.sampleRate == 0) {
        return signal;
    }
    signal.frames = reader.ElementCount() / format.channels;
    signal.decimation = AnalysisDecimation(format.sampleRate);
    signal.blockFrames = std::max(1u, format.sampleRate / 100u);
    signal.mono.assign(static_cast<std::size_t>(signal.frames / signal.decimation), 0.0f);
    signal.blockPower.assign(
        static_cast<std::size_t>((signal.frames + signal.blockFrames - 1) / signal.blockFrames),
        0.0f);

    // Two halves, split on a frame where both a mono sample and a block begin.
    const std::int64_t unit = std::lcm<std::int64_t>(signal.decimation, signal.blockFrames);
    const std::int64_t middle = signal.frames / 2 / unit * unit;
    std::atomic<std::int64_t> done{0};
    std::exception_ptr helperError;
    {
        std::jthread helper([&] {
            try {
                FoldRange(reader, signal, middle, signal.frames, done, stop);
            } catch (...) {
                helperError = std::current_exception();
            }
        });
        const std::int64_t total = std::max<std::int64_t>(1, signal.frames);
        const std::int64_t step = (kChunkFrames + unit - 1) / unit * unit;
        for (std::int64_t chunk = 0; chunk < middle && !stop.stop_requested(); chunk += step) {
            FoldRange(reader, signal, chunk, std::min(middle, chunk + step), done, stop);
            if (progress) {
                progress(static_cast<double>(done.load(std::memory_order_relaxed)) /
                         static_cast<double>(total));
            }
        }
    }
    if (helperError) {
        std::rethrow_exception(helperError);
    }
    if (stop.stop_requested()) {
        throw AnalysisCancelled();
    }
    if (progress) {
        progress(1.0);
    }
    return signal;
}

} // namespace sundrel
