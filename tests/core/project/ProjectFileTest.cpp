#include "core/project/ProjectFile.h"
#include "core/markers/MarkerList.h"
#include "core/project/ProjectLoader.h"
#include "support/WavFixture.h"

#include <bit>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;
using sundrel::ProjectError;
using Kind = sundrel::ProjectError::Kind;

Kind DecodeFails(const Bytes& bytes) {
    try {
        sundrel::DecodeProject(bytes, "p.sdr");
    } catch (const ProjectError& e) {
        EXPECT_NE(std::string(e.what()).find("p.sdr"), std::string::npos);
        return e.GetKind();
    }
    ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
    return Kind::Unreadable;
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

TEST(ProjectFile, LayoutOfVersion2) {
    const float one[] = {0.0f};
    const Bytes b = sundrel::EncodeProject("/music/mix.wav", one);
    ASSERT_EQ(b.size(), 271u);
    EXPECT_EQ(std::memcmp(b.data(), "Sndrl\x02/music/mix.wav\0", 21), 0);
    EXPECT_TRUE(std::all_of(b.begin() + 20, b.begin() + 266,
                            [](std::byte x) { return x == std::byte{0}; }));
    EXPECT_EQ(b[266], std::byte{1});

    const float three[] = {0.0f, 25.5f, 60.0f};
    const Bytes b3 = sundrel::EncodeProject("/music/mix.wav", three);
    ASSERT_EQ(b3.size(), 279u);
    EXPECT_EQ(std::memcmp(b3.data() + 271, "\x00\x00\xcc\x41", 4), 0); // 25.5f little-endian
    const auto back = sundrel::DecodeProject(b3, "p.sdr");
    EXPECT_EQ(back.version, 2);
    EXPECT_EQ(back.wavePath, "/music/mix.wav");
    EXPECT_EQ(back.markers, (std::vector<float>{0.0f, 25.5f, 60.0f}));

    const Bytes empty = sundrel::EncodeProject("/music/mix.wav", {});
    ASSERT_EQ(empty.size(), 267u);
    EXPECT_TRUE(sundrel::DecodeProject(empty, "p.sdr").markers.empty());
}

TEST(ProjectFile, CountsUpTo255RoundTrip) {
    std::vector<float> markers;
    for (int i = 0; i < 255; ++i) {
        markers.push_back(static_cast<float>(i) * 0.39f);
    }
    const std::vector<float> two100(markers.begin(), markers.begin() + 200);
    EXPECT_EQ(sundrel::DecodeProject(sundrel::EncodeProject("m.wav", two100), "p").markers, two100);
    EXPECT_EQ(sundrel::DecodeProject(sundrel::EncodeProject("m.wav", markers), "p").markers,
              markers);
    markers.push_back(50.0f);
    EXPECT_THROW(sundrel::EncodeProject("m.wav", markers), ProjectError);
}

TEST(ProjectFile, SaveRefusesWhatCannotBeStored) {
    const float one[] = {0.0f};
    EXPECT_EQ(sundrel::EncodeProject(std::string(259, 'a'), one).size(), 271u);
    const float nan[] = {std::numeric_limits<float>::quiet_NaN()};
    const float over[] = {100.5f};
    for (const auto& [path, markers] :
         {std::pair<std::string, std::span<const float>>{std::string(260, 'a'), one},
          {std::string("a\0b", 3), one},
          {"m.wav", nan},
          {"m.wav", over}}) {
        try {
            sundrel::EncodeProject(path, markers);
            ADD_FAILURE() << "encoded " << path.size();
        } catch (const ProjectError& e) {
            EXPECT_EQ(e.GetKind(), Kind::Unsaveable);
        }
    }
}

TEST(ProjectFile, ReadsVersion1AndIgnoresTheMagic) {
    const auto v1 = sundrel::DecodeProject(Version1({0.0f, 42.0f}), "p.sdr");
    EXPECT_EQ(v1.version, 1);
    EXPECT_TRUE(v1.wavePath.empty());
    EXPECT_EQ(v1.markers, (std::vector<float>{0.0f, 42.0f}));

    const float one[] = {0.0f, 30.0f};
    Bytes damaged = sundrel::EncodeProject("/m.wav", one);
    std::memcpy(damaged.data(), "XXXXX", 5);
    EXPECT_EQ(sundrel::DecodeProject(damaged, "p.sdr").markers, (std::vector<float>{0.0f, 30.0f}));
}

TEST(ProjectFile, RefusesDamagedFiles) {
    const float three[] = {0.0f, 25.5f, 60.0f};
    const Bytes good = sundrel::EncodeProject("/m.wav", three);
    for (std::size_t length = 0; length < good.size(); ++length) {
        EXPECT_EQ(DecodeFails(Bytes(good.begin(), good.begin() + length)), Kind::Malformed)
            << length;
    }
    const Bytes goodV1 = Version1({0.0f, 50.0f});
    for (std::size_t length = 0; length < goodV1.size(); ++length) {
        DecodeFails(Bytes(goodV1.begin(), goodV1.begin() + length));
    }

    Bytes b = good;
    b.push_back(std::byte{0});
    DecodeFails(b); // trailing byte
    for (int version : {0, 3, 255}) {
        b = good;
        b[5] = static_cast<std::byte>(version);
        DecodeFails(b);
    }
    b = good;
    std::fill(b.begin() + 6, b.begin() + 266, std::byte{'a'});
    DecodeFails(b); // path field without a zero byte
    for (float bad : {-1.0f, 100.01f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()}) {
        b = good;
        const auto bits = std::bit_cast<std::uint32_t>(bad);
        std::memcpy(b.data() + 271, &bits, 4);
        DecodeFails(b);
    }
}

TEST(ProjectFile, WriteReplacesWholeOrNotAtAll) {
    fixture::TempDir dir;
    const fs::path path = dir / "set.sdr";
    const float first[] = {0.0f, 10.0f};
    sundrel::WriteProject(path, "/m.wav", first);
    const Bytes before = fixture::ReadFile(path);
    EXPECT_EQ(sundrel::ReadProject(path).markers, (std::vector<float>{0.0f, 10.0f}));

    EXPECT_THROW(sundrel::WriteProject(path, std::string(300, 'x'), first), ProjectError);
    EXPECT_EQ(fixture::ReadFile(path), before);

    const float second[] = {0.0f, 20.0f, 30.0f};
    sundrel::WriteProject(path, "/m.wav", second);
    EXPECT_EQ(fs::file_size(path), 279u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    fixture::WriteFile(dir / "plain", Bytes(3));
    try {
        sundrel::WriteProject(dir / "plain" / "x.sdr", "/m.wav", second);
        ADD_FAILURE() << "no error";
    } catch (const ProjectError& e) {
        EXPECT_EQ(e.GetKind(), Kind::Unwritable);
        EXPECT_NE(std::string(e.what()).find("plain/x.sdr"), std::string::npos);
    }
}

TEST(ProjectFile, OpenLoadsTheMixOrChangesNothing) {
    fixture::TempDir dir;
    const fs::path wav = dir / "mix.wav";
    fixture::WriteFile(wav, fixture::CanonicalWav({}, fixture::TestSignal({}, 44100)));
    const float markers[] = {0.0f, 25.5f, 60.0f};
    sundrel::WriteProject(dir / "good.sdr", wav.string(), markers);
    const auto opened = sundrel::OpenProject(dir / "good.sdr");
    ASSERT_NE(opened.wave, nullptr);
    EXPECT_EQ(opened.wave->m_nDataSize, 44100u * 4);
    EXPECT_EQ(opened.file.markers.size(), 3u);

    fixture::WriteFile(dir / "v1.sdr", Version1({0.0f, 5.0f}));
    EXPECT_EQ(sundrel::OpenProject(dir / "v1.sdr").wave, nullptr);

    // A relative path counts from the current folder at Open; the mix keeps its whole path,
    // so it still reads after the current folder changes.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.Path());
    sundrel::WriteProject("relative.sdr", "mix.wav", markers);
    const auto relative = sundrel::OpenProject("relative.sdr");
    fs::current_path(cwd);
    ASSERT_NE(relative.wave, nullptr);
    EXPECT_EQ(relative.wave->m_strPath, fs::canonical(wav));

    // Every failed Open leaves the window's markers as they were.
    sundrel::MarkerList list;
    list.Add(30.0f, 120.0);
    const auto kept = list.Values();
    auto open = [&list](const fs::path& path) {
        try {
            list.Replace(sundrel::OpenProject(path).file.markers);
        } catch (const ProjectError& e) {
            return e.GetKind();
        }
        return Kind::Unreadable;
    };
    sundrel::WriteProject(dir / "moved.sdr", (dir / "gone.wav").string(), markers);
    EXPECT_EQ(open(dir / "moved.sdr"), Kind::WaveMissing);
    try {
        sundrel::OpenProject(dir / "moved.sdr");
    } catch (const ProjectError& e) {
        EXPECT_STREQ(e.what(), "Wave file doesn't exist");
        EXPECT_EQ(e.Path(), dir / "gone.wav");
    }
    fixture::WriteFile(dir / "notwav.txt", Bytes(100, std::byte{'x'}));
    sundrel::WriteProject(dir / "notwav.sdr", (dir / "notwav.txt").string(), markers);
    EXPECT_EQ(open(dir / "notwav.sdr"), Kind::WaveUnusable);
    sundrel::WriteProject(dir / "nopath.sdr", "", markers);
    EXPECT_EQ(open(dir / "nopath.sdr"), Kind::WaveMissing);
    Bytes cut = fixture::ReadFile(dir / "good.sdr");
    cut.pop_back();
    fixture::WriteFile(dir / "cut.sdr", cut);
    EXPECT_EQ(open(dir / "cut.sdr"), Kind::Malformed);
    fixture::WriteFile(dir / "long.sdr", Bytes(5000, std::byte{2}));
    EXPECT_EQ(open(dir / "long.sdr"), Kind::Malformed);
    EXPECT_EQ(open(dir / "absent.sdr"), Kind::Unreadable);
    EXPECT_EQ(list.Values(), kept);
}

} // namespace
