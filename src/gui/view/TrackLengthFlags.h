#pragma once

#include <QTableWidget>
#include <cstdint>
#include <span>

// Marks the cells of `column` (a track's length) whose track is implausibly short or long for
// the mix (see ImplausibleTrackLengths): bold in a warning colour, with a tooltip that says
// what may be wrong; the other rows' cells are shown plainly. `starts` holds each row's first
// frame, in time order; the last track runs to `frames`.
void FlagTrackLengths(QTableWidget& table, int column, std::span<const std::int64_t> starts,
                      std::int64_t frames);

// The item data role under which a flagged cell holds true.
inline constexpr int kImplausibleLengthRole = Qt::UserRole + 1;
