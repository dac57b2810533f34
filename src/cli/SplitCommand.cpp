#include "cli/Commands.h"
#include "core/audio/WaveFile.h"
#include "core/markers/MarkerList.h"
#include "core/markers/MarkerMath.h"
#include "core/project/ProjectFile.h"
#include "core/split/SplitPlan.h"
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
    bool suggested = false;
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
// then a marker for each time, by the rule and within the limits of Add Marker, then the
// percentages as given.
std::vector<float> CollectMarkers(const SplitArgs& args, const std::vector<float>* fromProject,
                                  double duration) {
    std::vector<float> markers = fromProject ? *fromProject : std::vector<float>{0.0f};
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
        markers.push_back(PercentOfPosition(position, duration));
    }
    for (const std::string& text : args.percents) {
        const auto percent = ParsePercent(text);
        if (!percent) {
            throw Failure{kExitUsage, "--percent " + text + ": not a percentage in 0..100"};
        }
        if (markers.size() >= kMaxMarkers) {
            throw Failure{kExitUsage, AddMarkerMessage(AddMarkerCheck::ListFull)};
        }
        markers.push_back(*percent);
    }
    return markers;
}

// A marker at each suggested boundary (see `sundrel-cli suggest`), under Add Marker's limits.
void AddSuggestedMarkers(const std::string& mix, std::optional<int> tracks, double duration,
                         std::vector<float>& markers) {
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
            markers.push_back(PercentOfPosition(position, duration));
        }
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
    const double duration = wave->GetDuration();
    std::vector<float> markers =
        CollectMarkers(args, project ? &project->markers : nullptr, duration);
    if (args.suggested) {
        AddSuggestedMarkers(mix, args.tracks, duration, markers);
    }
    const std::vector<float> percents = SplitPercents(markers);

    const double byteRate = wave->m_wfx.nAvgBytesPerSec;
    SplitOptions options;
    options.onTrackWritten = [byteRate](const SplitTrack& track) {
        std::cout << track.path.filename().string() << "  "
                  << FormatDuration(static_cast<double>(track.span.offset) / byteRate) << "  "
                  << FormatDuration(static_cast<double>(track.span.size) / byteRate) << "\n";
    };
    try {
        wave->Split(percents.data(), static_cast<int>(percents.size()), args.outDir, options);
    } catch (const SplitError& e) {
        throw Failure{e.GetSide() == SplitError::Side::Mix ? kExitInput : kExitOutput, e.what()};
    }
}

} // namespace

void AddSplitCommand(CLI::App& app, int& status) {
    auto* cmd =
        app.add_subcommand("split", "Split a mix into track01.wav, track02.wav, ... at markers");
    cmd->footer(
        "Markers are percentages of the audio data, as in the window: a time becomes the\n"
        "same marker that Add Marker would make at that position, and, as there, a time\n"
        "less than 1 s from the start or the end of the mix is refused. --percent is taken\n"
        "as given. The project's markers come first; the start (0 %) is always a cut.\n"
        "Existing track files in DIR are replaced. Exit status: 0 done, 1 usage,\n"
        "2 the mix or project cannot be read, 3 a track cannot be written.");
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
