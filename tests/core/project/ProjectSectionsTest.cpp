#include "core/project/ProjectSections.h"
#include "ProjectBytes.h"

#include <bit>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>

namespace {

using fixture::Bytes;
using sundrel::DecodeProject;
using sundrel::EncodeProject;
using sundrel::FrameMarker;
using sundrel::Marker;
using sundrel::MatchResult;
using sundrel::ProjectError;
using testing::HasSubstr;

Marker Track(std::int64_t frame, int number, std::string source, std::string title = {}) {
    Marker m = FrameMarker(frame);
    m.number = number;
    m.sourceFile = std::move(source);
    m.title = std::move(title);
    return m;
}

using projecttest::PutText;
using projecttest::Refusal;

void PutDouble(Bytes& b, double v) {
    fixture::Put64(b, std::bit_cast<std::uint64_t>(v));
}

void PutSection(Bytes& b, const char* tag, const Bytes& body) {
    fixture::PutId(b, tag);
    fixture::Put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
}

// Version 4's fields: version 3's, then the mix's names. Version 5 also gives the count of the
// sections that follow (none when negative).
Bytes Head(const std::string& path, const std::vector<Marker>& markers, int version = 5,
           int sections = 2) {
    Bytes b = projecttest::MarkerFields(path, markers, version);
    PutText(b, "Mix");
    PutText(b, "DJ");
    if (version == 5 && sections >= 0) {
        fixture::Put16(b, static_cast<std::uint32_t>(sections));
    }
    return b;
}

Bytes TracksBody(const std::vector<std::pair<int, std::string>>& tracks) {
    Bytes b;
    for (const auto& [number, source] : tracks) {
        fixture::Put16(b, static_cast<std::uint32_t>(number));
        PutText(b, source);
    }
    return b;
}

// One play as the section stores it, every field raw so that a test can damage any of them.
struct RawPlay {
    std::uint32_t file = 0;
    std::uint32_t id = 0;
    double start = 0.0, end = 0.0, offset = 0.0, ratio = 1.0, confidence = 0.5;
    int keyLock = 1;
    std::uint32_t matches = 0;
    int hasMiddle = 0;
    double middle = 0.0;
};

struct RawMatch {
    double mixSeconds = 600.0;
    std::vector<std::pair<std::string, std::string>> files; // path, title (other tags empty)
    std::vector<RawPlay> plays;
    std::vector<std::pair<double, double>> unknown;
    std::vector<std::pair<double, std::uint32_t>> boundaries;
};

Bytes MatchBody(const RawMatch& m) {
    Bytes b;
    PutDouble(b, m.mixSeconds);
    fixture::Put16(b, static_cast<std::uint32_t>(m.files.size()));
    for (const auto& [path, title] : m.files) {
        PutText(b, path);
        PutText(b, title);
        for (int k = 0; k < 7; ++k) {
            PutText(b, "");
        }
    }
    fixture::Put16(b, static_cast<std::uint32_t>(m.plays.size()));
    for (const RawPlay& p : m.plays) {
        fixture::Put16(b, p.file);
        fixture::Put32(b, p.id);
        for (double v : {p.start, p.end, p.offset, p.ratio, p.confidence}) {
            PutDouble(b, v);
        }
        b.push_back(static_cast<std::byte>(p.keyLock));
        fixture::Put32(b, p.matches);
        b.push_back(static_cast<std::byte>(p.hasMiddle));
        PutDouble(b, p.middle);
    }
    fixture::Put16(b, static_cast<std::uint32_t>(m.unknown.size()));
    for (const auto& [start, end] : m.unknown) {
        PutDouble(b, start);
        PutDouble(b, end);
    }
    fixture::Put16(b, static_cast<std::uint32_t>(m.boundaries.size()));
    for (const auto& [seconds, play] : m.boundaries) {
        PutDouble(b, seconds);
        fixture::Put16(b, play);
    }
    return b;
}

// A rekordbox recording imported and then matched: sheet numbers 3, 4, 6, the files the
// sheet names (one as Windows wrote it), and a match of two of three candidates.
const std::vector<Marker> kTracks = {
    Track(0, 3, "C:\\Music\\Energy 52 - Cafe Del Mar.mp3", "Cafe Del Mar"),
    Track(1'605'240, 4, "/home/dj/Música/Ünder.flac", "Ünder"),
    Track(3'100'000, 6, "", "No file named"),
};

MatchResult TwoPlays() {
    MatchResult match;
    match.mixSeconds = 612.25;
    match.files = {"/sets/unplayed.mp3", "/sets/b.flac", "/sets/a.mp3"};
    match.tags.resize(3);
    match.tags[1] = {"Bee", "Artist B", "Album", "128.0", "Am", "1999", "House", "GBAAA9900001"};
    match.tags[2].title = "Ay";
    sundrel::FilePlay a{{0.0, 301.5, 12.25, 1.04, false, 0.93, 412}, 2, 7, std::nullopt};
    sundrel::FilePlay b{{290.0, 612.25, 0.0, 0.97, true, 0.61, 200}, 1, 8, 295.75};
    match.layout.plays = {a, b};
    match.layout.unknown = {{590.5, 612.25}};
    match.layout.boundaries = {{0.0, 0}, {295.75, 1}, {590.5, std::nullopt}};
    match.skipped = {{"/sets/broken.mp3", "not audio"}};
    return match;
}

TEST(ProjectSections, NumbersSourcesAndTheMatchComeBack) {
    const MatchResult match = TwoPlays();
    fixture::TempDir dir;
    sundrel::WriteProject(dir / "set.sdr", "/sets/mix.wav", kTracks, {"Mix", "DJ"}, &match);
    const sundrel::ProjectFile back = sundrel::ReadProject(dir / "set.sdr");
    EXPECT_EQ(back.version, 5);
    EXPECT_EQ(back.markers, kTracks);
    EXPECT_EQ(back.mix, (sundrel::MixInfo{"Mix", "DJ"}));
    EXPECT_TRUE(back.notes.empty());
    ASSERT_TRUE(back.match);
    // Only the files that play are kept, in their order.
    EXPECT_EQ(back.match->files,
              (std::vector<std::filesystem::path>{"/sets/b.flac", "/sets/a.mp3"}));
    EXPECT_EQ(back.match->tags, (std::vector{match.tags[1], match.tags[2]}));
    EXPECT_TRUE(back.match->skipped.empty());
    EXPECT_EQ(back.match->mixSeconds, 612.25);
    // Each play's fields: the bytes below, written again from what was read, are those the
    // documented layout (the next test) gives for the same match.
    ASSERT_EQ(back.match->layout.plays.size(), 2u);
    EXPECT_EQ(back.match->files[back.match->layout.plays[0].file], "/sets/a.mp3");
    EXPECT_EQ(back.match->layout.plays[1].middle, 295.75);
    EXPECT_EQ(back.match->layout.unknown, match.layout.unknown);
    ASSERT_EQ(back.match->layout.boundaries.size(), 3u);
    EXPECT_EQ(back.match->layout.boundaries[1].play, std::optional<std::size_t>{1});
    EXPECT_EQ(back.match->layout.boundaries[2].play, std::nullopt);
    // Written again, the project is the same bytes.
    EXPECT_EQ(EncodeProject(back.wavePath, back.markers, back.mix, &*back.match),
              fixture::ReadFile(dir / "set.sdr"));
}

TEST(ProjectSections, TheLayoutIsTheDocumentedOne) {
    const std::vector<Marker> markers = {Track(0, 3, "a.mp3"), Track(500, 0, "")};
    MatchResult match;
    match.mixSeconds = 60.0;
    match.files = {"/a.mp3"};
    match.tags.resize(1);
    match.tags[0].title = "Ay";
    match.layout.plays = {{{1.5, 59.0, 2.0, 1.02, true, 0.75, 30}, 0, 9, 3.25}};
    match.layout.unknown = {{0.0, 1.5}};
    match.layout.boundaries = {{0.0, std::nullopt}, {1.5, 0}};
    Bytes expected = Head("/m.wav", markers);
    PutSection(expected, "TRKS", TracksBody({{3, "a.mp3"}, {0, ""}}));
    RawMatch raw;
    raw.mixSeconds = 60.0;
    raw.files = {{"/a.mp3", "Ay"}};
    raw.plays = {{0, 9, 1.5, 59.0, 2.0, 1.02, 0.75, 1, 30, 1, 3.25}};
    raw.unknown = {{0.0, 1.5}};
    raw.boundaries = {{0.0, 0xFFFF}, {1.5, 0}};
    PutSection(expected, "MTCH", MatchBody(raw));
    EXPECT_EQ(EncodeProject("/m.wav", markers, {"Mix", "DJ"}, &match), expected);
}

// Version 5 only where it is needed: older versions of the program read the rest.
TEST(ProjectSections, OnlyNumbersSourcesOrAMatchMakeVersionFive) {
    const std::vector<Marker> plain = {FrameMarker(0), FrameMarker(44'100)};
    EXPECT_EQ(DecodeProject(EncodeProject("m.wav", plain), "p").version, 3);
    EXPECT_EQ(DecodeProject(EncodeProject("m.wav", plain, {"Mix", ""}), "p").version, 4);
    std::vector<Marker> numbered = plain;
    numbered[1].number = 2;
    std::vector<Marker> sourced = plain;
    sourced[0].sourceFile = "a.mp3";
    const MatchResult match = TwoPlays();
    std::vector<Marker> percents = {sundrel::PercentMarker(0.0f), sundrel::PercentMarker(50.0f)};
    EXPECT_EQ(DecodeProject(EncodeProject("m.wav", percents), "p").version, 2);
    for (const auto& [markers, withMatch] :
         {std::pair{numbered, false}, {sourced, false}, {plain, true}, {percents, true}}) {
        const auto back =
            DecodeProject(EncodeProject("m.wav", markers, {}, withMatch ? &match : nullptr), "p");
        EXPECT_EQ(back.version, 5);
        EXPECT_EQ(back.markers, markers);
        EXPECT_EQ(back.mix, sundrel::MixInfo{});
        EXPECT_EQ(back.match.has_value(), withMatch);
    }
}

// A project written before numbers and sources were kept reads as it always did.
TEST(ProjectSections, AnOlderProjectLoadsUnchanged) {
    const std::vector<Marker> markers = {Track(0, 0, "", "One"), Track(88'200, 0, "", "Two")};
    const auto back = DecodeProject(Head("/m.wav", markers, 4), "p.sdr");
    EXPECT_EQ(back.version, 4);
    EXPECT_EQ(back.markers, markers);
    EXPECT_EQ(back.mix, (sundrel::MixInfo{"Mix", "DJ"}));
    EXPECT_FALSE(back.match);
    // Version 5 without a section is the same project.
    EXPECT_EQ(DecodeProject(Head("/m.wav", markers, 5, 0), "p.sdr").markers, markers);
}

// A later version's section is passed over and said; what this version knows is kept.
TEST(ProjectSections, AnUnknownSectionIsPassedOverAndNoted) {
    const std::vector<Marker> markers = {Track(0, 3, "a.mp3"), Track(500, 4, "b.mp3")};
    Bytes b = Head("/m.wav", markers, 5, 3);
    PutSection(b, "CUES", Bytes(3, std::byte{0xFF}));
    PutSection(b, "TRKS", TracksBody({{3, "a.mp3"}, {4, "b.mp3"}}));
    PutSection(b, "x\x01yz", {});
    const auto back = DecodeProject(b, "p.sdr");
    EXPECT_EQ(back.markers, markers);
    ASSERT_EQ(back.notes.size(), 2u);
    EXPECT_THAT(back.notes[0], HasSubstr("(CUES, 3 bytes) was passed over"));
    EXPECT_THAT(back.notes[1], HasSubstr("(x?yz, 0 bytes)"));
}

TEST(ProjectSections, DamagedFieldsAreRefusedNamingTheField) {
    const std::vector<Marker> markers = {Track(0, 3, "a.mp3"), Track(500, 4, "b.mp3")};
    const auto tracks = TracksBody({{3, "a.mp3"}, {4, "b.mp3"}});
    RawMatch good;
    good.files = {{"/a.mp3", "Ay"}, {"/b.mp3", "Bee"}};
    good.plays = {{0, 1, 0.0, 300.0, 5.0, 1.0, 0.9, 0, 50, 0, 0.0},
                  {1, 2, 290.0, 600.0, 0.0, 1.03, 0.8, 1, 40, 1, 295.0}};
    good.unknown = {};
    good.boundaries = {{0.0, 0}, {295.0, 1}};
    auto file = [&](const Bytes& trackBody, const RawMatch& match) {
        Bytes b = Head("/m.wav", markers);
        PutSection(b, "TRKS", trackBody);
        PutSection(b, "MTCH", MatchBody(match));
        return b;
    };
    ASSERT_EQ(Refusal(file(tracks, good)), "no error");
    // Every cut is refused.
    const Bytes whole = file(tracks, good);
    const std::size_t head = Head("/m.wav", markers, 5, -1).size();
    for (std::size_t length = head; length < whole.size(); ++length) {
        EXPECT_THAT(Refusal(fixture::Slice(whole, 0, length)),
                    testing::StartsWith("malformed: p.sdr: not a usable project file: "))
            << length;
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        Bytes bytes;
        const char* says;
    };
    auto withPlay = [&](std::size_t index, auto change) {
        RawMatch m = good;
        change(m.plays[index]);
        return file(tracks, m);
    };
    Bytes twice = Head("/m.wav", markers, 5, 3);
    PutSection(twice, "TRKS", tracks);
    PutSection(twice, "MTCH", MatchBody(good));
    PutSection(twice, "TRKS", tracks);
    Bytes after = file(tracks, good);
    after.push_back(std::byte{0});
    Bytes longer = tracks;
    longer.push_back(std::byte{0});
    RawMatch noFile = good;
    noFile.boundaries[1].second = 2;
    RawMatch badStretch = good;
    badStretch.unknown = {{10.0, 9.0}};
    RawMatch unplayed = good;
    unplayed.files.push_back({"/c.mp3", "Sea"});
    RawMatch manyFiles = good;
    manyFiles.files.resize(1025);
    const Case cases[] = {
        {file(TracksBody({{1000, "a.mp3"}, {4, "b.mp3"}}), good),
         "the track number of marker 0 is 1000 (at most 999)"},
        {file(TracksBody({{3, std::string("a\0b", 3)}, {4, ""}}), good),
         "the source file of marker 0 holds a zero byte"},
        {file(TracksBody({{3, "a.mp3"}}), good), "its section \"TRKS\" is cut short"},
        {file(longer, good), "its section \"TRKS\" holds 1 bytes past its last field"},
        {twice, "its section \"TRKS\" comes twice"},
        {after, "1 bytes follow its last field"},
        {withPlay(1, [](RawPlay& p) { p.file = 2; }), "play 1 of the match names no file"},
        {withPlay(1, [&](RawPlay& p) { p.start = nan; }), "play 1 of the match holds a time"},
        {withPlay(1, [](RawPlay& p) { p.end = 10.0; }),
         "play 1 of the match ends before it starts"},
        {withPlay(1, [](RawPlay& p) { p.ratio = 0.0; }),
         "play 1 of the match has a speed ratio that is not above 0"},
        {withPlay(1, [](RawPlay& p) { p.confidence = 1.5; }),
         "play 1 of the match has a confidence outside 0..1"},
        {withPlay(1, [](RawPlay& p) { p.keyLock = 2; }), "play 1 of the match has a flag"},
        {withPlay(0, [](RawPlay& p) { p.middle = 4.0; }), "play 0 of the match has a flag"},
        {file(tracks, noFile), "boundary 1 of the match names no time or no play"},
        {file(tracks, badStretch), "unknown stretch 0 of the match is not a stretch"},
        {file(tracks, manyFiles), "the match holds 1025 files (at most 1024)"},
        {file(tracks, unplayed), "file 2 of the match plays nowhere"},
    };
    for (const Case& c : cases) {
        EXPECT_THAT(
            Refusal(c.bytes),
            HasSubstr(std::string("malformed: p.sdr: not a usable project file: ") + c.says))
            << c.says;
    }
}

TEST(ProjectSections, TheWriterRefusesWhatTheReaderWould) {
    std::vector<Marker> markers = {Track(0, 1000, "")};
    const auto tooHigh = fixture::Thrown<ProjectError>([&] { EncodeProject("m", markers); });
    ASSERT_TRUE(tooHigh);
    EXPECT_EQ(tooHigh->GetKind(), ProjectError::Kind::Unsaveable);
    EXPECT_THAT(tooHigh->what(), HasSubstr("The track number of Marker 0 is not 0..999"));
    markers = {Track(0, 1, std::string(4097, 'a'))};
    EXPECT_TRUE(fixture::Thrown<ProjectError>([&] { EncodeProject("m", markers); }));
    MatchResult match = TwoPlays();
    match.layout.plays[0].play.confidence = std::numeric_limits<double>::quiet_NaN();
    const auto bad = fixture::Thrown<ProjectError>(
        [&] { EncodeProject("m", std::vector{FrameMarker(0)}, {}, &match); });
    ASSERT_TRUE(bad);
    EXPECT_THAT(bad->what(), HasSubstr("The match cannot be saved: play 0 of the match holds"));
}

TEST(ProjectSections, AMatchAsTheMatcherGivesItIsKeptAsAProjectCanHoldIt) {
    // Two handovers can meet inside a short play, and tags come from the files as they are:
    // neither may make the project unsaveable.
    MatchResult match = TwoPlays();
    match.layout.plays[1].play.end = 280.0; // before its start at 290
    std::string title = "x";                // then 600 two-byte characters: byte 1024 is inside one
    for (int i = 0; i < 600; ++i) {
        title += "\xC3\xA9";
    }
    match.tags[2].title = title;
    match.tags[1].artist = std::string("A\xFF") + '\0' + "B";
    const std::vector<Marker> markers = {FrameMarker(0)};
    const auto back = DecodeProject(EncodeProject("m", markers, {}, &match), "p.sdr");
    ASSERT_TRUE(back.match);
    EXPECT_EQ(back.match->layout.plays[1].play.end, 290.0);
    const std::string& kept = back.match->tags[1].title;
    EXPECT_EQ(kept, title.substr(0, 1023));
    EXPECT_EQ(back.match->tags[0].artist.find('\0'), std::string::npos);
    EXPECT_EQ(back.match->tags[0].artist.front(), 'A');
    EXPECT_EQ(back.match->tags[0].artist.back(), 'B');
}

} // namespace
