#include "core/overview/MixSummary.h"

#include "core/overview/BlockScan.h"

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <stdexcept>
#include <string>

namespace sundrel::overview {

namespace {

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return (a + b - 1) / b;
}

// The square root of a mean square, rounded half away from zero and kept to 16 bits: what
// std::min(65535.0, std::round(rms)) gives (NaN included), without the library call.
std::uint16_t RoundedRoot(double meanSquare) {
    const double rms = std::min(65535.0, std::sqrt(meanSquare));
    auto whole = static_cast<std::uint32_t>(rms);  // 0..65535, rounded toward zero
    if (rms - static_cast<double>(whole) >= 0.5) { // exact: the fraction of a double
        ++whole;
    }
    return static_cast<std::uint16_t>(whole);
}

// RoundedRoot of each value, two at a time where SSE2 serves (every x86-64 processor):
// sqrtpd, minpd and the truncation give the same numbers as their scalar forms, and minpd
// returns its second operand for NaN as std::min does.
void RoundedRoots(std::span<const double> in, std::span<std::uint16_t> out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128d top = _mm_set1_pd(65535.0);
    const __m128d half = _mm_set1_pd(0.5);
    for (; i + 2 <= in.size(); i += 2) {
        const __m128d rms = _mm_min_pd(_mm_sqrt_pd(_mm_loadu_pd(in.data() + i)), top);
        const __m128i whole = _mm_cvttpd_epi32(rms);
        const __m128d up = _mm_cmpge_pd(_mm_sub_pd(rms, _mm_cvtepi32_pd(whole)), half);
        // The comparison's 64-bit masks (all ones: -1) as two 32-bit lanes, taken away.
        const __m128i rounded =
            _mm_sub_epi32(whole, _mm_shuffle_epi32(_mm_castpd_si128(up), _MM_SHUFFLE(3, 1, 2, 0)));
        out[i] = static_cast<std::uint16_t>(_mm_cvtsi128_si32(rounded));
        out[i + 1] = static_cast<std::uint16_t>(_mm_cvtsi128_si32(_mm_srli_si128(rounded, 4)));
    }
#endif
    for (; i < in.size(); ++i) {
        out[i] = RoundedRoot(in[i]);
    }
}

std::uint16_t RoundedRms(double squares, std::int64_t frames) {
    if (frames <= 0) {
        return 0;
    }
    return RoundedRoot(squares / static_cast<double>(frames));
}

// Mean of each frame's channels (rounded toward zero) into `mono`, which holds one value per
// frame, for mixes of more than two channels.
void FoldToMono(std::span<const std::int16_t> interleaved, int channels,
                std::span<std::int16_t> mono) {
    const std::int16_t* x = interleaved.data();
    for (std::int16_t& m : mono) {
        std::int32_t sum = 0;
        for (int c = 0; c < channels; ++c) {
            sum += *x++;
        }
        m = static_cast<std::int16_t>(sum / channels);
    }
}

} // namespace

MixSummary::MixSummary(const WaveFormat& format, std::int64_t frames)
    : m_format(format), m_nFrames(std::max<std::int64_t>(0, frames)),
      m_nChannels(format.channels == 2 ? 2 : 1), m_nChunks(CeilDiv(m_nFrames, ChunkFrames())),
      m_bandPlan(PlanBands(format.sampleRate)) {
    std::size_t total = 0;
    std::size_t bands = 0;
    for (int level = 0; level < kLevels; ++level) {
        m_levelStart[level] = total;
        m_bandStart[level] = bands;
        total += static_cast<std::size_t>(BlockCount(level) * m_nChannels);
        bands += static_cast<std::size_t>(BlockCount(level));
    }
    m_levelStart[kLevels] = total;
    m_bandStart[kLevels] = bands;
    m_blocks.resize(total);
    m_bands.resize(bands);
    m_ready = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(m_nChunks));
    for (std::int64_t k = 0; k < m_nChunks; ++k) {
        m_ready[static_cast<std::size_t>(k)].store(false, std::memory_order_relaxed);
    }
}

std::size_t MixSummary::MemoryBytes() const {
    return sizeof(*this) + m_blocks.capacity() * sizeof(Peak) + m_bands.capacity() * sizeof(Bands) +
           static_cast<std::size_t>(m_nChunks) * sizeof(std::atomic<bool>);
}

