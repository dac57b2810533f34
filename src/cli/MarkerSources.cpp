#include "cli/MarkerSources.h"

#include "cli/Commands.h"
#include "core/interop/MarkerFiles.h"
#include "core/interop/MarkerImport.h"
#include "core/markers/MarkerMath.h"
#include "core/markers/MarkerMoves.h"
#include "core/project/ProjectFile.h"
#include "core/project/ProjectLoader.h"
#include "core/time/ClockTime.h"
#include "core/time/TimeCode.h"

#include <charconv>
#include <cmath>
#include <iostream>

namespace sundrel::cli {

namespace {

std::optional<float> ParsePercent(const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !(value >= 0.0 && value <= 100.0)) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

// A marker file given on the command line, read.
struct GivenFile {
    std::string option; // "--cue"
    std::string path;
    MarkerSet set;
};

MarkerSet ReadGiven(const std::string& path, MarkerFileKind kind) {
    try {
        return ReadMarkerFile(path, kind);
    } catch (const MarkerFileError& e) {
        throw Failure{kExitInput, e.what()};
    }
}

// A marker at the exact frame of each time, within the limits of Add Marker, then the
// percentages as given.
void AddTyped(const MarkerSources& sources, const CWaveFile& wave, std::vector<Marker>& markers) {
    const double duration = wave.GetDuration();
    const auto frames = static_cast<std::int64_t>(wave.m_nDataSize / wave.m_wfx.nBlockAlign);
    for (const std::string& text : sources.times) {
        const auto seconds = ParseClockTime(text);
        if (!seconds) {
            throw Failure{kExitUsage, "--at " + text +
                                          ": not a time (seconds such as 185.5, or "
                                          "[[h:]m:]s[.fff] such as 3:05.5)"};
        }
        const auto position = static_cast<float>(*seconds);
        const AddMarkerCheck check = CheckAddMarker(position, duration, markers.size());
        if (check != AddMarkerCheck::Ok) {
            throw Failure{kExitUsage, "--at " + text + ": " + AddMarkerMessage(check) +
                                          " (mix length " + FormatDuration(duration) + ")"};
        }
        markers.push_back(FrameMarker(FrameAtSeconds(*seconds, wave.m_wfx.nSamplesPerSec, frames)));
    }
    for (const std::string& text : sources.percents) {
        const auto percent = ParsePercent(text);
        if (!percent) {
            throw Failure{kExitUsage, "--percent " + text + ": not a percentage in 0..100"};
        }
        if (markers.size() >= kMaxMarkers) {
            throw Failure{kExitUsage, AddMarkerMessage(AddMarkerCheck::ListFull)};
        }
        markers.push_back(PercentMarker(*percent));
    }
}

// A marker at each suggested boundary (see `sundrel-cli suggest`), under Add Marker's limits.
void AddSuggested(const std::string& mix, std::optional<int> tracks, bool strict,
                  const CWaveFile& wave, const std::string& command, std::vector<Marker>& markers) {
    const double duration = wave.GetDuration();
    SuggestResult result;
    try {
        result = SuggestFor(mix, tracks, SuggestOptions{}.minTrackSeconds, command);
    } catch (const std::runtime_error& e) {
        throw Failure{kExitInput, e.what()};
    }
    std::size_t kept = 0;
    for (const Suggestion& s : result.suggestions) {
        const auto position =
            static_cast<float>(static_cast<double>(s.frame) / static_cast<double>(result.rate));
        if (CheckAddMarker(position, duration, markers.size()) == AddMarkerCheck::Ok) {
            markers.push_back(FrameMarker(s.frame)); // exact, as every typed time
            ++kept;
        }
    }
    if (const std::string shortfall =
            SuggestShortfall(result, tracks, SuggestOptions{}.minTrackSeconds, kept);
        !shortfall.empty()) {
        if (strict) {
            throw Failure{kExitUsage, "--suggested: " + shortfall + "; --strict refuses the split"};
        }
        std::cerr << command << ": --suggested: " << shortfall << "\n";
    }
}

std::string Signed(double seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%+.3f s", seconds);
    return text;
}

// Moves the markers to the strongest transition the analysis finds within `within` seconds,
// and says where each went.
void Snap(const std::string& mix, const CWaveFile& wave, double within, const std::string& command,
          std::vector<Marker>& markers) {
    SuggestResult result;
    try {
        result = SuggestFor(mix, std::nullopt, SuggestOptions{}.minTrackSeconds, command);
    } catch (const std::runtime_error& e) {
        throw Failure{kExitInput, e.what()};
    }
    std::vector<SnapTarget> targets;
    for (const Suggestion& c : result.candidates) {
        targets.push_back({c.frame, c.confidence});
    }
    const std::uint32_t rate = wave.m_wfx.nSamplesPerSec;
    const auto window = static_cast<std::int64_t>(std::llround(within * rate));
    const std::vector<SnapMove> moves = SnapMarkers(markers, targets, window);
    for (std::size_t k = 0; k < moves.size(); ++k) {
        const SnapMove& move = moves[k];
        const std::string track = "track " + std::to_string(k + 2);
        if (move.to) {
            std::cerr << command << ": --snap: " << track << " from "
                      << FormatDuration(SecondsAtFrame(move.from, rate)) << " to "
                      << FormatDuration(SecondsAtFrame(*move.to, rate)) << " ("
                      << Signed(SecondsAtFrame(*move.to - move.from, rate)) << ")\n";
        } else {
            std::cerr << command << ": --snap: " << track << " stays at "
                      << FormatDuration(SecondsAtFrame(move.from, rate))
                      << ": no transition within " << within << " s\n";
        }
    }
}

} // namespace

void AddMarkerSourceOptions(CLI::App& cmd, MarkerSources& sources) {
    cmd.add_option("MIX", sources.mix,
                   "The mix (a WAV file); default: the project's or cue sheet's");
    cmd.add_option("--project", sources.project, "Take the markers (and the mix) from a project")
        ->type_name("FILE.sdr");
    cmd.add_option("--cue", sources.cue,
                   "Take the tracks (and the mix) from a cue sheet: starts, titles, performers")
        ->type_name("FILE.cue");
    cmd.add_option("--labels", sources.labels, "Take the tracks from an Audacity label file")
        ->type_name("FILE");
    cmd.add_option("--tracklist", sources.tracklist,
                   "Tracklist text: with times, the tracks; without, names for the markers")
        ->type_name("FILE");
    cmd.add_option("--at", sources.times,
                   "Marker at TIME: seconds (185.5) or [[h:]m:]s[.fff] (3:05.5)")
        ->type_name("TIME");
    cmd.add_option("--percent", sources.percents, "Marker at P percent of the audio data")
        ->type_name("P");
    cmd.add_option("--tracks-from", sources.tracksFrom,
                   "Take the tracks from the files the mix was played from (see match): a "
                   "folder, an M3U/M3U8 playlist or files; named and tagged from the files")
        ->type_name("DIR|PLAYLIST|FILE...");
    cmd.add_option("--boundary", sources.boundary,
                   "With --tracks-from: where a blend's boundary goes (start, middle, end)")
        ->type_name("start|middle|end")
        ->check(CLI::IsMember({"start", "middle", "end"}));
    auto* suggested = cmd.add_flag("--suggested", sources.suggested,
                                   "Also cut at the suggested boundaries (see suggest)");
    cmd.add_option("--tracks", sources.tracks,
                   "With --suggested: the number of tracks (default: a tracklist's count)")
        ->type_name("N")
        ->check(CLI::Range(1, 10000))
        ->needs(suggested);
    cmd.add_option("--pregap", sources.pregap,
                   "The audio before a cue sheet's first track (its pregap): join it to that "
                   "track, or write it as a track of its own (\"00 pregap\")")
        ->check(CLI::IsMember({"join", "separate"}))
        ->default_str("join");
    cmd.add_option("--shift", sources.shift,
                   "Move every marker but the start by SECONDS (negative: earlier)")
        ->type_name("SECONDS")
        ->check(CLI::Range(-86400.0, 86400.0));
    cmd.add_option("--snap", sources.snap,
                   "Move each marker to the strongest transition the analysis finds within "
                   "SECONDS of it, and say how far each moved")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.001, 600.0));
}

