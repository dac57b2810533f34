#include "ChildProcess.h"
#include "MixFolder.h"
#include "core/audio/WaveFile.h"
#include "core/riff/MappedFile.h"
#include "core/riff/WaveLayout.h"
#include "core/split/SplitPlan.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;
using fixture::Format;
using fixture::Listing;
using fixture::Slice;
using fixture::WriteAt;
using sundrel::SplitError;
using testing::HasSubstr;

Bytes B(std::initializer_list<int> values) {
    Bytes b;
    for (int v : values) {
        b.push_back(static_cast<std::byte>(v));
    }
    return b;
}

Bytes ReadAt(const fs::path& path, std::uint64_t offset, std::size_t length) {
    const sundrel::MappedFile file(path);
    const auto span = file.Bytes().subspan(offset, length);
    return Bytes(span.begin(), span.end());
}

// The frame count libsndfile reads from a file, or -1 when it cannot open it.
sf_count_t SndfileFrames(const fs::path& path, int* format = nullptr) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (sf == nullptr) {
        return -1;
    }
    sf_close(sf);
    if (format != nullptr) {
        *format = info.format;
    }
    return info.frames;
}

std::vector<sundrel::SplitTrack> SplitAt(CWaveFile& wave, const std::vector<float>& p,
                                         const fs::path& out, sundrel::SplitOptions options = {}) {
    options.sync = false;
    return wave.Split(p.data(), static_cast<int>(p.size()), out, options);
}

const float kHalf[] = {0.0f, 50.0f, 100.0f};

