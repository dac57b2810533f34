#include "MixFolder.h"
#include "TrackReaders.h"
#include "core/audio/WaveFile.h"
#include "core/markers/Marker.h"
#include "core/split/SplitTypes.h"
#include "core/split/TrackFiles.h"
#include "core/split/TrackHeader.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/wavfile.h>

namespace {

namespace fs = std::filesystem;
using fixture::Bytes;
using fixture::Format;
using fixture::Slice;
using sundrel::SplitOptions;
using sundrel::TrackTags;
using testing::HasSubstr;

std::uint32_t U32At(const Bytes& b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        v |= std::to_integer<std::uint32_t>(b.at(at + i)) << (8 * i);
    }
    return v;
}

std::string IdAt(const Bytes& b, std::size_t at) {
    return {reinterpret_cast<const char*>(b.data() + at), 4};
}

// The ids of the chunks of a RIFF file, walked with their pad bytes from the first after
// "WAVE"; "!" marks a chunk that runs past the end.
std::vector<std::string> ChunkIds(const Bytes& file) {
    std::vector<std::string> ids;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::uint64_t size = U32At(file, at + 4);
        ids.push_back(IdAt(file, at));
        at += 8 + size + size % 2;
        if (at > file.size()) {
            ids.push_back("!");
        }
    }
    return ids;
}

using Mix = splittest::MixFolder;

const std::string kUnicodeTitle = "Zw\xc3\xb6lf \xe6\x9d\xb1\xe4\xba\xac"; // "Zwölf 東京"

// Each track's own names and, as a DJ mix's tracks carry them, the mix's: the DJ as album
// artist, its date and genre, disc 1 of 1 and the compilation flag.
std::vector<TrackTags> ThreeTags() {
    std::vector<TrackTags> tags = {{"Opening", "DJ One", "Live at Fabric", 1, 3},
                                   {kUnicodeTitle, "Caf\xc3\xa9 Crew", "Live at Fabric", 2, 3},
                                   {"", "", "Live at Fabric", 3, 3}};
    for (TrackTags& t : tags) {
        t.albumArtist = "DJ \xce\xa9";
        t.date = "2026-12-05";
        t.genre = "Deep House";
        t.disc = 1;
        t.compilation = true;
    }
    return tags;
}

// The markers cut 16-bit stereo at frames 1001 and 2500 and 8-bit mono at odd bytes too.
std::vector<sundrel::Marker> Markers() {
    return {sundrel::FrameMarker(0), sundrel::FrameMarker(1001), sundrel::FrameMarker(2500)};
}

std::vector<sundrel::SplitTrack> SplitNamed(const Mix& m, SplitOptions options) {
    CWaveFile wave(m.mix);
    options.sync = false;
    return wave.Split(Markers(), m.out, options);
}

// Every track holds the mix's bytes exactly behind a 44-byte header whose data size is the
// track's, its RIFF size covering what follows, and libsndfile reads the same audio.
void ExpectTracksIntact(const Mix& m, const std::vector<sundrel::SplitTrack>& tracks, bool tagged) {
    CWaveFile wave(m.mix);
    const std::vector<int> mix = trackread::Samples(m.mix);
    const std::size_t frame = m.format.FrameSize();
    for (const auto& t : tracks) {
        SCOPED_TRACE(t.path.string());
        const Bytes file = fixture::ReadFile(t.path);
        const Bytes plain = [&] {
            const auto h = sundrel::MakeTrackHeader(wave.m_wfx, t.span.size);
            return Bytes(h.begin(), h.end());
        }();
        ASSERT_GE(file.size(), 44 + t.span.size);
        EXPECT_EQ(IdAt(file, 0), "RIFF");
        EXPECT_EQ(U32At(file, 4), file.size() - 8);
        EXPECT_EQ(Slice(file, 8, 36), Slice(plain, 8, 36)); // WAVE, fmt, "data", its size
        EXPECT_EQ(Slice(file, 44, t.span.size), Slice(m.audio, t.span.offset, t.span.size));
        // Every chunk, the data chunk too, ends on an even offset: an odd one has its pad byte.
        EXPECT_EQ(file.size() % 2, 0u);
        if (t.span.size % 2 != 0) {
            EXPECT_EQ(file.at(44 + t.span.size), std::byte{0});
        }
        if (tagged) {
            EXPECT_EQ(ChunkIds(file), (std::vector<std::string>{"fmt ", "data", "LIST", "id3 "}));
        } else {
            EXPECT_EQ(ChunkIds(file), (std::vector<std::string>{"fmt ", "data"}));
            EXPECT_EQ(file.size(), 44 + t.span.size + t.span.size % 2);
        }
        EXPECT_EQ(trackread::Samples(t.path),
                  trackread::SamplesOf(mix, t.span.offset / frame * m.format.channels,
                                       t.span.size / frame * m.format.channels));
    }
}

