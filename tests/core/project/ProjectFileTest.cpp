#include "core/project/ProjectFile.h"
#include "core/project/ProjectLoader.h"
#include "core/project/ProjectSections.h"
#include "core/project/ProjectVersion3.h"
#include "core/split/SplitPlan.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <bit>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;
using sundrel::DecodeProject;
using sundrel::EncodeProject;
using sundrel::ProjectError;
using Kind = sundrel::ProjectError::Kind;

// The kind of ProjectError `f` throws, or nothing.
std::optional<Kind> KindOf(const std::function<void()>& f) {
    const auto e = fixture::Thrown<ProjectError>(f);
    return e ? std::optional{e->GetKind()} : std::nullopt;
}

std::optional<Kind> DecodeKind(const Bytes& bytes) {
    return KindOf([&] { DecodeProject(bytes, "p.sdr"); });
}

Bytes Version1(std::initializer_list<float> markers) {
    Bytes b;
    fixture::PutId(b, "Sndr");
    b.push_back(std::byte{'l'});
    b.push_back(std::byte{1});
    b.push_back(static_cast<std::byte>(markers.size()));
    for (float p : markers) {
        fixture::Put32(b, std::bit_cast<std::uint32_t>(p));
    }
    return b;
}

// Percentage markers, as versions 1 and 2 hold them.
std::vector<sundrel::Marker> Percents(const std::vector<float>& percents) {
    std::vector<sundrel::Marker> markers;
    for (float p : percents) {
        markers.push_back(sundrel::PercentMarker(p));
    }
    return markers;
}

const std::vector<sundrel::Marker> kThree = Percents({0.0f, 25.5f, 60.0f});

// The byte layout is checked field by field beside version 3; here the reading back.
TEST(ProjectFile, Version2RoundTrips) {
    const auto back = DecodeProject(EncodeProject("/music/mix.wav", kThree), "p.sdr");
    EXPECT_EQ(back.version, 2);
    EXPECT_EQ(back.wavePath, "/music/mix.wav");
    EXPECT_EQ(back.markers, kThree);
    EXPECT_TRUE(DecodeProject(EncodeProject("m.wav", Percents({})), "p").markers.empty());
}

TEST(ProjectFile, CountsUpTo255RoundTripAndLongerPathsOrListsAreRefused) {
    std::vector<sundrel::Marker> markers;
    for (int i = 0; i < 255; ++i) {
        markers.push_back(sundrel::PercentMarker(static_cast<float>(i) * 0.39f));
        if (markers.size() == 200 || markers.size() == 255) {
            EXPECT_EQ(DecodeProject(EncodeProject("m.wav", markers), "p").markers, markers);
        }
    }
    markers.push_back(sundrel::PercentMarker(50.0f));
    EXPECT_EQ(KindOf([&] { EncodeProject("m.wav", markers); }), Kind::Unsaveable);
    markers.back() = sundrel::FrameMarker(10); // nor in version 3
    EXPECT_EQ(KindOf([&] { EncodeProject("m.wav", markers); }), Kind::Unsaveable);

    const auto one = Percents({0.0f});
    EXPECT_EQ(EncodeProject(std::string(259, 'a'), one).size(), 271u);
    // A longer path does not fit version 2 and is written as version 3.
    EXPECT_EQ(DecodeProject(EncodeProject(std::string(4096, 'a'), one), "p").version, 3);
    for (const auto& [path, p] : {std::pair{std::string(4097, 'a'), one},
                                  {std::string("a\0b", 3), one},
                                  {std::string(300, 'a') + '\0', one},
                                  {"m.wav", Percents({std::numeric_limits<float>::quiet_NaN()})},
                                  {"m.wav", Percents({100.5f})}}) {
        EXPECT_EQ(KindOf([&] { EncodeProject(path, p); }), Kind::Unsaveable) << path.size();
    }
}

TEST(ProjectFile, ReadsVersion1AndIgnoresTheMagic) {
    const auto v1 = DecodeProject(Version1({0.0f, 42.0f}), "p.sdr");
    EXPECT_EQ(v1.version, 1);
    EXPECT_TRUE(v1.wavePath.empty());
    EXPECT_EQ(v1.markers, Percents({0.0f, 42.0f}));

    Bytes damaged = EncodeProject("/m.wav", kThree);
    std::memcpy(damaged.data(), "XXXXX", 5);
    EXPECT_EQ(DecodeProject(damaged, "p.sdr").markers, kThree);
}

