#include "core/interop/TrackNames.h"
#include "support/Thrown.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using sundrel::NameTemplateError;
using sundrel::TrackFileNames;
using sundrel::TrackNameFields;
using testing::HasSubstr;

std::string One(std::string_view tmpl, const TrackNameFields& track, std::size_t number = 1,
                std::string_view ext = ".wav") {
    std::vector<TrackNameFields> tracks(number);
    tracks.back() = track;
    return TrackFileNames(tmpl, tracks, "Live at Fabric", ext).back();
}

struct Case {
    const char* tmpl;
    TrackNameFields track;
    const char* name;
};

TEST(TrackNames, TemplateExpandsFieldsAndCollapsesEmptyOnes) {
    const TrackNameFields full{"Title", "Artist", 3 * 3600 + 4 * 60 + 5};
    const Case cases[] = {
        {"{nn} {artist} - {title}", full, "01 Artist - Title.wav"},
        {"{n}. {title}", full, "1. Title.wav"},
        {"{mix} {nn}", full, "Live at Fabric 01.wav"},
        {"{start} {title}", full, "3-04-05 Title.wav"},
        {"{start}", {"", "", 59}, "0-00-59.wav"},
        {"{{{nn}}}", full, "{01}.wav"},
        // The extension is added once, and replaces one of another case.
        {"{title}.wav", full, "Title.wav"},
        {"{title}.WAV", full, "Title.wav"},
        {"{title}.flac", full, "Title.flac.wav"},
        // Empty fields take one separator with them.
        {"{nn} {artist} - {title}", {"", "Artist", 0}, "01 Artist.wav"},
        {"{nn} {artist} - {title}", {"Title", "", 0}, "01 Title.wav"},
        {"{nn} {artist} - {title}", {"", "", 0}, "01.wav"},
        {"{nn} {artist} - {title}", {" ", "  ", 0}, "01.wav"},
        {"{artist} - {title}", {"", "", 0}, "track01.wav"},
        {"{title} ({artist})", {"Title", "", 0}, "Title.wav"},
        {"{title} [{artist}] {nn}", {"Title", "", 0}, "Title 01.wav"},
        {"Mix - {title}", {"", "", 0}, "Mix -.wav"},
        {"{title} (live)", {"", "", 0}, "(live).wav"},
        // Unsafe and FAT-refused characters, control characters, bad UTF-8.
        {"{title}", {"AC/DC: Live? \"Yes\" <1|2> *", "", 0}, "AC_DC_ Live_ _Yes_ _1_2_ _.wav"},
        {"{title}",
         {"a\\b\tc\nd\x7f"
          "e",
          "", 0},
         "a_b_c_d_e.wav"},
        {"{title}",
         {"caf\xc3\xa9 \xe6\x9d\xb1\xe4\xba\xac", "", 0},
         "caf\xc3\xa9 \xe6\x9d\xb1\xe4\xba\xac.wav"},
        {"{title}", {"bad \xff\xc3 end \xc0\xaf \xed\xa0\x80", "", 0}, "bad __ end __ ___.wav"},
        {"{title}", {"c1 \xc2\x85 ctl", "", 0}, "c1 _ ctl.wav"},
        // Hidden files, options and the ends FAT drops.
        {"{title}", {".hidden", "", 0}, "hidden.wav"},
        {"{title}", {"-rf", "", 0}, "_rf.wav"},
        {"{title}", {"  Title ...", "", 0}, "Title.wav"},
        {"{title}", {"..", "", 0}, "track01.wav"},
        {"{title}", {"/", "", 0}, "_.wav"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(One(c.tmpl, c.track), c.name) << c.tmpl << " / " << c.track.title;
    }
    EXPECT_EQ(One("{title}", full, 1, ".flac"), "Title.flac");
    EXPECT_EQ(One("{nn}-{n}", full, 123), "123-123.wav");
}

TEST(TrackNames, EmptyTemplateGivesTheClassicNames) {
    const std::vector<TrackNameFields> tracks(100, TrackNameFields{"Title", "Artist", 0});
    const auto names = TrackFileNames("", tracks, "mix", ".wav");
    EXPECT_EQ(names[0], "track01.wav");
    EXPECT_EQ(names[9], "track10.wav");
    EXPECT_EQ(names[99], "track100.wav");
    EXPECT_EQ(TrackFileNames("", tracks, "mix", ".flac")[1], "track02.flac");
}

TEST(TrackNames, BadTemplatesAreRefusedWithTheReason) {
    const std::vector<TrackNameFields> tracks(2);
    const struct {
        const char* tmpl;
        const char* reason;
    } cases[] = {
        {"{nn} {titel}", "unknown field {titel}"},
        {"{}", "unknown field {}"},
        {"{NN}", "unknown field {NN}"},
        {"{nn", "\"{\" at position 1 has no \"}\""},
        {"{nn {title}", "\"{\" at position 1 has no \"}\""},
        {"{nn}}", "\"}\" at position 5 closes no field"},
        {"title}", "\"}\" at position 6 closes no field"},
    };
    for (const auto& c : cases) {
        const std::string text = fixture::Refusal<NameTemplateError>(
            [&] { TrackFileNames(c.tmpl, tracks, "mix", ".wav"); });
        EXPECT_THAT(text, HasSubstr(c.reason)) << c.tmpl;
        EXPECT_THAT(text, HasSubstr(c.tmpl));
        EXPECT_EQ(fixture::Refusal<NameTemplateError>([&] { sundrel::CheckNameTemplate(c.tmpl); }),
                  text);
    }
    EXPECT_NO_THROW(sundrel::CheckNameTemplate("{nn} {n} {title} {artist} {mix} {start} {{x}}"));
}

TEST(TrackNames, EqualNamesAreToldApartWithoutCase) {
    const std::vector<TrackNameFields> tracks = {
        {"Intro", "", 0}, {"intro", "", 0}, {"Intro (2)", "", 0},
        {"INTRO", "", 0}, {"", "", 0},      {"Outro", "", 0},
    };
    EXPECT_EQ(TrackFileNames("{title}", tracks, "mix", ".wav"),
              (std::vector<std::string>{"Intro.wav", "intro (3).wav", "Intro (2).wav",
                                        "INTRO (4).wav", "track05.wav", "Outro.wav"}));
    // A literal-only template: every track the same name.
    EXPECT_EQ(TrackFileNames("mix", std::vector<TrackNameFields>(3), "m", ".wav"),
              (std::vector<std::string>{"mix.wav", "mix (2).wav", "mix (3).wav"}));
}

bool ValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (i + n > s.size()) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

TEST(TrackNames, LongNamesAreCutOnACharacterBoundaryKeepingTheExtension) {
    // 3-byte characters, 2-byte ones and ASCII, each long enough to need cutting, at every
    // phase of the boundary.
    for (const std::string unit : {"\xe6\x9d\xb1", "\xc3\xa9", "a"}) {
        for (std::size_t lead = 0; lead < 3; ++lead) {
            std::string title(lead, 'x');
            while (title.size() < 600) {
                title += unit;
            }
            const std::vector<TrackNameFields> tracks(2, TrackNameFields{title, "", 0});
            for (const char* ext : {".wav", ".flac"}) {
                const auto names = TrackFileNames("{title}", tracks, "mix", ext);
                for (const std::string& name : names) {
                    EXPECT_LE(name.size(), sundrel::kMaxTrackNameBytes);
                    EXPECT_GT(name.size(), sundrel::kMaxTrackNameBytes - 4);
                    EXPECT_TRUE(name.ends_with(ext)) << name;
                    EXPECT_TRUE(ValidUtf8(name)) << name;
                }
                EXPECT_TRUE(names[0].starts_with(title.substr(0, 150)));
                EXPECT_TRUE(names[1].ends_with(std::string(" (2)") + ext)) << names[1];
                EXPECT_NE(names[0], names[1]);
            }
        }
    }
}

} // namespace
