#pragma once

#include "core/interop/TrackTags.h"
#include "core/riff/WaveLayout.h"
#include "core/split/SplitTypes.h"

#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <string>

namespace sundrel {

// The compression level of FLAC tracks: the flac tool's default, so a track is as small as
// what `flac` makes of the same audio by default. Levels run from 0 (fastest) to 8 (smallest).
inline constexpr unsigned kFlacLevel = 5;

// The audio tracks are encoded from: an open mix file and where its audio lies in it.
struct FlacSource {
    int fd = -1;                  // read with pread only, so several encoders may share it
    std::filesystem::path path;   // named in errors
    std::uint64_t fileSize = 0;   // the file's size when the mix was loaded
    std::uint64_t dataOffset = 0; // the first audio byte in the file
    WaveFormat format;
};

// Empty when FLAC holds every sample of `format` exactly; else the reason it cannot, to follow
// the name of the file. Integer PCM of 8, 16, 24 and 32 bits with 1 to 8 channels is held
// exactly (8-bit WAV samples are unsigned and become the same values less 128); float audio
// is refused, since FLAC holds integers only and a conversion would change the audio.
std::string FlacRefusal(const WaveFormat& format);

// Encodes `span` of the source's audio (bytes from its first audio byte, whole frames) as a
// FLAC stream written from the start of the open file `fd`, which must be empty: STREAMINFO
// with the MD5 of the audio and its exact length, the tags as Vorbis comments (TITLE, ARTIST,
// ALBUM, TRACKNUMBER, TRACKTOTAL, ..., BPM, INITIALKEY, REPLAYGAIN_TRACK_GAIN and _PEAK;
// empty texts and zero numbers left out), a seek table with a point every 10 seconds and
// 8 KiB of padding, so tags can be edited in place later, as the flac tool does. Throws SplitError
// naming the file at fault: Track (`name`) for a format FlacRefusal refuses, a tag that is not
// UTF-8 or a failed write; Mix for a failed read or a mix that shrank since it was loaded. Returns
// false, the file incomplete, when `stop` was requested before the end.
bool EncodeFlacTrack(const FlacSource& source, TrackSpan span, int fd,
                     const std::filesystem::path& name, const TrackTags& tags,
                     unsigned level = kFlacLevel, std::stop_token stop = {});

} // namespace sundrel