double MixSummary::FilledShare() const {
    if (m_nChunks == 0) {
        return 1.0;
    }
    return static_cast<double>(m_nReady.load(std::memory_order_acquire)) /
           static_cast<double>(m_nChunks);
}

bool MixSummary::IsComplete() const {
    return m_nReady.load(std::memory_order_acquire) == m_nChunks;
}

std::int64_t MixSummary::BlockFrames(int level) const {
    std::int64_t frames = kBaseBlockFrames;
    for (int l = 0; l < level; ++l) {
        frames *= kLevelFactor;
    }
    return frames;
}

std::int64_t MixSummary::BlockCount(int level) const {
    return CeilDiv(m_nFrames, BlockFrames(level));
}

std::int64_t MixSummary::ChunkFrameCount(std::int64_t chunk) const {
    if (chunk < 0 || chunk >= m_nChunks) {
        return 0;
    }
    return std::min(ChunkFrames(), m_nFrames - chunk * ChunkFrames());
}

bool MixSummary::ChunkReady(std::int64_t chunk) const {
    return chunk >= 0 && chunk < m_nChunks &&
           m_ready[static_cast<std::size_t>(chunk)].load(std::memory_order_acquire);
}

bool MixSummary::BlockReady(int level, std::int64_t block) const {
    return ChunkReady(block * BlockFrames(level) / ChunkFrames());
}

Peak MixSummary::Block(int level, int channel, std::int64_t index) const {
    if (level < 0 || level >= kLevels || channel < 0 || channel >= m_nChannels || index < 0 ||
        index >= BlockCount(level)) {
        throw std::out_of_range("summary block " + std::to_string(index) + " of level " +
                                std::to_string(level) + ", channel " + std::to_string(channel));
    }
    if (!BlockReady(level, index)) {
        throw std::logic_error("summary block " + std::to_string(index) + " of level " +
                               std::to_string(level) + " is not ready");
    }
    return m_blocks[Index(level, channel, index)];
}

Bands MixSummary::BandBlock(int level, std::int64_t index) const {
    Block(level, 0, index); // the same checks
    return m_bands[BandIndex(level, index)];
}

void MixSummary::PublishChunk(std::int64_t chunk, std::span<const std::int16_t> interleaved) {
    PublishChunk(chunk, interleaved, 0);
}

void MixSummary::PublishChunk(std::int64_t chunk, std::span<const std::int16_t> interleaved,
                              std::int64_t leadFrames) {
    PublishChunk(chunk, interleaved, leadFrames, SampleGuard{});
}

