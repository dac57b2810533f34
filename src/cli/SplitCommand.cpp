#include "cli/Commands.h"
#include "core/audio/WaveFile.h"
#include "core/markers/Marker.h"
#include "core/markers/MarkerMath.h"
#include "core/project/ProjectFile.h"
#include "core/split/SplitPlan.h"
#include "core/split/TrackFiles.h"
#include "core/time/ClockTime.h"
#include "core/time/TimeCode.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sundrel::cli {

namespace {

struct SplitArgs {
    std::string mix;
    std::vector<std::string> times;
    std::vector<std::string> percents;
    std::string project;
    std::string outDir = ".";
    bool clean = false;
    bool suggested = false;
    bool noWait = false;
    bool strict = false;
    bool sync = false;
    std::optional<int> tracks;
};

// A failure with the exit status it ends the command with.
struct Failure {
    int status;
    std::string message;
};

std::optional<float> ParsePercent(const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !(value >= 0.0 && value <= 100.0)) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

// The marker list the window would hold: the project's markers (or the start marker alone),
// then a marker at the exact frame of each time, within the limits of Add Marker, then the
// percentages as given. The percentage markers' frames are set for the mix.
std::vector<Marker> CollectMarkers(const SplitArgs& args, const std::vector<Marker>* fromProject,
                                   const CWaveFile& wave) {
    const double duration = wave.GetDuration();
    const std::uint32_t frameSize = wave.m_wfx.nBlockAlign;
    const auto frames = static_cast<std::int64_t>(wave.m_nDataSize / frameSize);
    std::vector<Marker> markers = fromProject ? *fromProject : std::vector{PercentMarker(0.0f)};
    for (const std::string& text : args.times) {
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
    for (const std::string& text : args.percents) {
        const auto percent = ParsePercent(text);
        if (!percent) {
            throw Failure{kExitUsage, "--percent " + text + ": not a percentage in 0..100"};
        }
        if (markers.size() >= kMaxMarkers) {
            throw Failure{kExitUsage, AddMarkerMessage(AddMarkerCheck::ListFull)};
        }
        markers.push_back(PercentMarker(*percent));
    }
    ResolvePercentFrames(markers, wave.m_nDataSize, frameSize);
    return markers;
}

// "track04.wav, track05.wav", or the first two and the last of a longer list.
std::string TrackNames(const std::vector<TrackFile>& files) {
    std::string text;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files.size() > 4 && i == 2) {
            text += ", …";
            i = files.size() - 1;
        }
        text += (i == 0 ? "" : ", ") + files[i].path.filename().string();
    }
    return text;
}

// Track files beyond the new count would pass for part of this split: report them, or with
// --clean remove them.
void HandleStaleTracks(const SplitArgs& args, std::size_t count, const CWaveFile& wave) {
    const std::vector<TrackFile> stale = StaleTracks(args.outDir, count, wave.m_strPath);
    if (stale.empty()) {
        return;
    }
    const std::string files = std::to_string(stale.size()) +
                              (stale.size() == 1 ? " track file" : " track files") +
                              " of an earlier split";
    if (!args.clean) {
        std::cout.flush();
        std::cerr << "sundrel-cli split: " << files
                  << (stale.size() == 1 ? " remains: " : " remain: ") << TrackNames(stale)
                  << "; --clean removes " << (stale.size() == 1 ? "it" : "them") << "\n";
        return;
    }
    try {
        RemoveTrackFiles(stale);
    } catch (const SplitError& e) {
        throw Failure{kExitOutput, e.what()};
    }
    std::cout.flush();
    std::cerr << "sundrel-cli split: removed " << files << ": " << TrackNames(stale) << "\n";
}

// A marker at each suggested boundary (see `sundrel-cli suggest`), under Add Marker's limits.
void AddSuggestedMarkers(const std::string& mix, std::optional<int> tracks, const CWaveFile& wave,
                         std::vector<Marker>& markers) {
    const double duration = wave.GetDuration();
    SuggestResult result;
    try {
        result = SuggestFor(mix, tracks, SuggestOptions{}.minTrackSeconds);
    } catch (const std::runtime_error& e) {
        throw Failure{kExitInput, e.what()};
    }
    for (const Suggestion& s : result.suggestions) {
        const auto position =
            static_cast<float>(static_cast<double>(s.frame) / static_cast<double>(result.rate));
        if (CheckAddMarker(position, duration, markers.size()) == AddMarkerCheck::Ok) {
            markers.push_back(FrameMarker(s.frame)); // exact, as every typed time
        }
    }
}

// Names every track shorter than a second on stderr; with --strict such a split is refused
// before anything is written.
void WarnShortTracks(const SplitArgs& args, const std::vector<Marker>& markers,
                     const CWaveFile& wave) {
    const auto plan = PlanTracksAtFrames(markers, wave.m_nDataSize, wave.m_wfx.nBlockAlign);
    const auto shortTracks = ShortTracks(plan, wave.m_wfx.nAvgBytesPerSec);
    const double byteRate = wave.m_wfx.nAvgBytesPerSec;
    for (const std::size_t i : shortTracks) {
        std::cerr << "sundrel-cli split: shorter than a second: "
                  << TrackName(static_cast<int>(i + 1)) << " ("
                  << FormatDuration(static_cast<double>(plan[i].size) / byteRate) << ")\n";
    }
    if (args.strict && !shortTracks.empty()) {
        throw Failure{kExitUsage, std::to_string(shortTracks.size()) +
                                      (shortTracks.size() == 1 ? " track is" : " tracks are") +
                                      " shorter than a second; --strict refuses the split"};
    }
}

