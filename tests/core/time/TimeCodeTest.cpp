#include "core/time/TimeCode.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace {

std::string Text(float s) {
    CTimeCode t;
    t.SetSeconds(s);
    return t.Format();
}

CTimeCode Parsed(const std::string& text) {
    CTimeCode t;
    t.Parse(text);
    return t;
}

std::string Fields(const CTimeCode& t) {
    return std::to_string(t.m_nHours) + "," + std::to_string(t.m_nMinutes) + "," +
           std::to_string(t.m_nSeconds) + "," + std::to_string(t.m_nMilliseconds);
}

TEST(TimeCode, FormatsTimesTruncatingEachFieldTowardZero) {
    for (const auto& [seconds, text] : {std::pair{0.0f, "0:00:00.000"},
                                        {185.5f, "0:03:05.500"},
                                        {3599.999f, "0:59:59.999"},
                                        {3600.0f, "1:00:00.000"},
                                        {7322.75f, "2:02:02.750"},
                                        {36000.0f, "10:00:00.000"},
                                        {0.7f, "0:00:00.699"}, // truncated from 0.699999988...
                                        {-1.5f, "0:00:-01.-500"},
                                        {-61.5f, "0:-01:-01.-500"}}) {
        EXPECT_EQ(Text(seconds), text) << seconds;
    }
    CTimeCode t;
    t.SetSeconds(-1.5f);
    EXPECT_EQ(Fields(t), "0,0,-1,-500");
}

TEST(TimeCode, SplitMatchesFloorSplitForManyTimes) {
    // The slightly large float constants never push a field over its boundary.
    for (int ms = 0; ms < 4000000; ms += 997) {
        const float s = static_cast<float>(ms) / 1000.0f;
        CTimeCode t;
        t.SetSeconds(s);
        ASSERT_EQ(t.m_nHours, static_cast<int>(double(s) / 3600)) << s;
        ASSERT_TRUE(t.m_nMinutes >= 0 && t.m_nMinutes <= 59 && t.m_nSeconds >= 0 &&
                    t.m_nSeconds <= 59 && t.m_nMilliseconds >= 0 && t.m_nMilliseconds <= 999)
            << s;
        ASSERT_LE(std::abs(t.GetSeconds() - double(s)), 0.0011) << s;
    }
}

TEST(TimeCode, ParseReadsFieldsWithAtoiAndAddsThemWithTheFloatConstants) {
    for (const auto& [text, fields, seconds] :
         {std::tuple{"0:03:05.500", "0,3,5,500", 185.50000002374873},
          {"3:25", "3,0,0,25", 10800.025}, // hours, then milliseconds
          {"90", "0,0,0,90", 0.090},
          {"1:2:3.4", "1,2,3,4", 3723.004},
          {"0:75:99.5000", "0,75,99,5000", 4604.0000002},
          {"", "0,0,0,0", 0.0},
          {" -1:x:+7.12ms", "-1,0,7,12", -3592.988}}) {
        EXPECT_EQ(Fields(Parsed(text)), fields) << text;
        EXPECT_NEAR(Parsed(text).GetSeconds(), seconds, 1e-6) << text;
    }
    EXPECT_DOUBLE_EQ(Parsed("0:03:05.500").GetSeconds(), 185.50000002374873);
    EXPECT_EQ(static_cast<float>(Parsed("0:03:05.500").GetSeconds()), 185.5f);
    // A round trip cuts to whole milliseconds.
    EXPECT_DOUBLE_EQ(Parsed(Text(0.1f)).GetSeconds(), 0.10000000474974513);
}

TEST(TimeCode, OutOfRangeNumbersAreHeldAtTheEndsOfTheRange) {
    const int max = std::numeric_limits<std::int32_t>::max();
    const CTimeCode big = Parsed("99999999999:0:0.99999999999999");
    EXPECT_EQ(std::pair(big.m_nHours, big.m_nMilliseconds), std::pair(max, max));
    EXPECT_EQ(Parsed("-99999999999").m_nMilliseconds, std::numeric_limits<std::int32_t>::min());
    // The whole seconds no longer fit 32 bits but are still summed exactly.
    EXPECT_DOUBLE_EQ(Parsed("2147483647:0:0.0").GetSeconds(), 2147483647.0 * 3600.0);
    // A time beyond the 32-bit hours, or NaN, gives defined fields.
    CTimeCode t;
    t.SetSeconds(std::numeric_limits<float>::infinity());
    EXPECT_EQ(t.m_nHours, max);
    EXPECT_EQ(Text(std::numeric_limits<float>::quiet_NaN()), "0:00:00.000");
}

TEST(TimeCode, DurationTextComesFromTheUnroundedLength) {
    EXPECT_EQ(sundrel::FormatDuration(185.5), "0:03:05.500");
    EXPECT_EQ(sundrel::FormatDuration(3725.25), "1:02:05.250");
    EXPECT_EQ(sundrel::FormatDuration(1000000.0 / 176400.0), "0:00:05.668");
    EXPECT_EQ(sundrel::FormatDuration(0.0), "0:00:00.000");
}

} // namespace
