#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace sundrel {

// Reads `out.size() / channels` whole frames of a track, from its frame `firstFrame`, as
// interleaved samples in [-1, 1].
using TrackFrameReader = std::function<void(std::int64_t firstFrame, std::span<float> out)>;

// The true peak of a track exactly as libebur128 measures it over the whole track (4x
// oversampled below 96 kHz, 2x below 192 kHz; never below the sample peak), measured by the
// library only on the stretches that could hold it.
//
// Each oversampled value is a weighted sum of the 13 frames before it, and its magnitude is
// at most the sum of the weights' magnitudes (kTruePeakGain) times the largest of those frames.
// The first pass notes the largest magnitude in each block of kPeakBlockFrames frames; the
// true peak is never below the track's sample peak, so a block can hold a larger value only
// when its gain-scaled magnitude exceeds that. The library then measures each run of such
// blocks with one block of real frames around it (every oversampled value that reads one of
// their frames reads only real frames), after silence, as the track starts. The values it
// computes where silence and a run's outer block meet cannot exceed the sample peak, since
// those blocks are no candidates. Runs are measured from the loudest; the rest are skipped
// once none can exceed the peak found.
class TruePeakScan {
  public:
    TruePeakScan(unsigned channels, std::uint32_t rate);

    // The next whole frames of the track, interleaved elements of magnitude up to `fullScale`.
    void Note(std::span<const std::int32_t> elements);

    // The true peak (linear, 1 = full scale) of the frames noted, reading the stretches it
    // measures again through `read`. `scale` turns an element into a sample, as `read` does.
    double Measure(const TrackFrameReader& read, float scale) const;

    // The frames the last Measure read again (for the benchmark and tests).
    std::int64_t FramesMeasured() const { return m_nMeasured; }

  private:
    unsigned m_nChannels;
    std::uint32_t m_nRate;
    std::int64_t m_nFrames = 0;
    std::vector<std::int64_t> m_blockMax; // the largest magnitude in each block
    mutable std::int64_t m_nMeasured = 0;
};

// Frames in a block of the first pass: at least the 13 frames an oversampled value reads, so
// that those frames lie in two neighbouring blocks.
inline constexpr std::int64_t kPeakBlockFrames = 16;

// An upper bound on the sum of the magnitudes of libebur128's interpolation weights for any
// output phase at `rate` (its 49-tap Hann-windowed sinc: 1.864 at 4x, 2.307 at 2x), with room
// for rounding.
double TruePeakGain(std::uint32_t rate);

} // namespace sundrel
