#include "core/overview/MixSummary.h"

#include "core/overview/BlockScan.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace sundrel::overview {

namespace {

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return (a + b - 1) / b;
}

std::uint16_t RoundedRms(double squares, std::int64_t frames) {
    if (frames <= 0) {
        return 0;
    }
    const double rms = std::sqrt(squares / static_cast<double>(frames));
    return static_cast<std::uint16_t>(std::min(65535.0, std::round(rms)));
}

// Mean of each frame's channels (rounded toward zero), for mixes of more than two channels.
std::vector<std::int16_t> FoldToMono(std::span<const std::int16_t> interleaved, int channels) {
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    std::vector<std::int16_t> mono(frames);
    const std::int16_t* x = interleaved.data();
    for (std::size_t f = 0; f < frames; ++f) {
        std::int32_t sum = 0;
        for (int c = 0; c < channels; ++c) {
            sum += *x++;
        }
        mono[f] = static_cast<std::int16_t>(sum / channels);
    }
    return mono;
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
    std::vector<std::int16_t> folded;
    if (source > 2) {
        folded = FoldToMono(interleaved, source);
        interleaved = folded;
    }

    const std::int64_t firstFrame = chunk * ChunkFrames();
    std::vector<BandSums> bands(static_cast<std::size_t>(CeilDiv(frames, kBaseBlockFrames)));
    ScanBands(interleaved, m_nChannels, leadFrames, m_bandPlan, bands);
    interleaved = interleaved.subspan(static_cast<std::size_t>(leadFrames * m_nChannels));
    std::vector<BlockSums> sums(
        static_cast<std::size_t>(CeilDiv(frames, kBaseBlockFrames) * m_nChannels));
    ScanBlocks(interleaved, m_nChannels, sums);
    for (int level = 0;; ++level) {
        const std::int64_t blockFrames = BlockFrames(level);
        const std::int64_t firstBlock = firstFrame / blockFrames;
        const std::int64_t blocks = CeilDiv(frames, blockFrames);
        for (std::int64_t b = 0; b < blocks; ++b) {
            const std::int64_t count = std::min(blockFrames, frames - b * blockFrames);
            for (int c = 0; c < m_nChannels; ++c) {
                const BlockSums& s = sums[static_cast<std::size_t>(b * m_nChannels + c)];
                m_blocks[Index(level, c, firstBlock + b)] = {s.min, s.max,
                                                             RoundedRms(s.squares, count)};
            }
            const BandSums& e = bands[static_cast<std::size_t>(b)];
            m_bands[BandIndex(level, firstBlock + b)] = {
                RoundedRms(e.low, count), RoundedRms(e.mid, count), RoundedRms(e.high, count)};
        }
        if (level + 1 == kLevels) {
            break;
        }
        std::vector<BandSums> coarserBands(static_cast<std::size_t>(CeilDiv(blocks, kLevelFactor)));
        for (std::int64_t b = 0; b < blocks; ++b) {
            const BandSums& e = bands[static_cast<std::size_t>(b)];
            BandSums& t = coarserBands[static_cast<std::size_t>(b / kLevelFactor)];
            t.low += e.low;
            t.mid += e.mid;
            t.high += e.high;
        }
        bands = std::move(coarserBands);
        // The next level's sums from groups of kLevelFactor blocks of this one.
        std::vector<BlockSums> coarser(
            static_cast<std::size_t>(CeilDiv(blocks, kLevelFactor) * m_nChannels),
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
        sums = std::move(coarser);
    }
    m_ready[static_cast<std::size_t>(chunk)].store(true, std::memory_order_release);
    m_nReady.fetch_add(1, std::memory_order_acq_rel);
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
