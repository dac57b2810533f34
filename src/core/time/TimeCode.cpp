#include "core/time/TimeCode.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>

namespace sundrel {

std::int32_t TruncToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (value <= lo) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (value >= hi) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value); // truncates toward zero
}

std::int32_t AtoiSaturated(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        magnitude = std::min(limit, magnitude * 10 + (text[i] - '0'));
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

namespace {
std::string FormatFields(std::int32_t h, std::int32_t m, std::int32_t s, std::int32_t ms) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d:%.2d:%.2d.%.3d", h, m, s, ms);
    return buf;
}
} // namespace

std::string FormatTime(float seconds) {
    CTimeCode code;
    code.SetSeconds(seconds);
    return code.Format();
}

std::string FormatFrameTime(std::int64_t frame, std::uint32_t rate) {
    if (rate == 0 || frame < 0) {
        return FormatFields(0, 0, 0, 0);
    }
    // Truncated to the millisecond, as the position and duration labels are, but from the
    // exact frame: no float on the way, so 369 s at any rate reads 0:06:09.000.
    const std::int64_t totalMs = (frame / rate) * 1000 + (frame % rate) * 1000 / rate;
    const std::int64_t whole = totalMs / 1000;
    const auto ms = static_cast<std::int32_t>(totalMs % 1000);
    const auto hours = static_cast<std::int32_t>(std::min<std::int64_t>(whole / 3600, INT32_MAX));
    return FormatFields(hours, static_cast<std::int32_t>(whole / 60 % 60),
                        static_cast<std::int32_t>(whole % 60), ms);
}

std::string FormatDuration(double d) {
    const std::int32_t hours = TruncToInt32(d * static_cast<double>(kHour));
    const double r = d - 3600.0 * hours;
    const std::int32_t t = TruncToInt32(r);
    const std::int32_t minutes = t / 60;
    const std::int32_t seconds = t - 60 * minutes;
    const std::int32_t ms = TruncToInt32((r - 60.0 * minutes - seconds) * 1000.0);
    return FormatFields(hours, minutes, seconds, ms);
}

} // namespace sundrel

using sundrel::TruncToInt32;

void CTimeCode::SetSeconds(float seconds) {
    const double s = seconds;
    m_nHours = TruncToInt32(s * static_cast<double>(sundrel::kHour));
    m_nMinutes = TruncToInt32(s * static_cast<double>(sundrel::kMin) - 60.0 * m_nHours);
    m_nSeconds = TruncToInt32(s - 60.0 * m_nMinutes - 3600.0 * m_nHours);
    m_nMilliseconds =
        TruncToInt32((s - m_nSeconds - 60.0 * m_nMinutes - 3600.0 * m_nHours) * 1000.0);
}

std::string CTimeCode::Format() const {
    return sundrel::FormatFields(m_nHours, m_nMinutes, m_nSeconds, m_nMilliseconds);
}

void CTimeCode::Parse(std::string text) {
    // Cut at the first ':' , then the next ':', then the first '.'; a missing separator
    // leaves an empty field before it.
    const auto cut = [&text](char sep) {
        const std::size_t at = text.find(sep);
        if (at == std::string::npos) {
            return std::string();
        }
        std::string head = text.substr(0, at);
        text.erase(0, at + 1);
        return head;
    };
    const std::string hours = cut(':');
    const std::string minutes = cut(':');
    const std::string seconds = cut('.');
    m_nHours = sundrel::AtoiSaturated(hours);
    m_nMinutes = sundrel::AtoiSaturated(minutes);
    m_nSeconds = sundrel::AtoiSaturated(seconds);
    m_nMilliseconds = sundrel::AtoiSaturated(text);
}

double CTimeCode::GetSeconds() const {
    // Whole seconds in 64 bits: fields that overflow 32 bits still give their true sum.
    const std::int64_t whole =
        (std::int64_t{m_nHours} * 60 + m_nMinutes) * 60 + std::int64_t{m_nSeconds};
    return static_cast<double>(whole) +
           static_cast<double>(m_nMilliseconds) * static_cast<double>(sundrel::kMs);
}
