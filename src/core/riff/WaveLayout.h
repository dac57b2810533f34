#pragma once

#include "core/riff/ChunkSource.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace sundrel {

// Raised for a file that is not a WAV file this program can use; the message says why
// ("not a RIFF/WAVE file", "no data chunk", "unsupported format: ...").
class WaveFormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::uint16_t kFormatPcm = 1;
inline constexpr std::uint16_t kFormatFloat = 3;
inline constexpr std::uint16_t kFormatExtensible = 0xFFFE;

// The sample rates a mix may have: what sound cards play, and what the time arithmetic (frames
// and milliseconds in 32 and 64 bits) serves without overflow or degenerate steps.
inline constexpr std::uint32_t kMinSampleRate = 1000;
inline constexpr std::uint32_t kMaxSampleRate = 768000;

// The audio format of a mix as the program uses it. An extensible file is described by its
// sub-format, so formatTag is always kFormatPcm or kFormatFloat.
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    bool extensible = false;

    // Bytes per frame and per second, always computed from the fields above.
    std::uint32_t FrameSize() const { return std::uint32_t{channels} * bitsPerSample / 8; }
    std::uint64_t ByteRate() const { return std::uint64_t{FrameSize()} * sampleRate; }
    bool IsFloat() const { return formatTag == kFormatFloat; }
};

enum class Container { Riff, Rf64 };

// Where the parts of a WAV file are. Offsets and sizes are exact byte counts in the file.
struct WaveLayout {
    WaveFormat format;
    Container container = Container::Riff;
    std::uint64_t formatOffset = 0; // body of the "fmt " chunk
    std::uint64_t dataOffset = 0;   // first byte of audio
    std::uint64_t dataSize = 0;     // bytes of audio, never past the end of the file
    bool dataTruncated = false;     // the data chunk claimed more bytes than the file holds
    // A wrapped 32-bit size of a plain RIFF file over 4 GiB was corrected: read to the end of
    // the file, or to the chunk found 4 GiB (8 GiB, ...) past where the field ends.
    bool dataSizeRecovered = false;
    // Such a file's field ends where no chunk stands, and no corrected size could be decided:
    // dataSize is what the field says, and audio after it may be missed.
    bool dataSizeUncertain = false;
};

// Walks the RIFF chunks of a WAV file. Accepts any chunks before, between and after "fmt " and
// "data", WAVE_FORMAT_EXTENSIBLE, RF64/BW64 with a ds64 chunk, and plain RIFF files over 4 GiB
// whose 32-bit data size wrapped (also with chunks after the audio). Reads only chunk headers
// and the bodies of "fmt " and "ds64", never at or past source.Size(). Throws WaveFormatError
// for anything it cannot use, and passes on the FileError of a source that fails (a file that
// shrank during the walk).
WaveLayout ReadWaveLayout(ChunkSource& source);
// The same over a whole WAV file held in memory.
WaveLayout ReadWaveLayout(std::span<const std::byte> file);

// "PCM 16-bit stereo 44100 Hz", "float 32-bit mono 48000 Hz".
std::string DescribeFormat(const WaveFormat& format);

} // namespace sundrel
