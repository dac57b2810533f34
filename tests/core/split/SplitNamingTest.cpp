// The names and tags a split of imported markers gets: the mix's artist stands in for a track
// without its own and is the album artist, the numbers follow the listed tracks, and a lead-in
// written as its own track is "00 pregap" and counts in no number.

#include "core/split/SplitNaming.h"
#include "core/interop/CueSheet.h"
#include "core/interop/MarkerImport.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using sundrel::LeadIn;
using sundrel::MarkerSet;
using sundrel::MixInfo;
using sundrel::SplitOptions;
using sundrel::TrackTags;

// A recording program's sheet: the first track starts 1.8 s into the recording, and the
// second has no performer of its own.
constexpr const char* kSheet = "REM DATE 2026\n"
                               "REM GENRE Techno\n"
                               "PERFORMER \"DJ One\"\n"
                               "TITLE \"Night\"\n"
                               "FILE \"night.wav\" WAVE\n"
                               "TRACK 01 AUDIO\n  TITLE \"Chime\"\n  PERFORMER \"Orbital\"\n"
                               "  INDEX 01 00:01:60\n"
                               "TRACK 02 AUDIO\n  TITLE \"Edit\"\n  INDEX 01 01:00:00\n"
                               "TRACK 03 AUDIO\n  TITLE \"Rain\"\n  PERFORMER \"Kerri Chandler\"\n"
                               "  INDEX 01 02:00:00\n";

constexpr std::uint32_t kRate = 1000;
constexpr std::int64_t kFrames = 200'000; // 200 s of 1-byte frames

SplitOptions Named(LeadIn leadIn, const MarkerSet& set) {
    const MixInfo mix{set.title, set.artist, set.date, set.genre};
    SplitOptions options;
    sundrel::NameSplit(options, sundrel::MarkersFromTimes(set, kRate, kFrames, leadIn), kFrames, 1,
                       kRate, mix, "night.wav", "{nn} {title}",
                       leadIn == LeadIn::OwnTrack && sundrel::HasLeadIn(set, kRate));
    return options;
}

TEST(SplitNaming, TheLeadInJoinsTrackOneAndNumbersFollowTheSheet) {
    const MarkerSet set = sundrel::ReadCueSheet(kSheet);
    const SplitOptions options = Named(LeadIn::JoinFirstTrack, set);
    EXPECT_EQ(options.names,
              (std::vector<std::string>{"01 Chime.wav", "02 Edit.wav", "03 Rain.wav"}));
    ASSERT_EQ(options.tags.size(), 3u);
    EXPECT_EQ(options.tags[0],
              (TrackTags{"Chime", "Orbital", "Night", 1, 3, "DJ One", "2026", "Techno", 1, true}));
    // No performer of its own: the sheet's, as shnsplit and mp3splt take it.
    EXPECT_EQ(options.tags[1].artist, "DJ One");
    EXPECT_EQ(options.tags[2].number, 3);
    // One artist throughout (every track by the DJ) is no compilation.
    MarkerSet dj = set;
    for (auto& t : dj.tracks) {
        t.artist.clear();
    }
    for (const TrackTags& t : Named(LeadIn::JoinFirstTrack, dj).tags) {
        EXPECT_EQ(t.artist, "DJ One");
        EXPECT_FALSE(t.compilation);
    }
}