// The 1,000,044-byte canonical 16-bit stereo mix of the worked examples.
struct MillionByteMix : splittest::MixFolder {
    MillionByteMix() : MixFolder(250'000) {}
};

TEST(Split, HalfOfTheMillionByteMixReplacesOldTracks) {
    MillionByteMix m;
    fixture::WriteFile(m.out / "track01.wav", Bytes(2'000'000, std::byte{0x55}));
    CWaveFile wave(m.mix);
    wave.Split(kHalf, 3, m.out);

    const Bytes t1 = fixture::ReadFile(m.out / "track01.wav");
    const Bytes header =
        B({0x52, 0x49, 0x46, 0x46, 0x40, 0xa1, 0x07, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6d, 0x74,
           0x20, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x44, 0xac, 0x00, 0x00, 0x10, 0xb1,
           0x02, 0x00, 0x04, 0x00, 0x10, 0x00, 0x64, 0x61, 0x74, 0x61, 0x1c, 0xa1, 0x07, 0x00});
    ASSERT_EQ(t1.size(), 44u + 499'996u);
    EXPECT_EQ(Slice(t1, 0, 44), header);
    EXPECT_EQ(Slice(t1, 44), Slice(m.audio, 0, 499'996));
    // The second track runs to the last byte of the data.
    EXPECT_EQ(Slice(fixture::ReadFile(m.out / "track02.wav"), 44), Slice(m.audio, 499'996));
    EXPECT_EQ(Listing(m.out),
              (std::vector<std::string>{".sundrel-split", "track01.wav", "track02.wav"}));
}

TEST(Split, LargeMixIsCutAtExactOffsetsAndKeepsItsHoles) {
    fixture::TempDir dir;
    const fs::path mix = dir / "mix.wav";
    fixture::WriteSparse(
        mix, fixture::WavBuilder().Fmt(Format{}).ChunkDeclared("data", 700'000'000, {}).Build(),
        700'000'044);
    WriteAt(mix, 44 + 349'999'992 - 4, B({1, 2, 3, 4, 5, 6, 7, 8})); // across the cut
    WriteAt(mix, 700'000'040, B({9, 10, 11, 12}));

    CWaveFile wave(mix);
    SplitAt(wave, {0.0f, 50.0f, 100.0f}, dir.Path());
    EXPECT_EQ(fs::file_size(dir / "track01.wav"), 44u + 349'999'992u);
    EXPECT_EQ(fs::file_size(dir / "track02.wav"), 44u + 350'000'008u);
    EXPECT_EQ(ReadAt(dir / "track01.wav", 44 + 349'999'988, 4), B({1, 2, 3, 4}));
    EXPECT_EQ(ReadAt(dir / "track02.wav", 44, 4), B({5, 6, 7, 8}));
    EXPECT_EQ(ReadAt(dir / "track02.wav", 44 + 350'000'004, 4), B({9, 10, 11, 12}));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "track02.wav").c_str(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, 1 << 20); // the zeros of the mix were not written out
}

TEST(Split, TrackOfFourGibibytesIsWrittenAsRf64) {
    fixture::TempDir dir;
    const fs::path mix = dir / "mix.wav";
    // A plain RIFF file over 4 GiB whose data size field says "unknown".
    const std::uint64_t dataSize = (std::uint64_t{4} << 30) + 400;
    fixture::WriteSparse(
        mix, fixture::WavBuilder().Fmt(Format{}).ChunkDeclared("data", 0xFFFFFFFFu, {}).Build(),
        44 + dataSize);
    WriteAt(mix, 44, B({1, 2, 3, 4}));
    WriteAt(mix, 44 + dataSize - 4, B({5, 6, 7, 8}));

    CWaveFile wave(mix);
    SplitAt(wave, {0.0f, 100.0f}, dir.Path());
    const fs::path track = dir / "track01.wav";
    const sundrel::MappedFile file(track);
    const auto layout = sundrel::ReadWaveLayout(file.Bytes());
    EXPECT_EQ(std::tuple(layout.container, layout.dataOffset, layout.dataSize),
              std::tuple(sundrel::Container::Rf64, 80u, dataSize));
    EXPECT_EQ(fs::file_size(track), 80 + dataSize);
    EXPECT_EQ(ReadAt(track, 80, 4), B({1, 2, 3, 4}));
    EXPECT_EQ(ReadAt(track, 80 + dataSize - 4, 4), B({5, 6, 7, 8}));
    int format = 0;
    EXPECT_EQ(SndfileFrames(track, &format), static_cast<sf_count_t>(dataSize / 4));
    EXPECT_EQ(format & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
}

// Random percentage or frame markers on every supported format, with and without extra
// chunks: every cut falls on a frame (a frame marker's exactly at frame times frame size), and
// the tracks, read back by our reader and by libsndfile, hold the source data byte for byte.
// Every format the core reads: 8/16/24/32-bit PCM and float, mono and stereo.
const Format kFormats[] = {
    {1, 1, 22050, 8},  {1, 2, 44100, 8},  {1, 1, 44100, 16}, {1, 2, 44100, 16}, {1, 1, 48000, 24},
    {1, 2, 48000, 24}, {1, 1, 96000, 32}, {1, 2, 96000, 32}, {3, 1, 48000, 32}, {3, 2, 48000, 32}};

// The audio of the tracks, one after the other.
Bytes JoinedAudio(const std::vector<sundrel::SplitTrack>& tracks) {
    Bytes joined;
    for (const auto& track : tracks) {
        const Bytes bytes = fixture::ReadFile(track.path);
        // The data chunk's own bytes: an odd one is followed by its pad byte.
        joined.insert(joined.end(), bytes.begin() + 44,
                      bytes.begin() + 44 + static_cast<std::ptrdiff_t>(track.span.size));
    }
    return joined;
}

TEST(Split, TracksReproduceTheDataOfEveryFormat) {
    std::mt19937 rng(11);
    fixture::TempDir dir;
    int round = 0;
    for (const Format& f : kFormats) {
        for (int variant = 0; variant < 6; ++variant, ++round) {
            const std::size_t frames = 500 + rng() % 3000;
            const Bytes audio = fixture::TestSignal(f, frames, static_cast<std::uint32_t>(rng()));
            const bool extensible = variant & 1;
            const bool byFrame = variant >= 4;
            fixture::WriteFile(dir / "mix.wav",
                               variant & 2 || byFrame
                                   ? fixture::ChunkyWav(f, audio, extensible)
                                   : fixture::WavBuilder().Fmt(f, extensible).Data(audio).Build());
            const fs::path out = dir / ("out" + std::to_string(round));
            fs::create_directory(out);
            std::vector<float> p{0.0f};
            std::vector<sundrel::Marker> markers = {sundrel::PercentMarker(0.0f)};
            std::vector<std::uint64_t> starts = {0}; // of the frame markers' tracks
            for (int i = 0, n = static_cast<int>(rng() % 12); i < n; ++i) {
                p.push_back(static_cast<float>(rng() % 10001) / 100.0f);
                starts.push_back((1 + rng() % (frames - 1)) * f.FrameSize());
                markers.push_back(
                    sundrel::FrameMarker(std::int64_t(starts.back() / f.FrameSize())));
                if (rng() % 5 == 0) { // an empty track
                    p.push_back(p.back());
                    starts.push_back(starts.back());
                    markers.push_back(markers.back());
                }
            }
            std::sort(p.begin(), p.end());
            p.push_back(100.0f);
            std::sort(starts.begin(), starts.end());
            sundrel::ResolvePercentFrames(markers, audio.size(), f.FrameSize());

            CWaveFile wave(dir / "mix.wav");
            sundrel::SplitOptions options;
            options.sync = false;
            const auto tracks = byFrame ? wave.Split(markers, out, options) : SplitAt(wave, p, out);
            ASSERT_EQ(tracks.size(), byFrame ? starts.size() : p.size() - 1);
            for (std::size_t i = 0; i < tracks.size(); ++i) {
                const auto& track = tracks[i];
                SCOPED_TRACE("round " + std::to_string(round) + " " + track.path.string());
                ASSERT_EQ(track.span.offset % f.FrameSize(), 0u);
                if (byFrame) {
                    EXPECT_EQ(track.span.offset, starts[i]);
                }
                const Bytes bytes = fixture::ReadFile(track.path);
                const auto layout = sundrel::ReadWaveLayout(bytes);
                EXPECT_EQ((std::tuple{layout.format.formatTag, layout.format.channels,
                                      layout.format.sampleRate, layout.format.bitsPerSample}),
                          (std::tuple{f.tag, f.channels, f.rate, f.bits}));
                ASSERT_EQ(layout.dataOffset, 44u);
                ASSERT_EQ(layout.dataSize, track.span.size);
                ASSERT_EQ(bytes.size(), 44 + track.span.size + track.span.size % 2);
                EXPECT_EQ(SndfileFrames(track.path),
                          static_cast<sf_count_t>(layout.dataSize / f.FrameSize()));
            }
            ASSERT_EQ(JoinedAudio(tracks), audio) << "round " << round;
        }
    }
}

TEST(Split, CopiesAcrossFileSystems) {
    // /dev/shm is a different file system from the test's temporary folder on most machines;
    // there the copy goes through reads and writes instead of copy_file_range.
    std::string tmpl = "/dev/shm/sundrel-test-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) {
        GTEST_SKIP() << "no /dev/shm";
    }
    const fs::path shm = tmpl;
    fixture::TempDir out;
    const Format f{1, 2, 48000, 24};
    const Bytes audio = fixture::TestSignal(f, 300'000); // 1.8 MB: more than one buffer
    fixture::WriteFile(shm / "mix.wav", fixture::CanonicalWav(f, audio));
    CWaveFile wave(shm / "mix.wav");
    const Bytes joined = JoinedAudio(SplitAt(wave, {0.0f, 12.5f, 100.0f}, out.Path()));
    fs::remove_all(shm);
    EXPECT_EQ(joined, audio);
}

// "track: " or "mix: " and the text of the SplitError `split` throws; "no error" for none.
std::string Report(const std::function<void()>& split) {
    const auto e = fixture::Thrown<SplitError>(split);
    const char* side = e && e->GetSide() == SplitError::Side::Track ? "track: " : "mix: ";
    return e ? side + std::string(e->what()) : "no error";
}

TEST(SplitFailure, FileSizeLimitStopsTheSplitAndLeavesNothing) {
    MillionByteMix m;
    CWaveFile wave(m.mix);
    const auto outcome = childproc::Run([&](int fd) {
        // Room for track01.wav (500,040 bytes) but not for track02.wav (500,048).
        childproc::LimitFileSize(500'045);
        childproc::Send(fd, Report([&] { wave.Split(kHalf, 3, m.out); }));
    });
    EXPECT_TRUE(childproc::ExitedCleanly(outcome));
    EXPECT_THAT(outcome.output, testing::StartsWith("track: "));
    EXPECT_THAT(outcome.output, HasSubstr("track02.wav"));
    EXPECT_THAT(outcome.output, HasSubstr(std::strerror(EFBIG)));
    EXPECT_TRUE(Listing(m.out).empty()); // not even the complete first track
}

TEST(SplitFailure, OutputFolderThatCannotHoldFiles) {
    MillionByteMix m;
    fixture::WriteFile(m.dir / "plain", Bytes(3));
    CWaveFile wave(m.mix);
    EXPECT_EQ(Report([&] { wave.Split(kHalf, 3, m.dir / "plain" / "out"); }),
              "track: " + (m.dir / "plain/out/track01.wav").string() +
                  ": cannot create: " + std::strerror(ENOTDIR));
}

TEST(SplitFailure, MixDeletedOrShortenedAfterLoading) {
    MillionByteMix m;
    CWaveFile wave(m.mix);
    fs::remove(m.mix);
    EXPECT_THAT(Report([&] { wave.Split(kHalf, 3, m.out); }),
                testing::StartsWith("mix: " + m.mix.string() + ": cannot open"));
    EXPECT_TRUE(Listing(m.out).empty());

    // Shortened after the first track is written, into the second track or to before it
    // starts: the error gives the size the mix has now; the new first track is removed again
    // and the old one kept.
    for (const std::uint64_t now : {600'000u, 300'000u}) {
        MillionByteMix s;
        const Bytes old(100, std::byte{0x55});
        fixture::WriteFile(s.out / "track01.wav", old);
        CWaveFile shortened(s.mix);
        sundrel::SplitOptions options;
        options.workers = 1; // the second track is copied only after the first is reported
        options.onProgress = [&s, now](std::uint64_t done, std::uint64_t total) {
            EXPECT_EQ(total, 1'000'000u);
            if (done == 499'996) {
                fs::resize_file(s.mix, now);
            }
        };
        options.onTrackWritten = [](const sundrel::SplitTrack& t) {
            ADD_FAILURE() << t.path << " reported as written";
        };
        EXPECT_EQ(Report([&] {
                      SplitAt(shortened, {0, 50, 100}, s.out, options);
                  }),
                  "mix: " + s.mix.string() + ": the mix changed on disk (it is now " +
                      std::to_string(now) + " bytes, was 1000044)");
        EXPECT_EQ(Listing(s.out), std::vector<std::string>{"track01.wav"});
        EXPECT_EQ(fixture::ReadFile(s.out / "track01.wav"), old);
    }
}

TEST(SplitFailure, NeverReplacesTheMixItself) {
    fixture::TempDir dir;
    const Bytes original = fixture::CanonicalWav(Format{}, fixture::TestSignal(Format{}, 1000));
    fixture::WriteFile(dir / "track02.wav", original);
    CWaveFile wave(dir / "track02.wav");
    // A track never takes the mix's name (named tracks go through the same check).
    EXPECT_THAT(fixture::Refusal<SplitError>([&] { wave.Split(kHalf, 3, dir.Path()); }),
                HasSubstr("track02.wav: this is the mix being split"));
    EXPECT_EQ(fixture::ReadFile(dir / "track02.wav"), original);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"track02.wav"});
}

} // namespace
