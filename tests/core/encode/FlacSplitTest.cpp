// FLAC tracks checked against independent readers: libsndfile (and the flac tool where
// libsndfile stops at 24 bits) decodes every track back to exactly the mix's samples, the flac
// tool verifies each stream's MD5, and metaflac reads the tags back.

#include "../split/TrackReaders.h"
#include "core/audio/WaveFile.h"
#include "core/io/UniqueFd.h"
#include "core/split/FlacTrack.h"
#include "core/split/FlacTracks.h"
#include "core/split/SplitPlan.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <stop_token>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;
using fixture::Format;
using fixture::Listing;
using sundrel::SplitError;
using testing::HasSubstr;

using childproc::Shell;
using trackread::Quoted;
using trackread::Samples;

std::string Metaflac(const fs::path& path, const std::string& options) {
    const auto [out, status] = Shell("metaflac " + options + " " + Quoted(path));
    EXPECT_EQ(status, 0) << path;
    return out;
}

// A mix with chunks around its audio, so the audio does not start at byte 44, loaded.
struct ChunkyMix {
    fixture::TempDir dir;
    fs::path mix = dir / "mix.wav";
    fs::path out = dir / "out";
    CWaveFile wave;
    ChunkyMix(const Format& f, std::size_t frames) : wave(Written(mix, f, frames)) {
        fs::create_directory(out);
    }
    static const fs::path& Written(const fs::path& path, const Format& f, std::size_t frames) {
        fixture::WriteFile(path, fixture::ChunkyWav(f, fixture::TestSignal(f, frames, 5)));
        return path;
    }
};

std::vector<sundrel::Marker> Markers(std::initializer_list<std::int64_t> frames) {
    std::vector<sundrel::Marker> markers;
    for (const std::int64_t frame : frames) {
        markers.push_back(sundrel::FrameMarker(frame));
    }
    return markers;
}

sundrel::SplitOptions Flac() {
    sundrel::SplitOptions options;
    options.format = sundrel::TrackFormat::Flac;
    return options;
}

struct FormatCase {
    const char* name;
    Format format;
};

class FlacSplitFormats : public testing::TestWithParam<FormatCase> {};