bool MixSummary::PublishChunk(std::int64_t chunk, std::span<const std::int16_t> interleaved,
                              std::int64_t leadFrames, const SampleGuard& guard) {
    const std::int64_t frames = ChunkFrameCount(chunk);
    const int source = std::max<int>(1, m_format.channels);
    if (frames == 0 || leadFrames < 0 || leadFrames > chunk * ChunkFrames() ||
        static_cast<std::int64_t>(interleaved.size()) != (leadFrames + frames) * source) {
        throw std::invalid_argument("summary chunk " + std::to_string(chunk) + " with " +
                                    std::to_string(interleaved.size()) + " samples");
    }
    if (ChunkReady(chunk)) {
        throw std::invalid_argument("summary chunk " + std::to_string(chunk) +
                                    " is already published");
    }

    const std::int64_t firstFrame = chunk * ChunkFrames();
    // Each level's sums, kept by each thread from chunk to chunk; every level is written
    // whole before it is read.
    thread_local std::vector<BandSums> bands;
    thread_local std::vector<BlockSums> sums;
    thread_local std::vector<BandSums> coarserBands;
    thread_local std::vector<BlockSums> coarser;
    thread_local std::vector<double> means;
    thread_local std::vector<std::uint16_t> roots;
    thread_local std::vector<std::int16_t> folded;
    bands.resize(static_cast<std::size_t>(CeilDiv(frames, kBaseBlockFrames)));
    sums.resize(static_cast<std::size_t>(CeilDiv(frames, kBaseBlockFrames) * m_nChannels));
    if (source > 2) {
        folded.resize(interleaved.size() / static_cast<std::size_t>(source));
    }
    // Everything that reads the samples. It writes only this thread's own buffers (each
    // written whole before it is read) and owns no object that needs destroying, so a guard
    // may abandon it part way.
    const std::function<void()> read = [&] {
        std::span<const std::int16_t> samples = interleaved;
        if (source > 2) {
            FoldToMono(interleaved, source, folded);
            samples = folded;
        }
        ScanBlocksAndBands(samples, m_nChannels, leadFrames, m_bandPlan, bands, sums);
    };
    if (!guard) {
        read();
    } else if (!guard(read)) {
        return false;
    }
    for (int level = 0;; ++level) {
        const std::int64_t blockFrames = BlockFrames(level);
        // A power of two: the mean of a whole block is its sum times this, exactly as the
        // division gives it.
        const double perFrame = 1.0 / static_cast<double>(blockFrames);
        const std::int64_t firstBlock = firstFrame / blockFrames;
        const std::int64_t blocks = CeilDiv(frames, blockFrames);
        // The mean squares of each block's channels and bands, then their roots in one go.
        const auto perBlock = static_cast<std::size_t>(m_nChannels + 3);
        means.resize(static_cast<std::size_t>(blocks) * perBlock);
        roots.resize(means.size());
        for (std::int64_t b = 0; b < blocks; ++b) {
            const std::int64_t count = std::min(blockFrames, frames - b * blockFrames);
            const auto mean = [&](double squares) {
                return count == blockFrames ? squares * perFrame
                                            : squares / static_cast<double>(count);
            };
            double* m = means.data() + static_cast<std::size_t>(b) * perBlock;
            for (int c = 0; c < m_nChannels; ++c) {
                *m++ = mean(sums[static_cast<std::size_t>(b * m_nChannels + c)].squares);
            }
            const BandSums& e = bands[static_cast<std::size_t>(b)];
            m[0] = mean(e.low);
            m[1] = mean(e.mid);
            m[2] = mean(e.high);
        }
        RoundedRoots(means, roots);
        for (std::int64_t b = 0; b < blocks; ++b) {
            const std::uint16_t* r = roots.data() + static_cast<std::size_t>(b) * perBlock;
            for (int c = 0; c < m_nChannels; ++c) {
                const BlockSums& s = sums[static_cast<std::size_t>(b * m_nChannels + c)];
                m_blocks[Index(level, c, firstBlock + b)] = {s.min, s.max, *r++};
            }
            m_bands[BandIndex(level, firstBlock + b)] = {r[0], r[1], r[2]};
        }
        if (level + 1 == kLevels) {
            break;
        }
        // The next level's sums from groups of kLevelFactor blocks of this one.
        coarserBands.assign(static_cast<std::size_t>(CeilDiv(blocks, kLevelFactor)), BandSums{});
        for (std::int64_t b = 0; b < blocks; ++b) {
            const BandSums& e = bands[static_cast<std::size_t>(b)];
            BandSums& t = coarserBands[static_cast<std::size_t>(b / kLevelFactor)];
            t.low += e.low;
            t.mid += e.mid;
            t.high += e.high;
        }
        bands.swap(coarserBands);
        coarser.assign(static_cast<std::size_t>(CeilDiv(blocks, kLevelFactor) * m_nChannels),
                       BlockSums{32767, -32768, 0.0});
        for (std::int64_t b = 0; b < blocks; ++b) {
            for (int c = 0; c < m_nChannels; ++c) {
                const BlockSums& s = sums[static_cast<std::size_t>(b * m_nChannels + c)];
                BlockSums& t =
                    coarser[static_cast<std::size_t>(b / kLevelFactor * m_nChannels + c)];
                t.min = std::min(t.min, s.min);
                t.max = std::max(t.max, s.max);
                t.squares += s.squares;
            }
        }
        sums.swap(coarser);
    }
    m_ready[static_cast<std::size_t>(chunk)].store(true, std::memory_order_release);
    m_nReady.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

template <class Visit>
bool MixSummary::VisitRange(std::int64_t from, std::int64_t to, Visit visit) const {
    int level = 0;
    while (level + 1 < kLevels && BlockFrames(level + 1) <= to - from) {
        ++level;
    }
    const std::int64_t blockFrames = BlockFrames(level);
    std::int64_t first = CeilDiv(from, blockFrames);
    std::int64_t last = (to - 1) / blockFrames;
    if (first > last) {
        first = last = from / blockFrames;
    }
    for (std::int64_t b = first; b <= last; ++b) {
        if (!BlockReady(level, b)) {
            return false;
        }
        visit(level, b, std::min(blockFrames, m_nFrames - b * blockFrames));
    }
    return true;
}

std::optional<Peak> MixSummary::Range(int channel, std::int64_t from, std::int64_t to) const {
    from = std::max<std::int64_t>(from, 0);
    to = std::min(to, m_nFrames);
    if (channel < 0 || channel >= m_nChannels || from >= to) {
        return std::nullopt;
    }
    Peak peak{32767, -32768, 0};
    double squares = 0.0;
    std::int64_t frames = 0;
    const bool ready = VisitRange(from, to, [&](int level, std::int64_t b, std::int64_t count) {
        const Peak& p = m_blocks[Index(level, channel, b)];
        peak.min = std::min(peak.min, p.min);
        peak.max = std::max(peak.max, p.max);
        squares += static_cast<double>(p.rms) * p.rms * static_cast<double>(count);
        frames += count;
    });
    if (!ready) {
        return std::nullopt;
    }
    peak.rms = RoundedRms(squares, frames);
    return peak;
}

std::optional<Bands> MixSummary::BandRange(std::int64_t from, std::int64_t to) const {
    from = std::max<std::int64_t>(from, 0);
    to = std::min(to, m_nFrames);
    if (from >= to) {
        return std::nullopt;
    }
    double low = 0.0;
    double mid = 0.0;
    double high = 0.0;
    std::int64_t frames = 0;
    const bool ready = VisitRange(from, to, [&](int level, std::int64_t b, std::int64_t count) {
        const Bands& e = m_bands[BandIndex(level, b)];
        const auto n = static_cast<double>(count);
        low += static_cast<double>(e.low) * e.low * n;
        mid += static_cast<double>(e.mid) * e.mid * n;
        high += static_cast<double>(e.high) * e.high * n;
        frames += count;
    });
    if (!ready) {
        return std::nullopt;
    }
    return Bands{RoundedRms(low, frames), RoundedRms(mid, frames), RoundedRms(high, frames)};
}

template <class T, class AtBlock, class FromRange>
void MixSummary::VisitColumns(double firstFrame, double framesPerColumn, std::span<T> out,
                              std::span<bool> ready, AtBlock block, FromRange get) const {
    const std::size_t n = std::min(out.size(), ready.size());
    const bool usable =
        std::isfinite(firstFrame) && std::isfinite(framesPerColumn) && framesPerColumn > 0;
    // A frame position rounded down, kept within one frame of the mix so the conversion
    // stays defined for any double.
    const auto toFrame = [this](double x) {
        return x < -1.0                             ? std::int64_t{-1}
               : x > static_cast<double>(m_nFrames) ? m_nFrames
                                                    : static_cast<std::int64_t>(std::floor(x));
    };
    for (std::size_t c = 0; c < n; ++c) {
        if (!usable) {
            out[c] = T{};
            ready[c] = false;
            continue;
        }
        const double start = firstFrame + static_cast<double>(c) * framesPerColumn;
        const std::int64_t from = toFrame(start);
        const std::int64_t to = toFrame(start + framesPerColumn);
        std::optional<T> value;
        if (framesPerColumn < static_cast<double>(kBaseBlockFrames)) {
            if (from >= 0 && from < m_nFrames && BlockReady(0, from / kBaseBlockFrames)) {
                value = block(from / kBaseBlockFrames);
            }
        } else {
            value = get(from, to);
        }
        out[c] = value.value_or(T{});
        ready[c] = value.has_value();
    }
}

void MixSummary::Columns(int channel, double firstFrame, double framesPerColumn,
                         std::span<Peak> out, std::span<bool> ready) const {
    if (channel < 0 || channel >= m_nChannels) {
        std::fill(out.begin(), out.end(), Peak{});
        std::fill(ready.begin(), ready.end(), false);
        return;
    }
    VisitColumns(
        firstFrame, framesPerColumn, out, ready,
        [&](std::int64_t b) { return m_blocks[Index(0, channel, b)]; },
        [&](std::int64_t from, std::int64_t to) { return Range(channel, from, to); });
}

void MixSummary::BandColumns(double firstFrame, double framesPerColumn, std::span<Bands> out,
                             std::span<bool> ready) const {
    VisitColumns(
        firstFrame, framesPerColumn, out, ready,
        [&](std::int64_t b) { return m_bands[BandIndex(0, b)]; },
        [&](std::int64_t from, std::int64_t to) { return BandRange(from, to); });
}

} // namespace sundrel::overview
