#include "core/app/CountText.h"

#include <gtest/gtest.h>

namespace {

using sundrel::app::CountText;
using sundrel::app::SplitSummary;

TEST(CountText, OneIsSingularEveryOtherCountPlural) {
    EXPECT_EQ(CountText(1, "track"), "1 track");
    EXPECT_EQ(CountText(0, "track"), "0 tracks");
    EXPECT_EQ(CountText(21, "marker"), "21 markers");
}

TEST(CountText, TheSplitSaysWhenItWritesTheWholeMix) {
    EXPECT_EQ(SplitSummary(1), "1 track: the whole mix");
    EXPECT_EQ(SplitSummary(14), "14 tracks");
}

} // namespace
