#include "core/trackinfo/TrackAnalysis.h"

#include "core/audio/SampleReader.h"
#include "core/split/TrackWorkers.h"
#include "core/trackinfo/Tempo.h"
#include "core/trackinfo/TrackChroma.h"
#include "core/trackinfo/TruePeak.h"

#include <algorithm>
#include <cmath>

namespace sundrel {

namespace {

// Frames read at a time: a multiple of every decimation.
constexpr std::int64_t kChunkFrames = 1 << 16;

} // namespace

bool TrackInfo::HasLoudness() const {
    return std::isfinite(loudness.integrated);
}

TrackInfo AnalyseTrack(const ElementSource& source, std::int64_t firstFrame, std::int64_t frames,
                       const WaveFormat& format, std::stop_token stop,
                       const TrackInfoTuning& tuning) {
    return AnalyseTrackWith(source, firstFrame, frames, format, {&tuning, 1}, stop).front();
}

std::vector<TrackInfo> AnalyseTrackWith(const ElementSource& source, std::int64_t firstFrame,
                                        std::int64_t frames, const WaveFormat& format,
                                        std::span<const TrackInfoTuning> tunings,
                                        std::stop_token stop) {
    TrackInfo info;
    const unsigned channels = format.channels;
    if (channels == 0 || format.sampleRate == 0 || frames <= 0 || tunings.empty()) {
        return std::vector<TrackInfo>(std::max<std::size_t>(tunings.size(), 1), info);
    }
    const std::uint32_t decimation = AnalysisDecimation(format.sampleRate);
    const float scale =
        1.0f / static_cast<float>(SampleReader(std::span<const std::byte>{}, format).Scale());
    const float foldScale = scale / static_cast<float>(channels * decimation);
    LoudnessMeter meter(channels, format.sampleRate);
    TruePeakScan peaks(channels, format.sampleRate);
    std::vector<float> mono;
    mono.reserve(static_cast<std::size_t>(frames / decimation + 1));
    std::vector<std::int32_t> elements;
    std::vector<float> samples;
    for (std::int64_t done = 0; done < frames; done += kChunkFrames) {
        if (stop.stop_requested()) {
            throw AnalysisCancelled();
        }
        const std::int64_t n = std::min(kChunkFrames, frames - done);
        elements.resize(static_cast<std::size_t>(n) * channels);
        source(firstFrame + done, elements);
        samples.resize(elements.size());
        for (std::size_t i = 0; i < elements.size(); ++i) {
            samples[i] = static_cast<float>(elements[i]) * scale;
        }
        meter.Add(samples);
        peaks.Note(elements);
        // The mean of the channels over each `decimation` frames (a last partial group is
        // left out).
        const std::size_t groups = static_cast<std::size_t>(n) / decimation;
        const std::size_t groupElements = std::size_t{decimation} * channels;
        for (std::size_t g = 0; g < groups; ++g) {
            const std::int32_t* e = elements.data() + g * groupElements;
            std::int64_t sum = 0;
            for (std::size_t i = 0; i < groupElements; ++i) {
                sum += e[i];
            }
            mono.push_back(static_cast<float>(sum) * foldScale);
        }
    }
    info.loudness.integrated = meter.Integrated();
    // The true peak reads again only the stretches that can hold it.
    info.loudness.truePeak = peaks.Measure(
        [&](std::int64_t first, std::span<float> out) {
            if (stop.stop_requested()) {
                throw AnalysisCancelled();
            }
            elements.resize(out.size());
            source(firstFrame + first, elements);
            for (std::size_t i = 0; i < out.size(); ++i) {
                out[i] = static_cast<float>(elements[i]) * scale;
            }
        },
        scale);
    const double monoRate = static_cast<double>(format.sampleRate) / decimation;
    // The onsets and the chroma are measured once; each setting reads its tempo and key from
    // them.
    const OnsetEvidence onsets = MeasureOnsets(mono, monoRate);
    const Harmony harmony = TrackHarmony(mono, monoRate);
    std::vector<TrackInfo> infos;
    for (const TrackInfoTuning& tuning : tunings) {
        info.bpm = TempoOf(onsets, tuning);
        info.key = KeyOfHarmony(harmony, tuning.minTonalShare);
        infos.push_back(info);
    }
    return infos;
}

std::vector<TrackInfo> AnalyseTracks(const ElementSource& source, std::span<const TrackSpan> spans,
                                     const WaveFormat& format, unsigned workers,
                                     const AnalysisProgress& progress, std::stop_token stop) {
    std::vector<TrackInfo> infos(spans.size());
    const std::uint32_t frameSize = std::max<std::uint32_t>(format.FrameSize(), 1);
    std::vector<std::uint64_t> sizes;
    for (const TrackSpan& s : spans) {
        sizes.push_back(s.size);
    }
    RunTrackJobs(
        sizes,
        [&](std::size_t i, std::stop_token workerStop) {
            // Either stop ends the track: the caller's, or the pool's after another failed.
            std::stop_source both;
            const std::stop_callback byCaller(stop, [&both] { both.request_stop(); });
            const std::stop_callback byPool(workerStop, [&both] { both.request_stop(); });
            infos[i] = AnalyseTrack(source, static_cast<std::int64_t>(spans[i].offset / frameSize),
                                    static_cast<std::int64_t>(spans[i].size / frameSize), format,
                                    both.get_token());
            return true;
        },
        [&](std::uint64_t done, std::uint64_t total) {
            if (progress) {
                progress(total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total));
            }
        },
        workers);
    if (stop.stop_requested()) {
        throw AnalysisCancelled();
    }
    return infos;
}

} // namespace sundrel
