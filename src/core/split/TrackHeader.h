#pragma once

#include "core/audio/WaveFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sundrel {

inline constexpr std::uint64_t kRf64HeaderSize = 80;

// True when a track of `dataSize` audio bytes cannot state its sizes in the 32-bit fields of
// a canonical header (RIFF size = data size + 36).
bool NeedsRf64(std::uint64_t dataSize);

// The header of a track file holding `dataSize` bytes of audio in the format `wfx`:
// the canonical 44 bytes ("RIFF", size + 36, "WAVEfmt ", 16, the format fields, "data",
// size), or, for a track too large for that, an 80-byte RF64 header whose ds64 chunk holds
// the 64-bit sizes.
std::vector<std::byte> MakeTrackHeader(const WaveFormatEx& wfx, std::uint64_t dataSize);

} // namespace sundrel
