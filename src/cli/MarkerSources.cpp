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
void AddTyped(const MarkerSources& sources, MixSession& session) {
    for (const std::string& text : sources.times) {
        const auto seconds = ParseClockTime(text);
        if (!seconds) {
            throw Failure{kExitUsage, "--at " + text +
                                          ": not a time (seconds such as 185.5, or "
                                          "[[h:]m:]s[.fff] such as 3:05.5)"};
        }
        const AddMarkerCheck check = session.AddAtTime(*seconds).value_or(AddMarkerCheck::Ok);
        if (check != AddMarkerCheck::Ok) {
            throw Failure{kExitUsage, "--at " + text + ": " + AddMarkerMessage(check) +
                                          " (mix length " + FormatDuration(session.Duration()) +
                                          ")"};
        }
    }
    for (const std::string& text : sources.percents) {
        const auto percent = ParsePercent(text);
        if (!percent) {
            throw Failure{kExitUsage, "--percent " + text + ": not a percentage in 0..100"};
        }
        if (session.AddAtPercent(*percent) == AddMarkerCheck::ListFull) {
            throw Failure{kExitUsage, AddMarkerMessage(AddMarkerCheck::ListFull)};
        }
    }
}

// The analysis of the mix for --suggested and --snap.
SuggestResult Analyse(const MixSession& session, std::optional<int> tracks,
                      const std::string& command) {
    try {
        return SuggestFor(session, tracks, SuggestOptions{}.minTrackSeconds, command);
    } catch (const std::runtime_error& e) {
        throw Failure{kExitInput, e.what()};
    }
}

// A marker at each suggested boundary (see `sundrel-cli suggest`), as Accept All Suggestions
// makes them.
void AddSuggested(std::optional<int> tracks, bool strict, const std::string& command,
                  MixSession& session) {
    const SuggestResult result = Analyse(session, tracks, command);
    session.SetSuggestions(result.suggestions);
    const std::size_t kept = session.AcceptAllSuggestions();
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
void Snap(double within, const std::string& command, MixSession& session) {
    const SuggestResult result = Analyse(session, std::nullopt, command);
    const std::vector<SnapMove> moves = session.SnapMarkers(result.candidates, within);
    const std::uint32_t rate = session.Wave()->m_wfx.nSamplesPerSec;
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
    std::shared_ptr<CWaveFile> wave;
    try {
        wave = std::make_shared<CWaveFile>(out.mixPath);
    } catch (const WaveFileError& e) {
        throw Failure{kExitInput, e.what()};
    }
    if (placed && placed->option == "--cue" && NamesOtherFile(placed->set, out.mixPath)) {
        std::cerr << command << ": " << placed->path << " is for " << placed->set.file
                  << "; using its tracks for " << out.mixPath << "\n";
    }
    // The command line never plays: the session gets no sound device.
    out.session = std::make_unique<MixSession>(PlaybackSession::DeviceFactory{});
    MixSession& session = *out.session;
    session.Load(std::move(wave), false);

    if (project) {
        try {
            session.ApplyProject(*project, sources.project);
        } catch (const ProjectError& e) {
            throw Failure{kExitInput, e.what()};
        }
    } else if (placed && placed->option == "--tracks-from") {
        const MatchResult result = MatchFor(session, CandidatesFor(sources.tracksFrom, command),
                                            *ParseBoundaryPlace(sources.boundary), command);
        if (!session.ImportMatch(result)) {
            throw Failure{kExitInput, "none of the --tracks-from files plays in " + out.mixPath};
        }
    } else if (placed) {
        const LeadIn leadIn =
            sources.pregap == "separate" ? LeadIn::OwnTrack : LeadIn::JoinFirstTrack;
        try {
            out.leadInTrack = session.Import(placed->set, leadIn)->leadInTrack;
        } catch (const InteropError& e) {
            throw Failure{kExitInput, placed->path + ": " + e.what()};
        }
    }
    AddTyped(sources, session);
    if (sources.shift) {
        try {
            session.ShiftMarkers(*sources.shift);
        } catch (const MarkerMoveError& e) {
            throw Failure{kExitUsage, "--shift " + Signed(*sources.shift) + ": " + e.what()};
        }
    }
    if (sources.snap) {
        Snap(*sources.snap, command, session);
    }
    if (sources.suggested) {
        std::optional<int> tracks = sources.tracks;
        if (!tracks && names) {
            tracks = static_cast<int>(names->set.tracks.size());
        }
        AddSuggested(tracks, sources.strict, command, session);
    }
    if (names) {
        try {
            session.Import(names->set);
        } catch (const InteropError& e) {
            throw Failure{kExitUsage, names->path + ": " + e.what()};
        }
    }
    return out;
}

} // namespace sundrel::cli