TEST(ProjectFile, RefusesDamagedFilesNamingThem) {
    const Bytes good = EncodeProject("/m.wav", kThree);
    const Bytes goodV1 = Version1({0.0f, 50.0f});
    for (const Bytes* whole : {&good, &goodV1}) {
        for (std::size_t length = 0; length < whole->size(); ++length) {
            EXPECT_EQ(DecodeKind(fixture::Slice(*whole, 0, length)), Kind::Malformed) << length;
        }
    }
    std::vector<std::function<void(Bytes&)>> damages = {
        [](Bytes& b) { b.push_back(std::byte{0}); }, // a trailing byte
        [](Bytes& b) { std::fill(b.begin() + 6, b.begin() + 266, std::byte{'a'}); }, // no zero
    };
    for (int version : {0, 4, 255}) {
        damages.push_back([version](Bytes& b) { b[5] = static_cast<std::byte>(version); });
    }
    for (float bad : {-1.0f, 100.01f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()}) {
        damages.push_back([bad](Bytes& b) {
            const auto bits = std::bit_cast<std::uint32_t>(bad);
            std::memcpy(b.data() + 271, &bits, 4); // the second marker
        });
    }
    for (std::size_t i = 0; i < damages.size(); ++i) {
        Bytes b = good;
        damages[i](b);
        const auto e = fixture::Thrown<ProjectError>([&] { DecodeProject(b, "p.sdr"); });
        ASSERT_TRUE(e) << "damage " << i;
        EXPECT_EQ(e->GetKind(), Kind::Malformed);
        EXPECT_NE(std::string(e->what()).find("p.sdr"), std::string::npos) << e->what();
    }
}

