// The session's operations that take markers from elsewhere (marker files, projects, typed
// times, the matched track files) and the split request: the window and the command line
// both compose their jobs from these.

#include "core/session/MixSession.h"

#include "core/analysis/SuggestBoundaries.h"
#include "core/markers/TrackSpans.h"
#include "core/match/MatchTracks.h"
#include "core/project/ProjectFile.h"
#include "core/project/ProjectLoader.h"
#include "core/split/SplitNaming.h"
#include "core/split/SplitPlan.h"

#include <algorithm>

namespace sundrel {

std::optional<MixSession::ImportOutcome> MixSession::Import(const MarkerSet& set) {
    return Import(set, LeadIn::JoinFirstTrack);
}

std::optional<MixSession::ImportOutcome> MixSession::Import(const MarkerSet& set, LeadIn leadIn) {
    if (!m_wave) {
        return std::nullopt;
    }
    const std::uint32_t rate = m_wave->m_wfx.nSamplesPerSec;
    ImportOutcome outcome;
    outcome.timed = HasTimes(set);
    // Computed first: a set that does not fit throws before anything changes.
    const std::vector<Marker> markers = outcome.timed
                                            ? MarkersFromTimes(set, rate, Frames(), leadIn)
                                            : NameMarkers(m_markers.Markers(), set);
    EditMarkers([&] {
        if (outcome.timed) {
            m_markers.Replace(markers);
            m_selected = 0;
            // A set that names the mix names it whole; one that only dates it or gives its
            // genre keeps the title and artist the user typed.
            if (!set.title.empty() || !set.artist.empty()) {
                m_mixInfo = {set.title, set.artist, set.date, set.genre};
            } else {
                m_mixInfo.date = set.date.empty() ? m_mixInfo.date : set.date;
                m_mixInfo.genre = set.genre.empty() ? m_mixInfo.genre : set.genre;
            }
        } else {
            for (std::size_t i = 0; i < markers.size(); ++i) {
                m_markers.Rename(i, markers[i].title, markers[i].artist);
            }
        }
        return true;
    });
    outcome.tracks = TrackCount();
    outcome.leadInTrack = outcome.timed && leadIn == LeadIn::OwnTrack && HasLeadIn(set, rate);
    return outcome;
}

unsigned MixSession::TakeProject(const ProjectFile& project, const std::filesystem::path& path) {
    m_markers.Replace(project.markers);
    m_mixInfo = project.mix;
    // The match the markers came from, when the project kept one; another project's markers
    // owe nothing to the match shown before.
    m_match = project.match;
    m_projectNotes = project.notes;
    m_selected = 0;
    ResolveFrames();
    m_projectPath = path;
    m_history.Reset();
    return changed::kMarkers | changed::kSelection | changed::kDocument;
}

void MixSession::ApplyProject(const ProjectFile& project, const std::filesystem::path& path) {
    if (m_wave) {
        CheckMarkersWithinMix(project, path, Frames(), m_wave->m_wfx.nSamplesPerSec);
    }
    Notify(TakeProject(project, path));
}

std::optional<AddMarkerCheck> MixSession::AddAtTime(double seconds) {
    if (!m_wave) {
        return std::nullopt;
    }
    const AddMarkerCheck check = m_markers.CheckAdd(static_cast<float>(seconds), Duration());
    if (check == AddMarkerCheck::Ok) {
        AddAtFrame(FrameAt(seconds));
    }
    return check;
}

std::optional<AddMarkerCheck> MixSession::AddAtPercent(float percent) {
    if (!m_wave) {
        return std::nullopt;
    }
    if (m_markers.Count() >= kMaxMarkers) {
        return AddMarkerCheck::ListFull;
    }
    EditMarkers([&] {
        m_selected = m_markers.Add(PercentMarker(percent));
        return true;
    });
    return AddMarkerCheck::Ok;
}

bool MixSession::ImportMatch(const MatchResult& result) {
    if (!m_wave || result.layout.plays.empty()) {
        return false;
    }
    ApplyMatch(result);
    return true; // even when the markers were already there
}

SuggestResult MixSession::SuggestJob::operator()(const AnalysisProgress& progress,
                                                 std::stop_token stop) const {
    return SuggestBoundaries(mix, options, progress, stop);
}

MatchResult MixSession::MatchJob::operator()(const MatchProgress& progress,
                                             std::stop_token stop) const {
    return MatchTracks(mix, files, options, progress, stop);
}

SplitRequest MixSession::PrepareSplit(const SplitSettings& settings) {
    SplitRequest request;
    // The markers in the order Split cuts them; the list itself is sorted when the split runs
    // (PrepareSplit()), so a split the user then cancels leaves it as it was.
    MarkerList sorted = m_markers;
    sorted.Sort();
    request.job = {m_wave, sorted.Markers()};
    request.folder = settings.folder;
    SplitOptions& options = request.options;
    options.format = settings.format;
    options.sync = settings.sync;
    options.clean = settings.clean;
    options.waitForFolder = settings.waitForFolder;
    options.keep = settings.keep;
    if (!m_wave) {
        return request;
    }
    const WaveFormatEx& wfx = m_wave->m_wfx;
    request.rate = wfx.nSamplesPerSec;
    NameSplit(options, request.job.markers, m_wave->m_nDataSize, wfx.nBlockAlign,
              wfx.nSamplesPerSec, m_mixInfo, m_wavePath, settings.nameTemplate,
              settings.leadInTrack);
    const std::vector<TrackSpan> plan =
        PlanTracksAtFrames(request.job.markers, m_wave->m_nDataSize, wfx.nBlockAlign);
    const std::uint32_t block = std::max<std::uint32_t>(wfx.nBlockAlign, 1);
    for (const std::size_t i : ShortTracks(plan, wfx.nAvgBytesPerSec)) {
        // A lead-in written as a track of its own is short by nature.
        if (!(settings.leadInTrack && i == 0)) {
            request.shortTracks.push_back(
                {i, options.names[i], static_cast<std::int64_t>(plan[i].size / block)});
        }
    }
    request.replaced = ReplacedTracks(request.folder, options.names);
    return request;
}

} // namespace sundrel
