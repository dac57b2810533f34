#include "core/analysis/MixSignal.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <numeric>
#include <thread>
#include <vector>

namespace sundrel {

namespace {

constexpr std::int64_t kChunkFrames = 1 << 16;

// Folds frames [first, last) into `signal`; `first` is a multiple of both the decimation and
// the block length, so every output sample and block but the last is written by one range.
void FoldRange(const ElementSource& source, float perUnit, MixSignal& signal, std::int64_t first,
               std::int64_t last, std::atomic<std::int64_t>& done, std::stop_token stop) {
    const int channels = signal.channels;
    const std::int64_t d = signal.decimation;
    const std::int64_t b = signal.blockFrames;
    float monoSum = 0.0f;
    double powerSum = 0.0;
    // Counters rather than a division per frame: this loop runs for every frame of the mix.
    std::int64_t inMono = 0;
    std::int64_t inBlock = 0;
    auto monoAt = static_cast<std::size_t>(first / d);
    auto blockAt = static_cast<std::size_t>(first / b);
    std::vector<std::int32_t> elements;
    for (std::int64_t chunk = first; chunk < last; chunk += kChunkFrames) {
        if (stop.stop_requested()) {
            return;
        }
        const std::int64_t chunkEnd = std::min(last, chunk + kChunkFrames);
        elements.resize(static_cast<std::size_t>((chunkEnd - chunk) * channels));
        source(chunk, elements);
        const std::int32_t* element = elements.data();
        for (std::int64_t f = chunk; f < chunkEnd; ++f) {
            float frameSum = 0.0f;
            float frameSquares = 0.0f;
            for (int c = 0; c < channels; ++c) {
                const float v = static_cast<float>(*element++) * perUnit;
                frameSum += v;
                frameSquares += v * v;
            }
            monoSum += frameSum;
            powerSum += frameSquares;
            if (++inMono == d) {
                signal.mono[monoAt++] = monoSum / static_cast<float>(d * channels);
                monoSum = 0.0f;
                inMono = 0;
            }
            if (++inBlock == b || f + 1 == signal.frames) {
                signal.blockPower[blockAt++] =
                    static_cast<float>(powerSum / static_cast<double>(inBlock * channels));
                powerSum = 0.0;
                inBlock = 0;
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
    const std::int64_t frames = format.channels ? reader.ElementCount() / format.channels : 0;
    return ReadMixSignal(
        [&reader, &format](std::int64_t firstFrame, std::span<std::int32_t> out) {
            reader.Elements(firstFrame * format.channels, out);
        },
        frames, format, progress, stop);
}

MixSignal ReadMixSignal(const ElementSource& source, std::int64_t frames, const WaveFormat& format,
                        const AnalysisProgress& progress, std::stop_token stop) {
    MixSignal signal;
    signal.rate = format.sampleRate;
    signal.channels = format.channels;
    if (format.channels == 0 || format.sampleRate == 0) {
        return signal;
    }
    signal.frames = frames;
    const float perUnit =
        1.0f / static_cast<float>(SampleReader(std::span<const std::byte>{}, format).Scale());
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
                FoldRange(source, perUnit, signal, middle, signal.frames, done, stop);
            } catch (...) {
                helperError = std::current_exception();
            }
        });
        const std::int64_t total = std::max<std::int64_t>(1, signal.frames);
        const std::int64_t step = (kChunkFrames + unit - 1) / unit * unit;
        for (std::int64_t chunk = 0; chunk < middle && !stop.stop_requested(); chunk += step) {
            FoldRange(source, perUnit, signal, chunk, std::min(middle, chunk + step), done, stop);
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
