#pragma once

#include "core/overview/BandScan.h"
#include "core/overview/Peak.h"
#include "core/riff/WaveLayout.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace sundrel::overview {

// A multi-resolution min/max/RMS summary of a mix: level 0 in blocks of 512 frames, each
// further level 8 times coarser (4096, 32768, 262144 frames). A mono mix has one channel, a
// stereo mix two, and a mix of more channels one: their mean per frame. A last block the mix
// does not fill covers only the frames it has. Each block also holds the low, mid and high
// band RMS of the mono sum (Bands), for drawing the waveform coloured by frequency.
//
// The summary fills progressively: the mix is cut into chunks of one top-level block, which
// builders fill in any order and publish one by one (PublishChunk). Readers on other threads
// see a chunk only once it is published whole; everything they ask about that is not yet
// published comes back as not ready.
class MixSummary {
  public:
    static constexpr int kLevels = 4;
    static constexpr std::int64_t kLevelFactor = 8;

    MixSummary(const WaveFormat& format, std::int64_t frames);
    MixSummary(const MixSummary&) = delete;
    MixSummary& operator=(const MixSummary&) = delete;

    int Channels() const { return m_nChannels; }
    std::int64_t Frames() const { return m_nFrames; }
    std::uint32_t SampleRate() const { return m_format.sampleRate; }
    const WaveFormat& Format() const { return m_format; }

    // Bytes this summary holds (blocks and chunk flags).
    std::size_t MemoryBytes() const;

    // Published chunks over all chunks, 0..1 (1 for a mix without frames).
    double FilledShare() const;
    bool IsComplete() const;

    // Min/max/RMS of one channel over frames [from, to) clipped to the mix, from the coarsest
    // level whose blocks fit inside the range: the blocks of that level that start inside it
    // (the block holding `from` when none does). Nothing when the range is empty or outside
    // the mix, or a block it needs is not published yet.
    std::optional<Peak> Range(int channel, std::int64_t from, std::int64_t to) const;

    // One Peak per pixel column: column c covers frames [first + c * framesPerColumn,
    // first + (c + 1) * framesPerColumn), rounded down, summarised as Range does; a column
    // narrower than one level-0 block gets the block holding its first frame. ready[c] is false
    // (and out[c] zero) where that data is not published yet or lies outside the mix, and
    // everywhere for a non-finite position or a width that is not positive.
    // `out` and `ready` have the same size.
    void Columns(int channel, double firstFrame, double framesPerColumn, std::span<Peak> out,
                 std::span<bool> ready) const;

    // The same for the band RMS of the mono sum.
    std::optional<Bands> BandRange(std::int64_t from, std::int64_t to) const;
    void BandColumns(double firstFrame, double framesPerColumn, std::span<Bands> out,
                     std::span<bool> ready) const;

    int Levels() const { return kLevels; }
    std::int64_t BlockFrames(int level) const;
    std::int64_t BlockCount(int level) const;
    // Block `index` of `level` for `channel`; its chunk must be published.
    Peak Block(int level, int channel, std::int64_t index) const;
    Bands BandBlock(int level, std::int64_t index) const;

    // Chunks: chunk k covers frames [k * ChunkFrames(), ...), the last one what is left.
    static constexpr std::int64_t ChunkFrames() { return 262144; }
    std::int64_t ChunkCount() const { return m_nChunks; }
    std::int64_t ChunkFrameCount(std::int64_t chunk) const;
    bool ChunkReady(std::int64_t chunk) const;

    // Fills chunk `chunk` from its frames as interleaved full-scale samples of the mix's own
    // channel count (ChunkFrameCount frames), then publishes it. Each chunk is published once,
    // by one thread; chunks may be published from different threads in any order.
    // Throws std::invalid_argument for a wrong chunk or sample count.
    void PublishChunk(std::int64_t chunk, std::span<const std::int16_t> interleaved);
    // The same with the `leadFrames` frames before the chunk first (at most as many as there
    // are): the band filters run over them so that they enter the chunk as they would running
    // through the whole mix. LeadInFrames is what they need; without it, the bands of the
    // chunk's first few milliseconds start from silence.
    void PublishChunk(std::int64_t chunk, std::span<const std::int16_t> interleaved,
                      std::int64_t leadFrames);
    std::int64_t LeadInFrames() const { return BandLeadInFrames(m_format.sampleRate); }
    // The same for samples that may stop being readable (a mapped file that shrinks): `guard`
    // runs `read`, the part that reads them, and tells whether what it read stands. `read` only
    // reads the samples and writes this thread's own buffers (it may be abandoned part way).
    // When the guard says no, nothing is published and this returns false.
    using SampleGuard = std::function<bool(const std::function<void()>& read)>;
    bool PublishChunk(std::int64_t chunk, std::span<const std::int16_t> interleaved,
                      std::int64_t leadFrames, const SampleGuard& guard);

  private:
    std::size_t Index(int level, int channel, std::int64_t block) const {
        return static_cast<std::size_t>(block * m_nChannels + channel) +
               m_levelStart[static_cast<std::size_t>(level)];
    }
    std::size_t BandIndex(int level, std::int64_t block) const {
        return static_cast<std::size_t>(block) + m_bandStart[static_cast<std::size_t>(level)];
    }
    bool BlockReady(int level, std::int64_t block) const;
    // Calls visit(level, block, frames) for the blocks Range summarises over [from, to) (clipped
    // already); false when one of them is not published.
    template <class Visit> bool VisitRange(std::int64_t from, std::int64_t to, Visit visit) const;
    // Column c of Columns from the level-0 block holding its first frame or from get(from, to).
    template <class T, class AtBlock, class FromRange>
    void VisitColumns(double firstFrame, double framesPerColumn, std::span<T> out,
                      std::span<bool> ready, AtBlock block, FromRange get) const;

    WaveFormat m_format;
    std::int64_t m_nFrames;
    int m_nChannels;
    std::int64_t m_nChunks;
    // All levels in one array: level L starts at m_levelStart[L].
    std::vector<Peak> m_blocks;
    std::size_t m_levelStart[kLevels + 1] = {};
    BandPlan m_bandPlan;
    std::vector<Bands> m_bands; // level L starts at m_bandStart[L]
    std::size_t m_bandStart[kLevels + 1] = {};
    std::unique_ptr<std::atomic<bool>[]> m_ready;
    std::atomic<std::int64_t> m_nReady{0};
};

} // namespace sundrel::overview