// Every track decodes to the mix's samples in its span, the tracks together to all of them;
// each stream's MD5 and length are right. Tracks of very different lengths (an empty one, one
// shorter than a FLAC block, one of several seconds) are encoded side by side.
TEST_P(FlacSplitFormats, TracksDecodeToTheMixExactly) {
    const Format f = GetParam().format;
    const std::size_t frames = 150'001;
    ChunkyMix m(f, frames);
    const auto written = m.wave.Split(Markers({0, 1000, 1000, 1100, 120'000}), m.out, Flac());

    ASSERT_EQ(written.size(), 5u);
    EXPECT_EQ(Listing(m.out),
              (std::vector<std::string>{".sundrel-split", "track01.flac", "track02.flac",
                                        "track03.flac", "track04.flac", "track05.flac"}));
    const std::vector<int> source = Samples(m.mix);
    ASSERT_EQ(source.size(), frames * f.channels);
    std::vector<int> joined;
    for (const sundrel::SplitTrack& track : written) {
        SCOPED_TRACE(track.path.filename().string());
        EXPECT_EQ(track.path.extension(), ".flac");
        int channels = 0;
        const std::vector<int> decoded = Samples(track.path, &channels);
        const std::size_t first = track.span.offset / f.FrameSize() * f.channels;
        const std::size_t count = track.span.size / f.FrameSize() * f.channels;
        ASSERT_EQ(decoded.size(), count);
        if (count > 0) {
            EXPECT_EQ(channels, f.channels);
        }
        EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(),
                               source.begin() + static_cast<std::ptrdiff_t>(first)));
        joined.insert(joined.end(), decoded.begin(), decoded.end());
        EXPECT_EQ(Shell("flac -t -s " + Quoted(track.path) + " 2>&1").second, 0);
        EXPECT_EQ(Metaflac(track.path, "--show-total-samples --show-bps --show-sample-rate"),
                  std::to_string(track.span.size / f.FrameSize()) + "\n" + std::to_string(f.bits) +
                      "\n" + std::to_string(f.rate) + "\n");
    }
    EXPECT_EQ(joined, source);
}

INSTANTIATE_TEST_SUITE_P(Pcm, FlacSplitFormats,
                         testing::Values(FormatCase{"u8_mono", {1, 1, 22050, 8}},
                                         FormatCase{"u8_stereo", {1, 2, 44100, 8}},
                                         FormatCase{"s16_mono", {1, 1, 44100, 16}},
                                         FormatCase{"s16_stereo", {1, 2, 44100, 16}},
                                         FormatCase{"s24_mono", {1, 1, 96000, 24}},
                                         FormatCase{"s24_stereo", {1, 2, 48000, 24}},
                                         FormatCase{"s32_stereo", {1, 2, 44100, 32}}),
                         [](const auto& p) { return std::string(p.param.name); });

// The tags of each track as Vorbis comments, the empty ones left out, read back by metaflac
// (every comment as written) and ffprobe (as players name them); with them what a DJ mix's
// tracks carry besides their own names: the DJ as album artist, the mix's date and genre,
// disc 1 of 1 and the compilation flag.
TEST(FlacSplit, TagsReadBack) {
    ChunkyMix m(Format{}, 30'000);
    sundrel::SplitOptions options = Flac();
    options.tags = {{"Über die Brücke — Live", "Café Tacvba", "Sunset Mix", 1, 2, "DJ Ω",
                     "2026-12-05", "Techno", 1, true},
                    {"", "", "Sunset Mix", 2, 2}};
    const auto written = m.wave.Split(Markers({0, 10'000}), m.out, options);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(Metaflac(written[0].path, "--export-tags-to=-"),
              "TITLE=Über die Brücke — Live\nARTIST=Café Tacvba\nALBUM=Sunset Mix\n"
              "TRACKNUMBER=1\nTRACKTOTAL=2\nALBUMARTIST=DJ Ω\nDATE=2026-12-05\nGENRE=Techno\n"
              "DISCNUMBER=1\nDISCTOTAL=1\nCOMPILATION=1\n");
    EXPECT_EQ(Metaflac(written[1].path, "--export-tags-to=-"),
              "ALBUM=Sunset Mix\nTRACKNUMBER=2\nTRACKTOTAL=2\n");
    // The room the flac tool leaves for editing tags in place.
    EXPECT_THAT(Metaflac(written[0].path, "--list --block-type=PADDING"),
                HasSubstr("length: 8192"));

    if (trackread::HaveTool("ffprobe")) {
        const std::string json = trackread::Ffprobe(written[0].path);
        // ffprobe names the comments it knows its own way and shows the others as written.
        for (const char* tag :
             {"\"album_artist\": \"DJ Ω\"", "\"DATE\": \"2026-12-05\"", "\"GENRE\": \"Techno\"",
              "\"disc\": \"1\"", "\"COMPILATION\": \"1\""}) {
            EXPECT_THAT(json, HasSubstr(tag)) << json;
        }
    }

    // Without tags: the vendor string alone.
    fs::remove_all(m.out);
    fs::create_directory(m.out);
    const auto bare = m.wave.Split(Markers({0}), m.out, Flac());
    EXPECT_EQ(Metaflac(bare[0].path, "--export-tags-to=-"), "");
}

// A seek point every 10 seconds, completed with where its frame lies once the stream is written.
TEST(FlacSplit, SeekTableFilledIn) {
    ChunkyMix m(Format{1, 1, 8000, 16}, 200'000); // 25 s
    const auto written = m.wave.Split(Markers({0}), m.out, Flac());
    const std::string table = Metaflac(written[0].path, "--list --block-type=SEEKTABLE");
    EXPECT_THAT(table, HasSubstr("seek points: 3"));
    EXPECT_THAT(table, HasSubstr("point 0: sample_number=0, stream_offset=0,"));
    EXPECT_THAT(table,
                testing::ContainsRegex("point 1: sample_number=7[0-9]+, stream_offset=[1-9]"));
}

// Float audio cannot be held exactly: refused before anything is written, older tracks
// kept. A title that is not UTF-8 stops the split with no track left either.
TEST(FlacSplit, RefusalsLeaveTheFolderAsItWas) {
    ChunkyMix m(Format{3, 2, 44100, 32}, 20'000);
    const Bytes old(10, std::byte{7});
    fixture::WriteFile(m.out / "track01.flac", old);
    const auto e = fixture::Thrown<SplitError>([&] {
        m.wave.Split(Markers({0, 5000}), m.out, Flac());
    });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetSide(), SplitError::Side::Track);
    EXPECT_EQ(std::string(e->what()),
              m.mix.string() + ": float 32-bit stereo 44100 Hz audio cannot be written as FLAC: "
                               "FLAC holds integer samples only, and converting float samples "
                               "would change the audio; split as WAV instead");
    EXPECT_EQ(Listing(m.out), std::vector<std::string>{"track01.flac"});
    EXPECT_EQ(fixture::ReadFile(m.out / "track01.flac"), old);

    CWaveFile wave16(ChunkyMix::Written(m.mix, Format{}, 20'000));
    sundrel::SplitOptions options = Flac();
    options.tags = {{"fine", "", "", 1, 2}, {"bad \xff\xfe", "", "", 2, 2}};
    EXPECT_THAT(fixture::Refusal<SplitError>([&] {
                    wave16.Split(Markers({0, 5000}), m.out, options);
                }),
                HasSubstr("track02.flac: the TITLE tag is not UTF-8 text"));
    EXPECT_EQ(Listing(m.out), std::vector<std::string>{"track01.flac"});
    EXPECT_EQ(fixture::ReadFile(m.out / "track01.flac"), old);
}

TEST(FlacRefusal, OnlyWhatFlacCannotHoldExactly) {
    for (const std::uint16_t bits :
         {std::uint16_t{8}, std::uint16_t{16}, std::uint16_t{24}, std::uint16_t{32}}) {
        EXPECT_EQ(sundrel::FlacRefusal({sundrel::kFormatPcm, 2, 44100, bits, false}), "") << bits;
    }
    EXPECT_EQ(sundrel::FlacRefusal({sundrel::kFormatPcm, 8, 48000, 24, true}), "");
    EXPECT_THAT(sundrel::FlacRefusal({sundrel::kFormatPcm, 9, 48000, 24, true}),
                HasSubstr("FLAC holds 1 to 8 channels"));
    EXPECT_THAT(sundrel::FlacRefusal({sundrel::kFormatFloat, 1, 48000, 32, false}),
                HasSubstr("float 32-bit mono 48000 Hz audio cannot be written as FLAC"));
}

// A failed write in one worker (the file size limit stops the longest track) stops the
// split: no track of the run is left, however far the others got.
TEST(FlacSplit, OneFailedTrackLeavesNoTrack) {
    ChunkyMix m(Format{}, 400'000);
    const auto outcome = childproc::Run([&](int fd) {
        childproc::LimitFileSize(300'000); // the 1.4 MB of the longest track do not fit
        childproc::Send(
            fd, fixture::Refusal<SplitError>([&] {
                m.wave.Split(Markers({0, 10'000, 20'000, 30'000, 40'000, 50'000}), m.out, Flac());
            }));
    });
    EXPECT_TRUE(childproc::ExitedCleanly(outcome));
    const std::string& report = outcome.output;
    EXPECT_THAT(report,
                HasSubstr("track06.flac: cannot write: " + std::string(std::strerror(EFBIG))));
    EXPECT_EQ(Listing(m.out), std::vector<std::string>{});
}

// Open files for the jobs of EncodeFlacTracks over `spans` of a mix.
struct Jobs {
    std::vector<sundrel::FlacTrackJob> jobs;
    std::vector<sundrel::io::UniqueFd> fds;
    Jobs(const fs::path& folder, std::initializer_list<sundrel::TrackSpan> spans) {
        int number = 0;
        for (const sundrel::TrackSpan span : spans) {
            const fs::path path = folder / sundrel::TrackName(++number, sundrel::TrackFormat::Flac);
            fds.emplace_back(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
            jobs.push_back({span, fds.back().Get(), path, {"t", "a", "m", number, 3}});
        }
    }
};

// The encoder is deterministic: the same bytes however many workers share the tracks.
// A failure of the progress callback stops the workers and is passed on. (How the workers
// share the jobs and report progress: TrackWorkersTest.)
TEST(FlacTracks, SameFilesOnAnyNumberOfWorkers) {
    ChunkyMix m(Format{}, 60'000);
    const sundrel::io::UniqueFd fd(::open(m.mix.c_str(), O_RDONLY | O_CLOEXEC));
    const sundrel::FlacSource source{fd.Get(), m.mix, m.wave.m_nFileSize, m.wave.m_nDataOffset,
                                     m.wave.GetFormat()};
    std::vector<Bytes> first;
    for (const unsigned threads : {1u, 3u}) {
        const fs::path folder = m.dir / ("t" + std::to_string(threads));
        fs::create_directory(folder);
        Jobs j(folder, {{0, 40'000}, {40'000, 160'000}, {200'000, 40'000}});
        sundrel::EncodeFlacTracks(source, j.jobs, {}, threads);
        for (std::size_t i = 0; i < j.jobs.size(); ++i) {
            if (threads == 1) {
                first.push_back(fixture::ReadFile(j.jobs[i].path));
            } else {
                EXPECT_EQ(fixture::ReadFile(j.jobs[i].path), first[i]) << i;
            }
        }
    }
    Jobs j(m.dir.Path(), {{0, 80'000}, {80'000, 80'000}, {160'000, 80'000}});
    EXPECT_THROW(sundrel::EncodeFlacTracks(
                     source, j.jobs,
                     [](std::uint64_t, std::uint64_t total) {
                         EXPECT_EQ(total, 240'000u); // the audio bytes of the jobs
                         throw std::runtime_error("cancel");
                     },
                     2),
                 std::runtime_error);
}

// A mix that lost audio since it was loaded is reported as such, on the mix's side.
TEST(FlacTrack, MixShorterThanLoaded) {
    ChunkyMix m(Format{}, 10'000);
    fs::resize_file(m.mix, m.wave.m_nDataOffset + 20'000);
    const sundrel::io::UniqueFd fd(::open(m.mix.c_str(), O_RDONLY | O_CLOEXEC));
    const sundrel::io::UniqueFd out(
        ::open((m.dir / "t.flac").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const sundrel::FlacSource source{fd.Get(), m.mix, m.wave.m_nFileSize, m.wave.m_nDataOffset,
                                     m.wave.GetFormat()};
    const auto e = fixture::Thrown<SplitError>([&] {
        sundrel::EncodeFlacTrack(source, {0, 40'000}, out.Get(), m.dir / "t.flac", {});
    });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetSide(), SplitError::Side::Mix);
    EXPECT_THAT(e->what(), HasSubstr(": the mix changed on disk (it is now " +
                                     std::to_string(m.wave.m_nDataOffset + 20'000) + " bytes"));

    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(sundrel::EncodeFlacTrack(source, {0, 4'000}, out.Get(), m.dir / "t.flac", {},
                                          sundrel::kFlacLevel, stop.get_token()));
}

} // namespace