// TagLib (16-bit tracks: it counts the pad byte of an odd data chunk as audio) and ffprobe (a
// WAV file's INFO list; it has no field for the album artist, disc or compilation, which are
// in the id3 chunk) read the tags back.
void ExpectTagsReadBack(const std::vector<sundrel::SplitTrack>& tracks, const Format& f) {
    const auto expected = ThreeTags();
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        SCOPED_TRACE(i);
        const TrackTags& t = expected[i];
        if (f.bits == 16) {
            TagLib::RIFF::WAV::File file(tracks[i].path.c_str());
            ASSERT_TRUE(file.isValid());
            ASSERT_TRUE(file.hasID3v2Tag());
            ASSERT_TRUE(file.hasInfoTag());
            TagLib::ID3v2::Tag* id3 = file.ID3v2Tag();
            EXPECT_EQ(id3->title().to8Bit(true), t.title);
            EXPECT_EQ(id3->artist().to8Bit(true), t.artist);
            EXPECT_EQ(id3->album().to8Bit(true), t.album);
            EXPECT_EQ(id3->track(), static_cast<unsigned>(t.number));
            EXPECT_EQ(id3->header()->majorVersion(), 3u);
            const auto frame = [&](const char* id) {
                const auto& list = id3->frameListMap()[id];
                return list.isEmpty() ? std::string("(none)")
                                      : list.front()->toString().to8Bit(true);
            };
            EXPECT_EQ(frame("TRCK"), std::to_string(t.number) + "/3");
            EXPECT_EQ(frame("TPE2"), t.albumArtist);
            EXPECT_EQ(frame("TPOS"), "1/1");
            EXPECT_EQ(frame("TCMP"), "1");
            EXPECT_EQ(id3->year(), 2026u);
            EXPECT_EQ(id3->genre().to8Bit(true), t.genre);
            TagLib::RIFF::Info::Tag* info = file.InfoTag();
            EXPECT_EQ(info->title().to8Bit(true), t.title);
            EXPECT_EQ(info->artist().to8Bit(true), t.artist);
            EXPECT_EQ(info->album().to8Bit(true), t.album);
            EXPECT_EQ(info->track(), static_cast<unsigned>(t.number));
            EXPECT_EQ(info->fieldText("ITRK").to8Bit(true), std::to_string(t.number));
            EXPECT_EQ(info->genre().to8Bit(true), t.genre);
            EXPECT_EQ(info->fieldText("ICRD").to8Bit(true), t.date);
            EXPECT_EQ(file.audioProperties()->sampleFrames(), tracks[i].span.size / 4);
        }
        if (!trackread::HaveTool("ffprobe")) {
            continue;
        }
        const std::string json = trackread::Ffprobe(tracks[i].path);
        if (!t.title.empty()) {
            EXPECT_THAT(json, HasSubstr("\"title\": \"" + t.title + "\"")) << json;
            EXPECT_THAT(json, HasSubstr("\"artist\": \"" + t.artist + "\"")) << json;
        } else {
            EXPECT_THAT(json, testing::Not(HasSubstr("\"title\""))) << json;
        }
        EXPECT_THAT(json, HasSubstr("\"album\": \"" + t.album + "\"")) << json;
        EXPECT_THAT(json, HasSubstr("\"genre\": \"Deep House\"")) << json;
        EXPECT_THAT(json, HasSubstr("\"date\": \"2026-12-05\"")) << json;
        EXPECT_THAT(json,
                    testing::ContainsRegex("\"track\": \"" + std::to_string(t.number) + "(/3)?\""))
            << json;
    }
}

