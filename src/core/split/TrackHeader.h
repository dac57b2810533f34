#pragma once

#include "core/audio/WaveFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sundrel {

inline constexpr std::uint64_t kRf64HeaderSize = 80;

// True when a track of `dataSize` audio bytes followed by `trailerSize` bytes of further
// chunks cannot state its sizes in the 32-bit fields of a canonical header (RIFF size =
// data size + trailer size + 36).
bool NeedsRf64(std::uint64_t dataSize, std::uint64_t trailerSize = 0);

// The header of a track file holding `dataSize` bytes of audio in the format `wfx`, followed
// by `trailerSize` bytes after the audio (the data's pad byte and the tag chunks): the
// canonical 44 bytes ("RIFF", size + trailer + 36, "WAVEfmt ", 16, the format fields, "data",
// size), or, for a track too large for that, an 80-byte RF64 header whose ds64 chunk holds
// the 64-bit sizes.
std::vector<std::byte> MakeTrackHeader(const WaveFormatEx& wfx, std::uint64_t dataSize,
                                       std::uint64_t trailerSize = 0);

} // namespace sundrel
