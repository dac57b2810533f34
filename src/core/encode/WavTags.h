#pragma once

#include "core/interop/TrackTags.h"

#include <cstddef>
#include <vector>

namespace sundrel {

// The chunks that tag a WAV track, to follow its data chunk (and the data's pad byte): a
// "LIST" chunk of type "INFO" (INAM title, IART artist, IPRD album, IPRT and ITRK the track
// number; UTF-8) and an "id3 " chunk holding an ID3v2.3 tag (TIT2, TPE1, TALB, TRCK
// "number/count"; TBPM, TKEY and TXXX REPLAYGAIN_TRACK_GAIN and _PEAK). Each chunk has an even
// size. Texts that are empty and a number of 0 are not written; nothing at all when the tags hold
// nothing. Made by TagLib.
std::vector<std::byte> WavTagChunks(const TrackTags& tags);

} // namespace sundrel
