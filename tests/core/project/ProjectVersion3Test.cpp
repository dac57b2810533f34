#include "core/project/ProjectVersion3.h"
#include "ProjectBytes.h"

#include <bit>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>

namespace {

using fixture::Bytes;
using sundrel::DecodeProject;
using sundrel::EncodeProject;
using sundrel::FrameMarker;
using sundrel::Marker;
using sundrel::PercentMarker;
using sundrel::ProjectError;
using testing::HasSubstr;
using Kind = sundrel::ProjectError::Kind;

Marker Named(Marker m, std::string title, std::string artist = {}) {
    m.title = std::move(title);
    m.artist = std::move(artist);
    return m;
}

Marker At(Marker m, std::int64_t frame) {
    m.frame = frame;
    return m;
}

using projecttest::MarkerFields; // a version 3 file as the README lays it out
using projecttest::PutText;
using projecttest::Refusal;

// A version 2 file laid out field by field: the 260-byte path field, a count, the floats.
Bytes Version2(const std::string& path, const std::vector<float>& percents) {
    Bytes b;
    fixture::PutId(b, "Sndr");
    b.push_back(std::byte{'l'});
    b.push_back(std::byte{2});
    for (std::size_t i = 0; i < 260; ++i) {
        b.push_back(i < path.size() ? static_cast<std::byte>(path[i]) : std::byte{0});
    }
    b.push_back(static_cast<std::byte>(percents.size()));
    for (float p : percents) {
        fixture::Put32(b, std::bit_cast<std::uint32_t>(p));
    }
    return b;
}

const std::vector<Marker> kMixed = {
    PercentMarker(0.0f),
    Named(FrameMarker(16'272'900), "Señor \xE2\x98\x83 Café", "DJ \xF0\x9F\x8E\xA7 Ω"),
    At(PercentMarker(50.0f), 11'025),
    Named(At(PercentMarker(75.5f), 33'000), "Named by percentage"),
    Named(FrameMarker(1), "", "Artist only"),
};

TEST(ProjectVersion3, LayoutAndRoundTrip) {
    const std::string path = "/music/Été/mix.wav";
    const Bytes encoded = EncodeProject(path, kMixed);
    EXPECT_EQ(encoded, MarkerFields(path, kMixed));
    const auto back = DecodeProject(encoded, "p.sdr");
    EXPECT_EQ(back.version, 3);
    EXPECT_EQ(back.wavePath, path);
    EXPECT_EQ(back.markers, kMixed);

    // Every bound at its limit, through a file.
    std::vector<Marker> full;
    for (int i = 0; i < 255; ++i) {
        Marker m = i % 2 ? FrameMarker(std::numeric_limits<std::int64_t>::max() - i)
                         : At(PercentMarker(static_cast<float>(i) * 0.39f), i);
        m.title = std::string(1023, 'a') + (i % 3 ? "b" : "");
        m.artist = i % 5 ? std::string(1024 / 4, 'x').replace(0, 4, "\xF0\x9F\x8E\xA7") : "";
        full.push_back(std::move(m));
    }
    fixture::TempDir dir;
    sundrel::WriteProject(dir / "full.sdr", "/" + std::string(4095, 'p'), full);
    const auto read = sundrel::ReadProject(dir / "full.sdr");
    EXPECT_EQ(read.wavePath, "/" + std::string(4095, 'p'));
    EXPECT_EQ(read.markers, full);
}

// Lists of percentage markers without names are still written as version 2, byte for byte,
// whatever frames they hold; a name or a marker without a percentage makes version 3.
TEST(ProjectVersion3, VersionTwoUnlessFramesOrNamesNeedThree) {
    const std::vector<std::vector<float>> worked = {
        {0.0f}, {0.0f, 50.0f}, {0.0f, 25.5f, 60.0f}, {0.0f, 25.0f, 50.0f, 75.0f}, {0.0f, 33.3f},
        {}};
    for (const auto& percents : worked) {
        std::vector<Marker> markers;
        for (float p : percents) {
            markers.push_back(At(PercentMarker(p), static_cast<std::int64_t>(p * 1000)));
        }
        EXPECT_EQ(EncodeProject("/music/mix.wav", markers), Version2("/music/mix.wav", percents))
            << percents.size();
    }
    const std::vector<Marker> base = {PercentMarker(0.0f), PercentMarker(50.0f)};
    for (const auto& changed :
         {std::vector{base[0], FrameMarker(7)}, std::vector{base[0], Named(base[1], "T")},
          std::vector{base[0], Named(base[1], "", "A")}}) {
        EXPECT_EQ(DecodeProject(EncodeProject("m.wav", changed), "p").version, 3);
    }
}

TEST(ProjectVersion3, EveryTruncationIsRefused) {
    for (const Bytes& whole :
         {MarkerFields("/m.wav", kMixed), EncodeProject("/m.wav", kMixed, {"Mix", "DJ"})}) {
        ASSERT_EQ(Refusal(whole), "no error");
        for (std::size_t length = 0; length < whole.size(); ++length) {
            EXPECT_THAT(Refusal(fixture::Slice(whole, 0, length)),
                        testing::StartsWith("malformed: p.sdr: not a usable project file: "))
                << length;
        }
    }
}

TEST(ProjectVersion3, DamagedFieldsAreRefusedNamingTheFault) {
    // The file is "/m.wav" and the marker of frame 5 titled "T" by "A": the path length at
    // 6, the count at 14, the frame at 15, flags 23, percentage 24, title length 28, title
    // 30, artist length 31, artist 33.
    const Bytes good = MarkerFields("/m.wav", {Named(FrameMarker(5), "T", "A")});
    ASSERT_EQ(good.size(), 34u);
    auto set = [](std::size_t at, Bytes bytes) {
        return [at, bytes](Bytes& b) { std::copy(bytes.begin(), bytes.end(), b.begin() + at); };
    };
    auto bits = [](float f) {
        Bytes b;
        fixture::Put32(b, std::bit_cast<std::uint32_t>(f));
        return b;
    };
    auto byte = [](int v) { return Bytes{static_cast<std::byte>(v)}; };
    auto percent = [&](float f) { // the percentage flag set, with `f` as the percentage
        return [&, f](Bytes& b) {
            set(23, byte(1))(b);
            set(24, bits(f))(b);
        };
    };
    struct Case {
        std::function<void(Bytes&)> damage;
        const char* says;
    };
    const Case cases[] = {
        {[](Bytes& b) { b.push_back(std::byte{0}); }, "1 bytes follow its last marker"},
        {set(5, byte(6)), "unknown version 6"},
        {set(6, {std::byte{0x01}, std::byte{0x10}}), "its Wave file path is 4097 bytes long"},
        {set(9, byte('\0')), "its Wave file path holds a zero byte"},
        {set(14, byte(2)), "it is cut short"},
        {set(22, byte(0x80)), "marker 0 has a negative frame"},
        {set(23, byte(2)), "marker 0 has unknown flags"},
        {set(24, bits(1.0f)), "marker 0 has a percentage but no flag for it"},
        {percent(100.5f), "marker 0 is not a percentage in 0..100"},
        {percent(-0.5f), "marker 0 is not a percentage"},
        {percent(std::numeric_limits<float>::quiet_NaN()), "marker 0 is not a percentage"},
        {set(28, {std::byte{0x01}, std::byte{0x04}}), "the title of marker 0 is 1025 bytes long"},
        {set(30, byte(0xC3)), "the title of marker 0 is not UTF-8"},   // a lead byte alone
        {set(33, byte(0x80)), "the artist of marker 0 is not UTF-8"},  // a continuation alone
        {set(30, byte(0)), "the title of marker 0 holds a zero byte"}, //
    };
    for (const Case& c : cases) {
        Bytes b = good;
        c.damage(b);
        EXPECT_THAT(Refusal(b), HasSubstr(std::string("malformed: p.sdr: not a usable project "
                                                      "file: ") +
                                          c.says))
            << c.says;
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8 either.
    for (const std::string bad :
         {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\xE2\x98", "\xFF"}) {
        EXPECT_THAT(Refusal(MarkerFields("/m.wav", {Named(FrameMarker(0), bad)})),
                    HasSubstr("is not UTF-8"))
            << bad.size();
    }
}

TEST(ProjectVersion3, WriterRefusesWhatTheReaderWould) {
    const Marker start = PercentMarker(0.0f);
    struct Case {
        std::string path;
        Marker marker;
        const char* says;
    };
    const Case cases[] = {
        {std::string(4097, 'a'), start, "at most 4096"},
        {std::string("m\0.wav", 6), FrameMarker(3), "holds a zero byte"},
        {"m.wav", FrameMarker(-1), "Marker 1 lies before the start of the mix"},
        {"m.wav", Named(PercentMarker(101.0f), "T"), "Marker 1 is not a percentage"},
        {"m.wav", Named(FrameMarker(3), std::string(1025, 't')), "The title of Marker 1 is longer"},
        {"m.wav", Named(FrameMarker(3), "", "\xC3"), "The artist of Marker 1 is not UTF-8"},
        {"m.wav", Named(FrameMarker(3), std::string("a\0b", 3)), "holds a zero byte"},
    };
    for (const Case& c : cases) {
        const auto e = fixture::Thrown<ProjectError>([&] {
            EncodeProject(c.path, std::vector{start, c.marker});
        });
        ASSERT_TRUE(e) << c.says;
        EXPECT_EQ(e->GetKind(), Kind::Unsaveable);
        EXPECT_THAT(e->what(), HasSubstr(c.says));
    }
}

// The mix's own names make version 4: version 3's fields, then the mix's title and artist.
TEST(ProjectVersion4, MixNamesFollowTheMarkers) {
    const sundrel::MixInfo mix{"Live at the Señor \xE2\x98\x83", "DJ Ω"};
    Bytes expected = MarkerFields("/m.wav", kMixed);
    expected[5] = std::byte{4};
    PutText(expected, mix.title);
    PutText(expected, mix.artist);
    const Bytes encoded = EncodeProject("/m.wav", kMixed, mix);
    EXPECT_EQ(encoded, expected);
    const auto back = DecodeProject(encoded, "p.sdr");
    EXPECT_EQ(back.version, 4);
    EXPECT_EQ(back.markers, kMixed);
    EXPECT_EQ(back.mix, mix);
    // An artist alone is kept too.
    EXPECT_EQ(DecodeProject(EncodeProject("m", kMixed, {"", "A"}), "p").mix,
              (sundrel::MixInfo{"", "A"}));

    Bytes longer = encoded;
    longer.push_back(std::byte{0});
    EXPECT_THAT(Refusal(longer), HasSubstr("1 bytes follow its last field"));
    Bytes latin1 = MarkerFields("/m.wav", kMixed);
    latin1[5] = std::byte{4};
    PutText(latin1, "Caf\xE9");
    PutText(latin1, "");
    EXPECT_THAT(Refusal(latin1), HasSubstr("the mix's title is not UTF-8"));
    // The writer refuses what the reader would.
    const auto e = fixture::Thrown<ProjectError>([&] {
        EncodeProject("m", kMixed, {"", std::string(1025, 'a')});
    });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetKind(), Kind::Unsaveable);
    EXPECT_THAT(e->what(), HasSubstr("The mix's artist is longer"));
}

} // namespace
