#include "core/interop/ArtistTitle.h"
#include "core/interop/NameText.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using sundrel::ArtistTitle;
using sundrel::CleanName;
using sundrel::JoinArtistTitle;
using sundrel::NameSeparators;
using sundrel::SplitArtistTitle;

TEST(ArtistTitle, SplitsTheWaysDjsWriteNames) {
    struct Case {
        const char* name;
        NameSeparators separators;
        ArtistTitle expected;
    };
    constexpr auto D = NameSeparators::Dashes;
    constexpr auto B = NameSeparators::DashesAndBy;
    const Case cases[] = {
        {"Artist - Title", D, {"Artist", "Title"}},
        {"  Artist   -   Title  ", D, {"Artist", "Title"}},
        {"Artist \u2013 Title", D, {"Artist", "Title"}},
        {"Artist \u2014 Title", D, {"Artist", "Title"}},
        {"Artist\t-\tTitle", D, {"Artist", "Title"}}, // tabs are blanks once cleaned
        {"Moby - Porcelain - Radio Edit", D, {"Moby", "Porcelain - Radio Edit"}},
        {"A \u2014 B - C", D, {"A", "B - C"}}, // the first dash of any kind
        {"Jay-Z - 99 Problems", D, {"Jay-Z", "99 Problems"}},
        {"Jay-Z", D, {"", "Jay-Z"}},
        {"Title only", D, {"", "Title only"}},
        {"- Title", D, {"", "Title"}},
        {"Artist -", D, {"Artist", ""}},
        {"-", D, {"", ""}},
        {"", D, {"", ""}},
        {"Stand by Me", D, {"", "Stand by Me"}},
        {"Strings of Life by Rhythim Is Rhythim", B, {"Rhythim Is Rhythim", "Strings of Life"}},
        {"Stand by Me by Ben E. King", B, {"Ben E. King", "Stand by Me"}}, // the last "by"
        {"Stand By Me", B, {"", "Stand By Me"}},                           // only lower case splits
        {"by Myself", B, {"", "by Myself"}}, // needs a title before it
        {"Passing by", B, {"", "Passing by"}},
        {"Stand by Me", B, {"", "Stand by Me"}}, // a pronoun after "by": a title
        {"Stand by Your Man", B, {"", "Stand by Your Man"}},
        {"Side by Side", B, {"", "Side by Side"}}, // the same word either side
        {"Step by step", B, {"", "Step by step"}},
        {"Killing Me Softly by The Fugees", B, {"The Fugees", "Killing Me Softly"}},
        {"Ben E. King - Stand by Me", B, {"Ben E. King", "Stand by Me"}}, // a dash comes first
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitArtistTitle(c.name, c.separators), c.expected) << c.name;
    }
}

TEST(ArtistTitle, JoinReadsBackToTheSameNames) {
    const ArtistTitle names[] = {
        {"Artist", "Title"},
        {"", "Title"},
        {"Artist", ""},
        {"", ""},
        {"", "Stand by Me"},
        {"", "Porcelain - Radio Edit"},
        {"", "- leading dash"},
        {"", "trailing dash -"},
        {"Moby", "Porcelain - Edit"},
        {"Björk", "Jóga \"Live\""},
        {"", "-"},
        {"Jay-Z", "Stand by Me"},
    };
    for (const auto separators : {NameSeparators::Dashes, NameSeparators::DashesAndBy}) {
        for (const ArtistTitle& n : names) {
            const std::string joined = JoinArtistTitle(n.artist, n.title, separators);
            EXPECT_EQ(SplitArtistTitle(joined, separators), n) << joined;
        }
    }
    EXPECT_EQ(JoinArtistTitle("A", "T", NameSeparators::Dashes), "A - T");
    EXPECT_EQ(JoinArtistTitle("", "Stand by Me", NameSeparators::Dashes), "Stand by Me");
    EXPECT_EQ(JoinArtistTitle("", "Stand by Me", NameSeparators::DashesAndBy), "Stand by Me");
    EXPECT_EQ(JoinArtistTitle("", "Porcelain by Moby", NameSeparators::DashesAndBy),
              "- Porcelain by Moby");
}

TEST(ArtistTitle, CleanNameBlanksControlCharacters) {
    EXPECT_EQ(CleanName(" a\tb\nc\rd\x7F"
                        "e\xC2\x85"
                        "f "),
              "a b c d e f");
    EXPECT_EQ(CleanName("\xC2\xA0keep\xC3\xA9"), "\xC2\xA0keep\xC3\xA9"); // not controls
    EXPECT_EQ(CleanName("\t\n"), "");
    EXPECT_EQ(CleanName("\xEF\xBB\xBFName\xEF\xBB\xBFx"), "Name x");
}

} // namespace
