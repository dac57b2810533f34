#include "core/time/ClockTime.h"

#include <gtest/gtest.h>

namespace {

using sundrel::ParseClockTime;

TEST(ClockTime, ReadsSecondsAndClockFormsAndRefusesEverythingElse) {
    EXPECT_EQ(ParseClockTime("185.5"), 185.5);
    EXPECT_EQ(ParseClockTime("3:05.5"), 185.5); // the fraction is a decimal, not milliseconds
    EXPECT_EQ(ParseClockTime("1:02:03.25"), 3723.25);
    EXPECT_EQ(ParseClockTime("0:00:00.001"), 0.001);
    EXPECT_EQ(ParseClockTime("90"), 90.0);
    EXPECT_EQ(ParseClockTime("75:00"), 4500.0); // the leading field is not limited
    EXPECT_EQ(ParseClockTime("0"), 0.0);
    // Everything else is refused.
    for (const char* bad :
         {"", "1:60", "1:60:00", "-5", "+5", "1e3", "1::2", "1:2:3:4", " 5", "5 ", "5.", ".5",
          "abc", "3:05.5.1", "3:0x", "1,5", "inf", "nan", "12345678901"}) {
        EXPECT_EQ(ParseClockTime(bad), std::nullopt) << '"' << bad << '"';
    }
}

} // namespace