TEST(ProjectFile, WriteReplacesWholeOrNotAtAll) {
    fixture::TempDir dir;
    const fs::path path = dir / "set.sdr";
    sundrel::WriteProject(path, "/m.wav", Percents({0.0f, 10.0f}));
    const Bytes before = fixture::ReadFile(path);
    EXPECT_EQ(sundrel::ReadProject(path).markers, Percents({0.0f, 10.0f}));
    EXPECT_EQ(KindOf([&] { sundrel::WriteProject(path, std::string(5000, 'x'), kThree); }),
              Kind::Unsaveable);
    EXPECT_EQ(fixture::ReadFile(path), before);

    sundrel::WriteProject(path, "/m.wav", kThree);
    EXPECT_EQ(fs::file_size(path), 279u);
    EXPECT_EQ(fixture::Listing(dir.Path()), std::vector<std::string>{"set.sdr"}); // no temporary

    fixture::WriteFile(dir / "plain", Bytes(3));
    const auto e = fixture::Thrown<ProjectError>(
        [&] { sundrel::WriteProject(dir / "plain" / "x.sdr", "/m.wav", kThree); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetKind(), Kind::Unwritable);
    EXPECT_NE(std::string(e->what()).find("plain/x.sdr"), std::string::npos);
}

TEST(ProjectFile, OpenLoadsTheMixOrRefusesWithTheReason) {
    fixture::TempDir dir;
    const fs::path wav = dir / "mix.wav";
    fixture::WriteFile(wav, fixture::CanonicalWav({}, fixture::TestSignal({}, 44100)));
    sundrel::WriteProject(dir / "good.sdr", wav.string(), kThree);
    const auto opened = sundrel::OpenProject(dir / "good.sdr");
    ASSERT_NE(opened.wave, nullptr);
    EXPECT_EQ(opened.wave->m_nDataSize, 44100u * 4);
    // The markers keep their percentages and get the frames Split cuts at for them.
    const auto plan =
        sundrel::PlanTracks(std::vector<float>{0.0f, 25.5f, 60.0f, 100.0f}, 44100 * 4, 4);
    ASSERT_EQ(opened.file.markers.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(opened.file.markers[i].percent, kThree[i].percent);
        EXPECT_EQ(std::uint64_t(opened.file.markers[i].frame) * 4, plan[i].offset) << i;
    }
    EXPECT_GT(opened.file.markers[2].frame, 0);
    fixture::WriteFile(dir / "v1.sdr", Version1({0.0f, 5.0f}));
    const auto v1 = sundrel::OpenProject(dir / "v1.sdr");
    EXPECT_EQ(v1.wave, nullptr);
    EXPECT_EQ(v1.file.markers, Percents({0.0f, 5.0f})); // no mix, no frames

    // Version 3: a frame marker keeps its frame; a stale frame of a percentage marker is set
    // to where Split cuts (trunc(88199.998) aligned to 4 bytes).
    sundrel::Marker named = sundrel::FrameMarker(22050);
    named.title = "Two";
    sundrel::Marker stale = sundrel::PercentMarker(50.0f);
    stale.frame = 3;
    sundrel::WriteProject(dir / "v3.sdr", wav.string(),
                          std::vector{sundrel::PercentMarker(0.0f), named, stale});
    const auto v3 = sundrel::OpenProject(dir / "v3.sdr");
    ASSERT_EQ(v3.file.markers.size(), 3u);
    EXPECT_EQ(v3.file.markers[1], named);
    EXPECT_EQ(v3.file.markers[2].frame, 88199 / 4);

    sundrel::WriteProject(dir / "moved.sdr", (dir / "gone.wav").string(), kThree);
    const auto missing =
        fixture::Thrown<ProjectError>([&] { sundrel::OpenProject(dir / "moved.sdr"); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->GetKind(), Kind::WaveMissing);
    EXPECT_STREQ(missing->what(), "Wave file doesn't exist");
    EXPECT_EQ(missing->Path(), dir / "gone.wav");

    fixture::WriteFile(dir / "notwav.txt", Bytes(100, std::byte{'x'}));
    sundrel::WriteProject(dir / "notwav.sdr", (dir / "notwav.txt").string(), kThree);
    sundrel::WriteProject(dir / "nopath.sdr", "", kThree);
    fixture::WriteFile(dir / "cut.sdr",
                       fixture::Slice(fixture::ReadFile(dir / "good.sdr"), 0, 278));
    fixture::WriteFile(dir / "long.sdr", Bytes(5000, std::byte{2}));
    for (const auto& [name, kind] : {std::pair{"notwav.sdr", Kind::WaveUnusable},
                                     {"nopath.sdr", Kind::WaveMissing},
                                     {"cut.sdr", Kind::Malformed},
                                     {"long.sdr", Kind::Malformed},
                                     {"absent.sdr", Kind::Unreadable}}) {
        EXPECT_EQ(KindOf([&] { sundrel::OpenProject(dir / name); }), kind) << name;
    }
}

TEST(ProjectFile, RelativeMixPathCountsFromTheProjectsFolderNotTheCurrentOne) {
    fixture::TempDir dir;
    fs::create_directory(dir / "set");
    const fs::path mix = dir / "set" / "mix.wav";
    fixture::WriteFile(mix, fixture::CanonicalWav({}, fixture::TestSignal({}, 44100)));
    // A decoy of the same name, twice as long, in the current folder.
    fixture::WriteFile(dir / "mix.wav", fixture::CanonicalWav({}, fixture::TestSignal({}, 88200)));
    sundrel::WriteProject(dir / "set" / "p.sdr", "mix.wav", kThree);
    sundrel::WriteProject(dir / "set" / "abs.sdr", (dir / "mix.wav").string(), kThree);

    const fs::path cwd = fs::current_path();
    fs::current_path(dir.Path());
    const auto read = sundrel::ReadProject("set/p.sdr");
    const auto opened = sundrel::OpenProject("set/p.sdr");
    const auto absolute = sundrel::ReadProject("set/abs.sdr");
    fs::current_path(cwd);
    EXPECT_EQ(read.wavePath, "set/mix.wav");
    ASSERT_NE(opened.wave, nullptr);
    EXPECT_EQ(opened.wave->m_strPath, fs::canonical(mix));
    EXPECT_EQ(opened.wave->m_nDataSize, 44100u * 4);
    EXPECT_EQ(absolute.wavePath, (dir / "mix.wav").string()); // kept as stored
}

TEST(ProjectFile, ALongFileIsRefusedWithItsRealLength) {
    fixture::TempDir dir;
    Bytes b = EncodeProject("/m.wav", kThree);
    b.resize(b.size() + sundrel::kProjectLargest);
    fixture::WriteFile(dir / "long.sdr", b);
    const auto e = fixture::Thrown<ProjectError>([&] { sundrel::ReadProject(dir / "long.sdr"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetKind(), Kind::Malformed);
    EXPECT_EQ(std::string(e->what()),
              (dir / "long.sdr").string() + ": not a usable project file: it is " +
                  std::to_string(b.size()) + " bytes long; no project file is longer than " +
                  std::to_string(sundrel::kProjectLargest));
}

} // namespace
