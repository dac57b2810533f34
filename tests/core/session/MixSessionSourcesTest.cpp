// The session operations both front ends compose a job from: markers typed as times and
// percentages, a project's markers for a mix the user names, a marker file's lead-in, and the
// split request (names, short tracks, the files it would replace, the leftovers it cannot
// vouch for).

#include "core/interop/MarkerImport.h"
#include "core/project/ProjectFile.h"
#include "core/session/MixSession.h"
#include "support/SessionOnMix.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using sundrel::AddMarkerCheck;
using sundrel::ExactTime;
using sundrel::MarkerSet;
using sundrel::MixInfo;

std::vector<std::int64_t> Frames(const sundrel::MixSession& session) {
    std::vector<std::int64_t> frames;
    for (const sundrel::Marker& m : session.Markers().Markers()) {
        frames.push_back(m.frame);
    }
    return frames;
}

using Sources = fixture::SessionOnMix;

TEST_F(Sources, TypedTimesKeepAddMarkersLimitsAndPercentagesTheirRule) {
    EXPECT_EQ(session.AddAtTime(0.5), AddMarkerCheck::TooCloseToBegin);
    EXPECT_EQ(session.AddAtTime(99.5), AddMarkerCheck::TooCloseToEnd);
    EXPECT_EQ(session.AddAtTime(30.0004), AddMarkerCheck::Ok); // the nearest frame
    EXPECT_EQ(session.AddAtPercent(50.0f), AddMarkerCheck::Ok);
    // The percentage keeps the classic arithmetic, as Add Marker's does.
    std::vector<sundrel::Marker> classic{sundrel::PercentMarker(0.0f),
                                         sundrel::PercentMarker(50.0f)};
    sundrel::ResolvePercentFrames(classic, 200'000, 2);
    ASSERT_EQ(Frames(session), (std::vector<std::int64_t>{0, 30'000, classic[1].frame}));
    EXPECT_TRUE(session.Markers().At(2)->percent.has_value());
    sundrel::MixSession empty{{}};
    EXPECT_FALSE(empty.AddAtTime(40.0).has_value());
}

TEST_F(Sources, ALeadInOfItsOwnIsSaidAndADateAloneKeepsTheTypedNames) {
    session.SetNames({"Typed", "Me"});
    MarkerSet cue;
    cue.leadInIsPregap = true; // as a cue sheet's reader gives it
    cue.date = "2024";
    cue.tracks = {{ExactTime{75 * 10, 75}, "One", ""}, {ExactTime{75 * 40, 75}, "Two", ""}};
    const auto outcome = session.Import(cue, sundrel::LeadIn::OwnTrack);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->leadInTrack);
    EXPECT_EQ(outcome->tracks, 3u);
    EXPECT_EQ(session.Names(), (MixInfo{"Typed", "Me", "2024", ""}));
    // Joined to the first track, there is no lead-in track.
    EXPECT_FALSE(session.Import(cue)->leadInTrack);
    EXPECT_EQ(Frames(session), (std::vector<std::int64_t>{0, 40'000}));
}

TEST_F(Sources, AProjectForAnotherMixIsRefusedWhenAMarkerLiesPastItsEnd) {
    sundrel::ProjectFile project;
    project.version = 3;
    project.markers = {sundrel::FrameMarker(0), sundrel::FrameMarker(20'000)};
    project.mix = {"Set", "DJ"};
    session.AddAtFrame(5000);
    session.ApplyProject(project, dir / "p.sdr");
    EXPECT_EQ(Frames(session), (std::vector<std::int64_t>{0, 20'000}));
    EXPECT_EQ(session.ProjectPath(), dir / "p.sdr");
    EXPECT_FALSE(session.IsModified());
    EXPECT_EQ(session.Names(), (MixInfo{"Set", "DJ"}));

    project.markers.push_back(sundrel::FrameMarker(100'000)); // the mix's end
    EXPECT_THROW(session.ApplyProject(project, dir / "q.sdr"), sundrel::ProjectError);
    EXPECT_EQ(Frames(session), (std::vector<std::int64_t>{0, 20'000}));
    EXPECT_EQ(session.ProjectPath(), dir / "p.sdr");
}

TEST_F(Sources, TheSplitRequestNamesShortAndReplacedTracksWithoutSortingTheList) {
    session.AddAtFrame(60'000, "Late");
    session.AddAtFrame(30'000, "Early");
    session.AddAtFrame(30'500, "Blip");
    std::filesystem::create_directories(dir / "out");
    fixture::WriteFile(dir / "out" / "track02.wav", {});
    fixture::WriteFile(dir / "out" / "track07.wav", {});
    sundrel::SplitSettings settings;
    settings.folder = dir / "out";
    settings.sync = true;
    settings.clean = true;
    settings.waitForFolder = false;
    const sundrel::SplitRequest request = session.PrepareSplit(settings);
    EXPECT_EQ(request.options.names, (std::vector<std::string>{"track01.wav", "track02.wav",
                                                               "track03.wav", "track04.wav"}));
    EXPECT_TRUE(request.options.sync && request.options.clean);
    EXPECT_FALSE(request.options.waitForFolder);
    ASSERT_EQ(request.shortTracks.size(), 1u);
    EXPECT_EQ(request.shortTracks[0].index, 1u);
    EXPECT_EQ(request.shortTracks[0].name, "track02.wav");
    EXPECT_EQ(request.shortTracks[0].frames, 500);
    ASSERT_EQ(request.replaced.size(), 1u);
    EXPECT_EQ(request.replaced[0].number, 2);
    // The job cuts in time order; the list stays as the user made it until the split runs.
    EXPECT_EQ(request.job.markers[1].title, "Early");
    EXPECT_EQ(session.Markers().At(1)->title, "Late");
    // track07.wav: no record vouches for it, so it is named, never removed.
    EXPECT_EQ(sundrel::UnprovenTracks(request, {}),
              (std::vector<std::filesystem::path>{dir / "out" / "track07.wav"}));
    EXPECT_TRUE(sundrel::UnprovenTracks(request, {{}, {dir / "out" / "track07.wav"}, {}}).empty());

    settings.nameTemplate = "{bogus}";
    EXPECT_THROW(session.PrepareSplit(settings), std::invalid_argument);
}

TEST_F(Sources, ALeadInTrackIsNeverShort) {
    session.AddAtFrame(500);
    sundrel::SplitSettings settings;
    settings.folder = dir / "out";
    EXPECT_EQ(session.PrepareSplit(settings).shortTracks.size(), 1u);
    settings.leadInTrack = true;
    const sundrel::SplitRequest request = session.PrepareSplit(settings);
    EXPECT_TRUE(request.shortTracks.empty());
    EXPECT_EQ(request.options.names.front(), "00 pregap.wav");
}

} // namespace