TEST(SplitTags, NamedTaggedTracksKeepTheirAudioAndHeaderAndReadBack) {
    for (const Format& f : {Format{}, Format{1, 1, 8000, 8}}) {
        SCOPED_TRACE(f.bits);
        // An odd data size gives the 8-bit mono mix an odd last track (and the markers an odd
        // first one); 16-bit stereo tracks stay whole frames.
        const Mix m(f.bits == 8 ? 5001 : 5000, f);
        SplitOptions options;
        options.names = {"01 DJ One - Opening.wav",
                         "02 Caf\xc3\xa9 Crew - " + kUnicodeTitle + ".wav", "03.wav"};
        options.tags = ThreeTags();
        const auto tracks = SplitNamed(m, options);
        ASSERT_EQ(tracks.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(tracks[i].path, m.out / options.names[i]);
        }
        EXPECT_EQ(fixture::Listing(m.out),
                  (std::vector<std::string>{".sundrel-split", options.names[0], options.names[1],
                                            "03.wav"}));
        if (f.bits == 8) {
            EXPECT_EQ(tracks[0].span.size % 2, 1u);
            EXPECT_EQ(tracks[2].span.size % 2, 1u);
        }
        ExpectTracksIntact(m, tracks, true);
        ExpectTagsReadBack(tracks, f);
    }
    // Untagged 8-bit mono tracks cut at odd bytes: the first and last have odd data chunks.
    const Mix m(5001, Format{1, 1, 8000, 8});
    const auto tracks = SplitNamed(m, {});
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0].path, m.out / "track01.wav");
    ExpectTracksIntact(m, tracks, false);
}

TEST(SplitTags, NamesAndTagsThatDoNotFitAreRefusedBeforeAnythingIsWritten) {
    const Mix m(5000);
    const struct {
        std::vector<std::string> names;
        std::size_t tags;
        const char* reason;
    } cases[] = {
        {{"a.wav", "b.wav"}, 0, "3 tracks but 2 file names"},
        {{}, 2, "3 tracks but 2 sets of tags"},
        {{"a.wav", "sub/b.wav", "c.wav"}, 0, "track 2 (\"sub/b.wav\") holds a '/'"},
        {{"a.wav", "", "c.wav"}, 0, "track 2 (\"\") is empty"},
        {{"a.wav", "..", "c.wav"}, 0, "names a folder"},
        {{"a.wav", std::string("b\0.wav", 6), "c.wav"}, 0, "(\"b?.wav\") holds a NUL"},
        {{"a.wav", std::string(256, 'x'), "c.wav"}, 0, "longer than 255 bytes"},
        {{"a.wav", ".a.wav.4242.1.part", "c.wav"}, 0, "temporary"},
        {{"Intro.wav", "b.wav", "INTRO.wav"},
         0,
         "track 3 (\"INTRO.wav\") is the name of an earlier"},
    };
    for (const auto& c : cases) {
        SplitOptions options;
        options.names = c.names;
        options.tags.resize(c.tags);
        EXPECT_THAT(fixture::Refusal<std::invalid_argument>([&] { SplitNamed(m, options); }),
                    HasSubstr(c.reason));
        EXPECT_TRUE(fixture::Listing(m.out).empty());
    }
}

TEST(SplitTags, ReplacedAndStaleTracksFollowTheNames) {
    fixture::TempDir dir;
    for (const char* name : {"track01.wav", "track02.wav", "track07.wav", "01 A.wav", "mix.wav"}) {
        fixture::WriteFile(dir / name, Bytes(4));
    }
    fs::create_directory(dir / "02 B.wav");
    const std::vector<std::string> named = {"01 A.wav", "02 B.wav", "TRACK02.wav"};
    const auto numbers = [](const std::vector<sundrel::TrackFile>& files) {
        std::vector<std::string> out;
        for (const auto& f : files) {
            out.push_back(std::to_string(f.number) + " " + f.path.filename().string());
        }
        return out;
    };
    // A folder is not replaced (the split refuses it); names compare exactly on disk.
    EXPECT_EQ(numbers(sundrel::ReplacedTracks(dir.Path(), named)),
              (std::vector<std::string>{"1 01 A.wav"}));
    EXPECT_EQ(numbers(sundrel::StaleTracks(dir.Path(), named)),
              (std::vector<std::string>{"1 track01.wav", "7 track07.wav"}));
    // Classic names give the classic answers.
    SplitOptions classic;
    const auto names = sundrel::SplitTrackNames(2, classic);
    EXPECT_EQ(names, (std::vector<std::string>{"track01.wav", "track02.wav"}));
    EXPECT_EQ(sundrel::StaleTracks(dir.Path(), names), sundrel::StaleTracks(dir.Path(), 2));
    EXPECT_EQ(sundrel::ReplacedTracks(dir.Path(), names), sundrel::ReplacedTracks(dir.Path(), 2));
    fs::create_symlink(dir / "mix.wav", dir / "track09.wav");
    EXPECT_EQ(numbers(sundrel::StaleTracks(dir.Path(), named, dir / "mix.wav")),
              (std::vector<std::string>{"1 track01.wav", "7 track07.wav"}));
    classic.format = sundrel::TrackFormat::Flac;
    EXPECT_EQ(sundrel::SplitTrackNames(1, classic), std::vector<std::string>{"track01.flac"});
}

} // namespace
