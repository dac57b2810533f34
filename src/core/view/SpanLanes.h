#pragma once

#include <span>
#include <vector>

namespace sundrel::view {

// A stretch of time drawn as a bar (a file's play in the overview).
struct Span {
    double start = 0.0;
    double end = 0.0;
};

// The row each span is drawn in so that overlapping spans never share one: spans taken in
// order of their start, each in the lowest row whose last span ended by its start (spans that
// only touch share a row). With two tracks blending at a time this alternates between rows
// 0 and 1. Returns the row of each span in the order given.
std::vector<int> SpanLanes(std::span<const Span> spans);

} // namespace sundrel::view