TEST(SplitNaming, ALeadInOfItsOwnIsThePregapAndCountsInNoNumber) {
    const MarkerSet set = sundrel::ReadCueSheet(kSheet);
    const SplitOptions options = Named(LeadIn::OwnTrack, set);
    EXPECT_EQ(options.names, (std::vector<std::string>{"00 pregap.wav", "01 Chime.wav",
                                                       "02 Edit.wav", "03 Rain.wav"}));
    ASSERT_EQ(options.tags.size(), 4u);
    EXPECT_EQ(options.tags[0].number, 0);
    EXPECT_EQ(options.tags[0].title, "");
    EXPECT_EQ(options.tags[1].number, 1);
    EXPECT_EQ(options.tags[3].number, 3);
    EXPECT_EQ(options.tags[3].count, 3);
    // The same markers reopened from a project, which does not keep the lead-in choice: the
    // unnumbered first track is still the pregap and counts in no total.
    SplitOptions reopened;
    sundrel::NameSplit(reopened, sundrel::MarkersFromTimes(set, kRate, kFrames, LeadIn::OwnTrack),
                       kFrames, 1, kRate, {}, "night.wav", "{nn} {title}", false);
    ASSERT_EQ(reopened.tags.size(), 4u);
    EXPECT_EQ(reopened.tags[1].number, 1);
    EXPECT_EQ(reopened.tags[3].count, 3);
    // A sheet whose first track starts at 0 has no lead-in to write.
    MarkerSet atZero = set;
    atZero.tracks[0].start = sundrel::ExactTime{0, 75};
    EXPECT_EQ(Named(LeadIn::OwnTrack, atZero).names.size(), 3u);
}

// A sheet that does not number from 1 (its twelve tracks start at TRACK 03): the files, the
// tags and the count follow its TRACK numbers; the count is the highest number, so that no
// track is tagged past it (3/12, not 3/10). (Numbers after a data track or across a gap:
// TrackNumbersTest.)
TEST(SplitNaming, NumbersFollowTheSheetOrCountFromOne) {
    const MarkerSet set = sundrel::ReadCueSheet("PERFORMER \"DJ\"\nFILE \"night.wav\" WAVE\n"
                                                "TRACK 03 AUDIO\n TITLE A\n INDEX 01 00:01:00\n"
                                                "TRACK 04 AUDIO\n TITLE B\n INDEX 01 01:00:00\n"
                                                "TRACK 12 AUDIO\n TITLE C\n INDEX 01 02:00:00\n");
    const SplitOptions options = Named(LeadIn::JoinFirstTrack, set);
    EXPECT_EQ(options.names, (std::vector<std::string>{"03 A.wav", "04 B.wav", "12 C.wav"}));
    ASSERT_EQ(options.tags.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(options.tags[i].number, (std::array{3, 4, 12})[i]);
        EXPECT_EQ(options.tags[i].count, 12);
    }
    // With the lead-in written apart, the pregap is "00 pregap" and the sheet keeps its numbers.
    const SplitOptions own = Named(LeadIn::OwnTrack, set);
    EXPECT_EQ(own.names,
              (std::vector<std::string>{"00 pregap.wav", "03 A.wav", "04 B.wav", "12 C.wav"}));
    EXPECT_EQ(own.tags.at(1).number, 3);
    EXPECT_EQ(own.tags.at(3).count, 12);
    // The classic names count by place: an earlier split's record knows them so.
    SplitOptions classic;
    sundrel::NameSplit(classic, sundrel::MarkersFromTimes(set, kRate, kFrames), kFrames, 1, kRate,
                       {}, "night.wav", "");
    EXPECT_EQ(classic.names,
              (std::vector<std::string>{"track01.wav", "track02.wav", "track03.wav"}));
    EXPECT_EQ(classic.tags.at(0).number, 3);

    // Label files and tracklists know no numbers: their tracks count from 1, the unnamed
    // stretch before the first listed track being track 1.
    MarkerSet list;
    list.tracks = {{sundrel::ExactTime{10, 1}, "A", ""}, {sundrel::ExactTime{50, 1}, "B", ""}};
    const SplitOptions listed = Named(LeadIn::JoinFirstTrack, list);
    EXPECT_EQ(listed.names, (std::vector<std::string>{"01.wav", "02 A.wav", "03 B.wav"}));
    EXPECT_EQ(listed.tags.at(2).number, 3);
    EXPECT_EQ(listed.tags.at(2).count, 3);
}

} // namespace
