#pragma once

#include <cstdint>
#include <string>

// A time as whole hours, minutes, seconds and milliseconds, with its text form
// "h:mm:ss.mmm". Fields are not range-limited: Parse stores whatever numbers the text holds.
class CTimeCode {
  public:
    CTimeCode() = default;

    // Splits a time in seconds into the four fields, truncating each toward zero.
    void SetSeconds(float seconds);
    // "%d:%.2d:%.2d.%.3d" of the four fields.
    std::string Format() const;
    // Reads "h:m:s.ms"; each field as atoi reads it (the milliseconds are a count, not a
    // fraction). Numbers beyond the 32-bit range are held at its nearest end.
    void Parse(std::string text);
    // The fields as seconds; the milliseconds weigh the float nearest 0.001.
    double GetSeconds() const;

    std::int32_t m_nHours = 0;
    std::int32_t m_nMinutes = 0;
    std::int32_t m_nSeconds = 0;
    std::int32_t m_nMilliseconds = 0;
};

namespace sundrel {

// The float constants of the time arithmetic (nearest floats to 1/3600, 1/60 and 1/1000).
inline constexpr float kHour = 0.00027777778450399637f;
inline constexpr float kMin = 0.01666666753590107f;
inline constexpr float kMs = 0.0010000000474974513f;

// Converts toward zero to a 32-bit integer, holding values outside its range at the nearest
// end and NaN at 0, so that no conversion is undefined.
std::int32_t TruncToInt32(double value);

// The text of a position in seconds as every label shows it: "h:mm:ss.mmm" of CTimeCode's
// fields, each truncated toward zero.
std::string FormatTime(float seconds);

// The text of frame `frame` at `rate` frames a second, truncated to the millisecond as every
// time label is, in integer arithmetic: a frame at 369 s shows as 0:06:09.000 at every rate,
// 557,904 frames at 48 kHz as 0:00:11.623. Every time of ours (track table, status, command
// line) is shown through this.
std::string FormatFrameTime(std::int64_t frame, std::uint32_t rate);

// The text of a mix length given in double precision (the duration label).
std::string FormatDuration(double seconds);

// atoi with the 32-bit range held: leading white space, a sign, then digits.
std::int32_t AtoiSaturated(const std::string& text);

} // namespace sundrel
