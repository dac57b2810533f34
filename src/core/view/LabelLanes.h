#pragma once

#include <span>
#include <vector>

namespace sundrel::view {

// A marker's label to place in a strip: the marker's x, the width of its full text and of its
// short form (the track number alone), and whether it goes first (the selected marker).
struct LabelWish {
    int x = 0;
    int width = 0;
    int shortWidth = 0;
    bool first = false;
};

// Where a label goes: its row (`lane`, 0 at the top; -1 when it is not drawn), its left edge
// and whether the short form is drawn.
struct LabelPlace {
    int lane = -1;
    int left = 0;
    bool shortForm = false;
};

// Places labels so that none covers another: each sits just right of its marker (left of it
// when it would pass the strip's right edge), in the first of `lanes` rows where it is clear
// of the labels placed before it. The labels that go first are placed first, then the others
// from left to right; a label that fits nowhere whole tries its short form, and then is left
// out (its marker line still shows). `gap` is the clear space kept between two labels.
std::vector<LabelPlace> PlaceLabels(std::span<const LabelWish> labels, int stripWidth, int lanes,
                                    int gap = 2);

} // namespace sundrel::view