CollectedMarkers CollectMarkers(const MarkerSources& sources, const std::string& command) {
    CollectedMarkers out;
    std::vector<GivenFile> placing; // the sources that place markers
    std::optional<GivenFile> names; // a tracklist without times
    std::optional<ProjectFile> project;
    if (!sources.project.empty()) {
        try {
            project = ReadProject(sources.project);
        } catch (const ProjectError& e) {
            throw Failure{kExitInput, e.what()};
        }
        placing.push_back({"--project", sources.project, {}});
    }
    for (const auto& [option, path, kind] :
         {std::tuple{"--cue", &sources.cue, MarkerFileKind::Cue},
          {"--labels", &sources.labels, MarkerFileKind::Labels},
          {"--tracklist", &sources.tracklist, MarkerFileKind::Tracklist}}) {
        if (path->empty()) {
            continue;
        }
        GivenFile given{option, *path, ReadGiven(*path, kind)};
        for (const std::string& note : given.set.notes) {
            std::cerr << command << ": " << *path << ": " << note << "\n";
        }
        if (HasTimes(given.set)) {
            placing.push_back(std::move(given));
        } else {
            names = std::move(given);
        }
    }
    if (!sources.tracksFrom.empty()) {
        placing.push_back({"--tracks-from", {}, {}});
    }
    if (placing.size() > 1) {
        throw Failure{kExitUsage, placing[0].option + " and " + placing[1].option +
                                      " both place markers; give one of them"};
    }
    const GivenFile* placed = placing.empty() ? nullptr : &placing.front();

    out.mixPath = sources.mix;
    if (out.mixPath.empty() && project) {
        if (project->wavePath.empty()) {
            throw Failure{kExitUsage, sources.project +
                                          ": the project names no Wave file (version " +
                                          std::to_string(project->version) + "); give MIX"};
        }
        out.mixPath = project->wavePath;
    }
    if (out.mixPath.empty() && placed && placed->option == "--cue" && !placed->set.file.empty()) {
        out.mixPath = FileNamedBy(placed->set, placed->path).string();
    }
    if (out.mixPath.empty()) {
        throw Failure{kExitUsage, "give MIX, or a project or cue sheet that names it"};
    }
    try {
        out.wave = std::make_unique<CWaveFile>(out.mixPath);
    } catch (const WaveFileError& e) {
        throw Failure{kExitInput, e.what()};
    }
    const CWaveFile& wave = *out.wave;
    if (placed && placed->option == "--cue" && NamesOtherFile(placed->set, out.mixPath)) {
        std::cerr << command << ": " << placed->path << " is for " << placed->set.file
                  << "; using its tracks for " << out.mixPath << "\n";
    }

    const auto frames = static_cast<std::int64_t>(wave.m_nDataSize / wave.m_wfx.nBlockAlign);
    if (project) {
        try {
            CheckMarkersWithinMix(*project, sources.project, frames, wave.m_wfx.nSamplesPerSec);
        } catch (const ProjectError& e) {
            throw Failure{kExitInput, e.what()};
        }
        out.markers = project->markers;
        out.names = project->mix;
    } else if (placed && placed->option == "--tracks-from") {
        const MatchResult result = MatchFor(out.mixPath, sources.tracksFrom,
                                            *ParseBoundaryPlace(sources.boundary), command);
        if (result.layout.plays.empty()) {
            throw Failure{kExitInput, "none of the --tracks-from files plays in " + out.mixPath};
        }
        out.markers = MatchMarkers(result, wave.m_wfx.nSamplesPerSec, frames);
    } else if (placed) {
        const LeadIn leadIn =
            sources.pregap == "separate" ? LeadIn::OwnTrack : LeadIn::JoinFirstTrack;
        try {
            out.markers = MarkersFromTimes(placed->set, wave.m_wfx.nSamplesPerSec, frames, leadIn);
        } catch (const InteropError& e) {
            throw Failure{kExitInput, placed->path + ": " + e.what()};
        }
        out.leadInTrack =
            leadIn == LeadIn::OwnTrack && HasLeadIn(placed->set, wave.m_wfx.nSamplesPerSec);
        out.names = {placed->set.title, placed->set.artist, placed->set.date, placed->set.genre};
    } else {
        out.markers = {PercentMarker(0.0f)};
    }
    AddTyped(sources, wave, out.markers);
    ResolvePercentFrames(out.markers, wave.m_nDataSize, wave.m_wfx.nBlockAlign);
    if (sources.shift) {
        const auto delta =
            static_cast<std::int64_t>(std::llround(*sources.shift * wave.m_wfx.nSamplesPerSec));
        try {
            out.markers = ShiftMarkers(out.markers, delta, frames);
        } catch (const MarkerMoveError& e) {
            throw Failure{kExitUsage, "--shift " + Signed(*sources.shift) + ": " + e.what()};
        }
    }
    if (sources.snap) {
        Snap(out.mixPath, wave, *sources.snap, command, out.markers);
    }
    if (sources.suggested) {
        std::optional<int> tracks = sources.tracks;
        if (!tracks && names) {
            tracks = static_cast<int>(names->set.tracks.size());
        }
        AddSuggested(out.mixPath, tracks, sources.strict, wave, command, out.markers);
    }
    if (names) {
        try {
            out.markers = NameMarkers(out.markers, names->set);
        } catch (const InteropError& e) {
            throw Failure{kExitUsage, names->path + ": " + e.what()};
        }
    }
    return out;
}

} // namespace sundrel::cli
