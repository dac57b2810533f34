// Parses arbitrary text as a time and formats it again; checks that formatting a parsed time
// and parsing it back keeps the fields (no undefined behaviour on any input).
#include "core/time/TimeCode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CTimeCode t;
    t.Parse(text);
    const double seconds = t.GetSeconds();
    CTimeCode again;
    again.Parse(t.Format());
    if (again.m_nHours != t.m_nHours || again.m_nMinutes != t.m_nMinutes ||
        again.m_nSeconds != t.m_nSeconds || again.m_nMilliseconds != t.m_nMilliseconds) {
        std::abort();
    }
    CTimeCode split;
    split.SetSeconds(static_cast<float>(seconds));
    (void)split.Format();
    if (size >= 4) {
        float f;
        std::memcpy(&f, data, sizeof f);
        split.SetSeconds(f);
        (void)sundrel::FormatDuration(static_cast<double>(f));
    }
    return 0;
}
