#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <stdexcept>
#include <vector>

namespace sundrel {

// An audio file that cannot be decoded: missing, unreadable, not audio, damaged or protected.
// The message names the file and says why.
class DecodeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a decoder learned of the file beside its samples.
struct DecodedInfo {
    std::uint32_t sourceRate = 0; // the file's own frames a second
    std::int64_t frames = 0;      // mono frames handed out at the requested rate
};

// Receives the decoded samples block by block, in order.
using MonoSink = std::function<void(std::span<const float> block)>;

// Decodes every audio frame of the file's main audio stream (MP3, AAC/M4A, FLAC, Ogg Vorbis
// or Opus, WAV, AIFF, whatever FFmpeg reads), folded to one channel and resampled to `rate`,
// and hands the samples to `sink` as they come. The decoder's own start padding (an MP3's
// encoder delay, an AAC's priming) is removed where the file says how long it is. Damaged
// packets in the middle are skipped; a file that gives no audio at all throws DecodeError.
DecodedInfo DecodeMonoStream(const std::filesystem::path& path, std::uint32_t rate,
                             const MonoSink& sink);

// The same, all samples in one vector.
std::vector<float> DecodeMono(const std::filesystem::path& path, std::uint32_t rate,
                              DecodedInfo* info = nullptr);

} // namespace sundrel
