#include "core/time/TimeCode.h"

#include <bit>
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

TEST(TimeCode, ConstantsAreTheNearestFloats) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(sundrel::kHour), 0x3991A2B4u);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(sundrel::kMin), 0x3C888889u);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(sundrel::kMs), 0x3A83126Fu);
}

TEST(TimeCode, FormatsPositiveTimes) {
    EXPECT_EQ(Text(0.0f), "0:00:00.000");
    EXPECT_EQ(Text(185.5f), "0:03:05.500");
    EXPECT_EQ(Text(3599.999f), "0:59:59.999");
    EXPECT_EQ(Text(3600.0f), "1:00:00.000");
    EXPECT_EQ(Text(7322.75f), "2:02:02.750");
    EXPECT_EQ(Text(36000.0f), "10:00:00.000");
    EXPECT_EQ(Text(0.7f), "0:00:00.699"); // truncated from 0.699999988...
}

TEST(TimeCode, NegativeTimesTruncateEachFieldTowardZero) {
    CTimeCode t;
    t.SetSeconds(-1.5f);
    EXPECT_EQ(t.m_nHours, 0);
    EXPECT_EQ(t.m_nMinutes, 0);
    EXPECT_EQ(t.m_nSeconds, -1);
    EXPECT_EQ(t.m_nMilliseconds, -500);
    EXPECT_EQ(t.Format(), "0:00:-01.-500");
    EXPECT_EQ(Text(-61.5f), "0:-01:-01.-500");
}

TEST(TimeCode, SplitMatchesFloorSplitForManyTimes) {
    // The slightly large constants never push a field over its boundary.
    for (int ms = 0; ms < 4000000; ms += 997) {
        const float s = static_cast<float>(ms) / 1000.0f;
        CTimeCode t;
        t.SetSeconds(s);
        const double d = s;
        EXPECT_EQ(t.m_nHours, static_cast<int>(d / 3600));
        EXPECT_GE(t.m_nMinutes, 0);
        EXPECT_LE(t.m_nMinutes, 59);
        EXPECT_GE(t.m_nSeconds, 0);
        EXPECT_LE(t.m_nSeconds, 59);
        EXPECT_GE(t.m_nMilliseconds, 0);
        EXPECT_LE(t.m_nMilliseconds, 999);
        ASSERT_LE(std::abs(t.GetSeconds() - d), 0.0011) << s;
    }
}

TEST(TimeCode, ParseCutsAtSeparatorsAndReadsFieldsWithAtoi) {
    const auto fields = [](const CTimeCode& t) {
        return std::to_string(t.m_nHours) + "," + std::to_string(t.m_nMinutes) + "," +
               std::to_string(t.m_nSeconds) + "," + std::to_string(t.m_nMilliseconds);
    };
    EXPECT_EQ(fields(Parsed("0:03:05.500")), "0,3,5,500");
    EXPECT_EQ(fields(Parsed("3:25")), "3,0,0,25");
    EXPECT_EQ(fields(Parsed("90")), "0,0,0,90");
    EXPECT_EQ(fields(Parsed("1:2:3.4")), "1,2,3,4");
    EXPECT_EQ(fields(Parsed("0:75:99.5000")), "0,75,99,5000");
    EXPECT_EQ(fields(Parsed("")), "0,0,0,0");
    EXPECT_EQ(fields(Parsed(" -1:x:+7.12ms")), "-1,0,7,12");
}

TEST(TimeCode, GetSecondsAddsMillisecondsWithTheFloatConstant) {
    EXPECT_DOUBLE_EQ(Parsed("0:03:05.500").GetSeconds(), 185.50000002374873);
    EXPECT_EQ(static_cast<float>(Parsed("0:03:05.500").GetSeconds()), 185.5f);
    EXPECT_NEAR(Parsed("3:25").GetSeconds(), 10800.025, 1e-6);
    EXPECT_NEAR(Parsed("1:2:3.4").GetSeconds(), 3723.004, 1e-6);
    EXPECT_NEAR(Parsed("0:75:99.5000").GetSeconds(), 4604.0000002, 1e-6);
    EXPECT_NEAR(Parsed("90").GetSeconds(), 0.090, 1e-8);
    EXPECT_EQ(Parsed("").GetSeconds(), 0.0);
}

TEST(TimeCode, RoundTripCutsToWholeMilliseconds) {
    CTimeCode t;
    t.SetSeconds(0.1f);
    CTimeCode back;
    back.Parse(t.Format());
    EXPECT_DOUBLE_EQ(back.GetSeconds(), 0.10000000474974513);
}

TEST(TimeCode, OutOfRangeNumbersAreHeldAtTheEndsOfTheRange) {
    const CTimeCode big = Parsed("99999999999:0:0.99999999999999");
    EXPECT_EQ(big.m_nHours, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(big.m_nMilliseconds, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Parsed("-99999999999").m_nMilliseconds, std::numeric_limits<std::int32_t>::min());
    // The whole seconds no longer fit 32 bits but are still summed exactly.
    EXPECT_DOUBLE_EQ(Parsed("2147483647:0:0.0").GetSeconds(), 2147483647.0 * 3600.0);
    // A time beyond the 32-bit hours, or NaN, gives defined fields.
    CTimeCode t;
    t.SetSeconds(std::numeric_limits<float>::infinity());
    EXPECT_EQ(t.m_nHours, std::numeric_limits<std::int32_t>::max());
    t.SetSeconds(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(t.Format(), "0:00:00.000");
}

TEST(TimeCode, DurationTextComesFromTheUnroundedLength) {
    EXPECT_EQ(sundrel::FormatDuration(185.5), "0:03:05.500");
    EXPECT_EQ(sundrel::FormatDuration(3725.25), "1:02:05.250");
    EXPECT_EQ(sundrel::FormatDuration(1000000.0 / 176400.0), "0:00:05.668");
    EXPECT_EQ(sundrel::FormatDuration(0.0), "0:00:00.000");
}

} // namespace
