#include "core/trackinfo/TruePeak.h"

#include <ebur128.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

namespace sundrel {

namespace {

struct StateDeleter {
    void operator()(ebur128_state* st) const { ebur128_destroy(&st); }
};
using State = std::unique_ptr<ebur128_state, StateDeleter>;

// Runs of candidate blocks closer than this are measured as one (fewer states to make).
constexpr std::int64_t kJoinGapBlocks = 16;
// Frames read again at a time.
constexpr std::int64_t kReadFrames = 1 << 16;

struct Run {
    std::int64_t firstBlock = 0;
    std::int64_t endBlock = 0; // one past the last
    std::int64_t loudest = 0;  // the largest magnitude of its candidate blocks
};

} // namespace

double TruePeakGain(std::uint32_t rate) {
    return rate < 96000 ? 1.9 : 2.4;
}

TruePeakScan::TruePeakScan(unsigned channels, std::uint32_t rate)
    : m_nChannels(std::max(channels, 1u)), m_nRate(rate) {}

void TruePeakScan::Note(std::span<const std::int32_t> elements) {
    const std::size_t frames = elements.size() / m_nChannels;
    for (std::size_t f = 0; f < frames;) {
        const std::int64_t block = m_nFrames / kPeakBlockFrames;
        if (static_cast<std::size_t>(block) >= m_blockMax.size()) {
            m_blockMax.push_back(0);
        }
        // The frames of this call that fall in `block`.
        const auto inBlock = std::min<std::size_t>(
            frames - f, static_cast<std::size_t>((block + 1) * kPeakBlockFrames - m_nFrames));
        const std::int32_t* e = elements.data() + f * m_nChannels;
        std::int64_t largest = m_blockMax[static_cast<std::size_t>(block)];
        for (std::size_t i = 0; i < inBlock * m_nChannels; ++i) {
            largest = std::max(largest, std::abs(static_cast<std::int64_t>(e[i])));
        }
        m_blockMax[static_cast<std::size_t>(block)] = largest;
        f += inBlock;
        m_nFrames += static_cast<std::int64_t>(inBlock);
    }
}

double TruePeakScan::Measure(const TrackFrameReader& read, float scale) const {
    m_nMeasured = 0;
    if (m_blockMax.empty()) {
        return 0;
    }
    const std::int64_t samplePeak = *std::max_element(m_blockMax.begin(), m_blockMax.end());
    // As the library takes it: the largest sample, converted as every sample is.
    double peak = static_cast<double>(static_cast<float>(samplePeak) * scale);
    const double gain = TruePeakGain(m_nRate);
    const auto blocks = static_cast<std::int64_t>(m_blockMax.size());
    std::vector<Run> runs;
    for (std::int64_t b = 0; b < blocks; ++b) {
        const std::int64_t m = m_blockMax[static_cast<std::size_t>(b)];
        if (!(gain * static_cast<double>(m) > static_cast<double>(samplePeak))) {
            continue;
        }
        const std::int64_t from = std::max<std::int64_t>(b - 1, 0);
        const std::int64_t to = std::min(b + 2, blocks);
        if (!runs.empty() && from <= runs.back().endBlock + kJoinGapBlocks) {
            runs.back().endBlock = to;
            runs.back().loudest = std::max(runs.back().loudest, m);
        } else {
            runs.push_back({from, to, m});
        }
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const Run& a, const Run& b) { return a.loudest > b.loudest; });
    const auto newState = [this] {
        State st(ebur128_init(m_nChannels, m_nRate, EBUR128_MODE_TRUE_PEAK));
        if (!st) {
            throw std::bad_alloc();
        }
        return st;
    };
    const auto add = [](const State& st, std::span<const float> samples, std::int64_t frames) {
        if (ebur128_add_frames_float(st.get(), samples.data(), static_cast<std::size_t>(frames)) !=
            EBUR128_SUCCESS) {
            throw std::bad_alloc(); // the library fails only when it cannot allocate
        }
    };
    const auto takePeak = [this, &peak](const State& st) {
        for (unsigned c = 0; c < m_nChannels; ++c) {
            double p = 0;
            if (ebur128_true_peak(st.get(), c, &p) == EBUR128_SUCCESS) {
                peak = std::max(peak, p);
            }
        }
    };
    // The runs share one state, silence between them clearing what its interpolation holds
    // (the values read there hold only frames of blocks outside the candidates). A run that
    // ends with the track has a state of its own: after it the library reads nothing more.
    State shared;
    const std::vector<float> silence(static_cast<std::size_t>(kPeakBlockFrames) * m_nChannels);
    std::vector<float> samples;
    for (const Run& run : runs) {
        if (!(gain * static_cast<double>(static_cast<float>(run.loudest) * scale) > peak)) {
            break; // this run and every quieter one stay within the peak found
        }
        const std::int64_t end = std::min(run.endBlock * kPeakBlockFrames, m_nFrames);
        State own;
        if (end == m_nFrames) {
            own = newState();
        } else if (!shared) {
            shared = newState();
        } else {
            add(shared, silence, kPeakBlockFrames);
        }
        const State& st = own ? own : shared;
        for (std::int64_t at = run.firstBlock * kPeakBlockFrames; at < end;) {
            const std::int64_t n = std::min(kReadFrames, end - at);
            samples.resize(static_cast<std::size_t>(n) * m_nChannels);
            read(at, samples);
            add(st, samples, n);
            at += n;
            m_nMeasured += n;
        }
        takePeak(st);
    }
    return peak;
}

} // namespace sundrel
