#include "core/interop/TextLines.h"
#include "core/interop/InteropLimits.h"
#include "core/interop/MarkerSet.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using sundrel::DecodeLines;
using sundrel::InteropError;
using Lines = std::vector<std::string>;
using namespace std::string_literals;

TEST(TextLines, LineEndsOfEveryKindAndTheMarks) {
    struct Case {
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}}, // a blank line keeps its number
        {"a\n\rb", {"a", "", "b"}},     // LF then CR is two line ends
        {"\xEF\xBB\xBF"
         "caf\xC3\xA9\r\n",
         {"caf\xC3\xA9"}},
        {"", {}},
        {"\xFF\xFE"
         "a\0\r\0\n\0\xE9\0"s,
         {"a", "\xC3\xA9"}},                                             // UTF-16LE
        {"\xFE\xFF\0a\0\n\xD8\x3D\xDE\x00"s, {"a", "\xF0\x9F\x98\x80"}}, // UTF-16BE, a pair
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeLines(c.bytes), c.lines) << c.bytes;
    }
}

TEST(TextLines, TextThatIsNotUtf8IsWindows1252) {
    // "Café – Müller" as a Windows editor saves it; the 0x96 dash and the 0x93/0x94 quotes
    // are the characters DJs type, not C1 controls.
    EXPECT_EQ(DecodeLines("Caf\xE9 \x96 M\xFCller\n\x93Hi\x94"),
              (Lines{"Caf\xC3\xA9 \xE2\x80\x93 M\xC3\xBCller", "\xE2\x80\x9CHi\xE2\x80\x9D"}));
    // A byte the code page leaves undefined keeps its Latin-1 code point.
    EXPECT_EQ(DecodeLines("\x81"), (Lines{"\xC2\x81"}));
}

TEST(TextLines, RefusesWithTheLine) {
    struct Case {
        std::string bytes;
        std::size_t line;
    };
    const Case cases[] = {
        {"ok\nzero \0 byte\n"s, 2},
        {"\xEF\xBB\xBF"
         "ok\r\nok\r\nbad \xE9\r\n",
         3},
        {"ok\n" + std::string(sundrel::kMaxMarkerLineBytes + 1, 'x') + "\n", 2},
        {std::string(sundrel::kMaxMarkerFileLines + 1, '\n'), sundrel::kMaxMarkerFileLines + 1},
        {std::string(sundrel::kMaxMarkerFileBytes + 1, 'x'), 0},
        {"\xFF\xFE"
         "a",
         0}, // odd UTF-16
        {"\xFF\xFE\x00\xD8"
         "a\0"s,
         0}, // a lone surrogate
    };
    for (const Case& c : cases) {
        const auto e = fixture::Thrown<InteropError>([&] { DecodeLines(c.bytes); });
        ASSERT_TRUE(e) << "accepted case of line " << c.line;
        EXPECT_EQ(e->Line(), c.line) << e->what();
    }
    // The longest line allowed is read.
    EXPECT_EQ(DecodeLines(std::string(sundrel::kMaxMarkerLineBytes, 'x')).size(), 1u);
}

} // namespace
