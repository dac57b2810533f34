#pragma once

#include "core/analysis/StandardFeatures.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sundrel {

// Novelty on the scale of whole sections: the standardized features `dims` are averaged over
// tiles of `hopsPerTile` hops (about 3 s), and the tiles are compared by cosine similarity.
// At the boundary before hop t, the `tiles` tiles before it and the `tiles` after it (laid
// from t outwards) give Foote's checkerboard novelty: how much more alike the tiles on each
// side are among themselves than across t,
//   (mean similarity inside before + mean inside after) / 2 - mean similarity across.
// Cosine similarity, unlike the distance of means, ignores how loud a passage is and asks
// only whether it sounds like the same music, so a track whose sections recur stays one piece
// while the next track's sound is unlike all of them. Near the ends fewer tiles are used (at
// least two a side; 0 where even those do not fit). The curve is divided by its median.
// Hops marked in `skip` (silence) count in no tile, so that a pause is not itself a change of
// music; a tile of nothing else compares as unlike everything.
std::vector<double> ComputeTileNovelty(const StandardFeatures& features,
                                       std::span<const std::size_t> dims, std::size_t hopsPerTile,
                                       std::size_t tiles, std::span<const std::uint8_t> skip = {});

// The same comparison with the middle of a long blend in mind: while two tracks overlap, the
// tiles hold both, so the tiles next to t on either side are alike and the plain novelty is low
// in the middle of the blend and highest at its edges. Here the novelty is averaged over
// sides laid `gaps[k]` hops away from t on both sides (the tiles before end at t - gap, those
// after start at t + gap): a gap of at least half the blend compares the tracks' own sound,
// and only at the middle of the blend do the most gaps do so, so the mean peaks there
// (and at a hard cut, where every gap does). Divided by its median, as ComputeTileNovelty.
std::vector<double> ComputeBlendNovelty(const StandardFeatures& features,
                                        std::span<const std::size_t> dims, std::size_t hopsPerTile,
                                        std::size_t tiles, std::span<const std::size_t> gaps,
                                        std::span<const std::uint8_t> skip = {});

// The feature columns of StandardFeatures that describe timbre and level, and those that
// describe the pitch classes (the key and the harmony).
std::vector<std::size_t> TimbreColumns(const StandardFeatures& features);
std::vector<std::size_t> ChromaColumns(const StandardFeatures& features);

} // namespace sundrel