void RunSplit(const SplitArgs& args) {
    std::string mix = args.mix;
    std::optional<ProjectFile> project;
    if (!args.project.empty()) {
        try {
            project = ReadProject(args.project);
        } catch (const ProjectError& e) {
            throw Failure{kExitInput, e.what()};
        }
        if (mix.empty()) {
            if (project->wavePath.empty()) {
                throw Failure{kExitUsage, args.project +
                                              ": the project names no Wave file (version " +
                                              std::to_string(project->version) + "); give MIX"};
            }
            mix = project->wavePath;
        }
    }
    if (mix.empty()) {
        throw Failure{kExitUsage, "give MIX, or a project file with --project"};
    }

    std::unique_ptr<CWaveFile> wave;
    try {
        wave = std::make_unique<CWaveFile>(mix);
    } catch (const WaveFileError& e) {
        throw Failure{kExitInput, e.what()};
    }
    // The same warnings `info` gives: the split cuts what the file holds.
    if (wave->m_bDataTruncated) {
        std::cerr << "sundrel-cli split: " << mix
                  << ": the data chunk claims more than the file holds; splitting the "
                  << wave->m_nDataSize << " bytes there are\n";
    }
    if (wave->m_bDataSizeUncertain) {
        std::cerr << "sundrel-cli split: " << mix
                  << ": WARNING: the 32-bit size field may have wrapped at 4 GiB and no chunk "
                     "marks the audio's end; audio after "
                  << wave->m_nDataSize << " bytes is not split\n";
    }
    std::vector<Marker> markers =
        CollectMarkers(args, project ? &project->markers : nullptr, *wave);
    if (args.suggested) {
        AddSuggestedMarkers(mix, args.tracks, *wave, markers);
    }

    WarnShortTracks(args, markers, *wave);

    std::vector<SplitTrack> written;
    try {
        SplitOptions options;
        options.sync = args.sync;
        options.waitForFolder = !args.noWait;
        options.onWaitForFolder = [&args] {
            std::cerr << "sundrel-cli split: waiting for another split into " << args.outDir
                      << "\n";
        };
        written = wave->Split(markers, args.outDir, options);
    } catch (const SplitError& e) {
        throw Failure{e.GetSide() == SplitError::Side::Mix ? kExitInput : kExitOutput, e.what()};
    }
    // The listing comes only now, when every track is in place: a reader that goes away or a
    // full device cannot stop the split half-way.
    const double byteRate = wave->m_wfx.nAvgBytesPerSec;
    for (const SplitTrack& track : written) {
        std::cout << track.path.filename().string() << "  "
                  << FormatDuration(static_cast<double>(track.span.offset) / byteRate) << "  "
                  << FormatDuration(static_cast<double>(track.span.size) / byteRate) << "\n";
    }
    std::cout.flush();
    const bool listed = static_cast<bool>(std::cout);
    HandleStaleTracks(args, written.size(), *wave);
    if (!listed) {
        throw Failure{kExitOutput, "the tracks are written, but their list cannot be: standard "
                                   "output cannot be written"};
    }
}

} // namespace

void AddSplitCommand(CLI::App& app, int& status) {
    auto* cmd =
        app.add_subcommand("split", "Split a mix into track01.wav, track02.wav, ... at markers");
    cmd->footer(
        "A time cuts at the exact frame of that time (369 s at 44.1 kHz: frame 16,272,900);\n"
        "as with Add Marker, a time less than 1 s from the start or the end of the mix is\n"
        "refused. --percent P cuts where the window cuts for a marker of P % of the audio\n"
        "data. The project's markers come first; the start is always a cut. Existing track\n"
        "files in DIR are replaced; track files of an earlier split beyond the new count are\n"
        "reported (--clean removes them). Exit status: 0 done, 1 usage, 2 the mix or\n"
        "project cannot be read, 3 a track cannot be written (or removed), or the list of\n"
        "tracks cannot be written to standard output (the tracks are complete).");
    auto args = std::make_shared<SplitArgs>();
    cmd->add_option("MIX", args->mix, "The mix (a WAV file); default: the project's");
    cmd->add_option("--at", args->times,
                    "Marker at TIME: seconds (185.5) or [[h:]m:]s[.fff] (3:05.5)")
        ->type_name("TIME");
    cmd->add_option("--percent", args->percents, "Marker at P percent of the audio data")
        ->type_name("P");
    cmd->add_option("--project", args->project, "Take the markers (and the mix) from a project")
        ->type_name("FILE.sdr");
    cmd->add_option("-o,--output", args->outDir, "Write the tracks into DIR (default: .)")
        ->type_name("DIR");
    cmd->add_flag("--clean", args->clean,
                  "After the split, remove track files of an earlier split beyond the new count");
    cmd->add_flag("--strict", args->strict,
                  "Refuse (status 1) a split with a track shorter than a second");
    cmd->add_flag("--sync", args->sync,
                  "Flush every track and the folder to disk before reporting success");
    cmd->add_flag("--no-wait", args->noWait,
                  "Fail (status 3) instead of waiting while another split writes into DIR");
    auto* suggested = cmd->add_flag("--suggested", args->suggested,
                                    "Also cut at the suggested boundaries (see suggest)");
    cmd->add_option("--tracks", args->tracks, "With --suggested: the number of tracks")
        ->type_name("N")
        ->check(CLI::Range(1, 10000))
        ->needs(suggested);
    cmd->callback([args, &status] {
        try {
            RunSplit(*args);
        } catch (const Failure& f) {
            std::cout.flush();
            std::cerr << "sundrel-cli split: " << f.message << "\n";
            status = f.status;
        }
    });
}

} // namespace sundrel::cli
