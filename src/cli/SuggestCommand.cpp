#include "cli/Commands.h"
#include "cli/TerminalProgress.h"
#include "core/analysis/SuggestBoundaries.h"
#include "core/analysis/SuggestTuning.h"
#include "core/audio/WaveFile.h"
#include "core/interop/MarkerFiles.h"
#include "core/riff/FileError.h"
#include "core/time/TimeCode.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sundrel::cli {

namespace {

struct SuggestArgs {
    std::string mix;
    std::optional<int> tracks;
    std::string tracklist;
    double minTrack = SuggestOptions{}.minTrackSeconds;
    std::string tuning;
    bool json = false;
    bool strict = false;
};

// "185.500  0:03:05.500": seconds with three decimals and the same time as h:mm:ss.mmm, both
// from the frame rounded to the millisecond.
std::string FormatTimes(std::int64_t frame, std::uint32_t rate, bool json) {
    const auto ms = static_cast<std::int64_t>(
        std::llround(static_cast<double>(frame) * 1000.0 / static_cast<double>(rate)));
    const std::int64_t s = ms / 1000;
    char text[96];
    std::snprintf(text, sizeof text,
                  json ? "\"seconds\": %" PRId64 ".%03" PRId64 ", \"time\": \"%" PRId64
                         ":%02" PRId64 ":%02" PRId64 ".%03" PRId64 "\""
                       : "%" PRId64 ".%03" PRId64 "  %" PRId64 ":%02" PRId64 ":%02" PRId64
                         ".%03" PRId64,
                  s, ms % 1000, s / 3600, s / 60 % 60, s % 60, ms % 1000);
    return text;
}

void Print(const SuggestResult& result, bool json, std::ostream& out) {
    char confidence[16];
    if (json) {
        out << "[";
    }
    for (std::size_t i = 0; i < result.suggestions.size(); ++i) {
        const Suggestion& s = result.suggestions[i];
        std::snprintf(confidence, sizeof confidence, "%.2f", s.confidence);
        if (json) {
            out << (i ? ",\n " : "\n ") << "{\"frame\": " << s.frame << ", "
                << FormatTimes(s.frame, result.rate, true) << ", \"confidence\": " << confidence
                << ", \"kind\": \"" << SuggestionKindName(s.kind) << "\"";
            std::snprintf(confidence, sizeof confidence, "%.4f", s.score);
            out << ", \"score\": " << confidence << ", \"alternatives\": [";
            for (std::size_t a = 0; a < s.alternatives.size(); ++a) {
                std::snprintf(confidence, sizeof confidence, "%.2f", s.alternatives[a].confidence);
                out << (a ? ", " : "") << "{\"frame\": " << s.alternatives[a].frame << ", "
                    << FormatTimes(s.alternatives[a].frame, result.rate, true)
                    << ", \"confidence\": " << confidence << "}";
            }
            out << "]}";
        } else {
            out << FormatTimes(s.frame, result.rate, false) << "  " << confidence << "  "
                << SuggestionKindName(s.kind) << "\n";
        }
    }
    if (json) {
        out << (result.suggestions.empty() ? "]\n" : "\n]\n");
    }
}

} // namespace

SuggestResult SuggestFor(const MixSession& session, std::optional<int> tracks, double minTrack,
                         const std::string& command, std::optional<SuggestTuning> tuning) {
    SuggestOptions options;
    options.tracks = tracks;
    options.minTrackSeconds = minTrack;
    options.tuning = tuning;
    const MixSession::SuggestJob job = session.PrepareSuggest(options);
    TerminalProgress progress(command + ": finding boundaries");
    progress.Show(0.0);
    return job([&progress](double share) { progress.Show(share); });
}

std::string SuggestShortfall(const SuggestResult& result, std::optional<int> tracks,
                             double minTrack, std::size_t boundaries) {
    const auto rate = static_cast<double>(result.rate);
    double closest = 0.0;
    for (std::size_t i = 1; i < result.suggestions.size(); ++i) {
        const double gap =
            static_cast<double>(result.suggestions[i].frame - result.suggestions[i - 1].frame) /
            rate;
        closest = i == 1 ? gap : std::min(closest, gap);
    }
    char seconds[64];
    if (result.suggestions.size() > 1 && closest + 0.5 / rate < minTrack) {
        std::snprintf(seconds, sizeof seconds, "%.3f s apart (--min-track %g)", closest, minTrack);
        return std::string("two boundaries lie only ") + seconds;
    }
    if (!tracks || boundaries + 1 >= static_cast<std::size_t>(*tracks)) {
        return "";
    }
    std::snprintf(seconds, sizeof seconds, "%g", minTrack);
    std::string text = "asked for ";
    return text + std::to_string(*tracks) + " tracks, found " + std::to_string(boundaries + 1) +
           ": the mix (" + FormatDuration(static_cast<double>(result.frames) / rate) +
           ") holds no more " + "boundaries at least " + seconds +
           " s (--min-track) apart and from either end";
}

void AddSuggestCommand(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("suggest", "Suggest track boundaries: silences and transitions");
    cmd->footer("One suggestion a line: seconds, h:mm:ss.mmm, confidence (0..1) and kind\n"
                "(silence or transition). With --tracks N exactly N - 1 boundaries are\n"
                "suggested; --tracklist FILE takes N from a tracklist. Exit status: 0 done (also "
                "when nothing is found, which is said on\n"
                "stderr), 1 usage, 2 the mix cannot be read.");
    auto args = std::make_shared<SuggestArgs>();
    cmd->add_option("MIX", args->mix, "The mix (a WAV file)")->required();
    cmd->add_option("--tracks", args->tracks, "The number of tracks in the mix")
        ->type_name("N")
        ->check(CLI::Range(1, 10000));
    cmd->add_option("--tracklist", args->tracklist,
                    "The number of tracks from a tracklist (its lines, with times or without)")
        ->type_name("FILE")
        ->excludes("--tracks");
    cmd->add_option("--min-track", args->minTrack, "No boundaries closer than this (default: 60)")
        ->type_name("SECONDS")
        ->check(CLI::Range(1.0, 86400.0));
    cmd->add_flag("--json", args->json, "Print a JSON array");
    cmd->add_flag("--strict", args->strict,
                  "Fail (status 1) when fewer than N - 1 boundaries --min-track apart are found");
    // The analysis's constants, for the evaluation that chooses them (scripts/eval-suggest).
    cmd->add_option("--tuning", args->tuning)->group("");
    cmd->callback([args, &status] {
        if (!std::isfinite(args->minTrack)) { // NaN passes a range check
            std::cerr << "sundrel-cli suggest: --min-track: not a number of seconds (1 to 86400)\n";
            status = kExitUsage;
            return;
        }
        try {
            std::optional<int> tracks = args->tracks;
            if (!args->tracklist.empty()) {
                tracks = static_cast<int>(
                    ReadMarkerFile(args->tracklist, MarkerFileKind::Tracklist).tracks.size());
            }
            // Settings separated by ';' (the evaluation's grid) are analysed from one pass over
            // the mix and printed as an array of the results, one per setting.
            std::vector<SuggestTuning> tunings;
            try {
                std::string_view rest = args->tuning;
                do {
                    const std::size_t semi = rest.find(';');
                    ParseTuning(rest.substr(0, semi),
                                tunings.emplace_back(BuiltInTuning(tracks.has_value())));
                    rest =
                        semi == std::string_view::npos ? std::string_view{} : rest.substr(semi + 1);
                } while (!rest.empty());
            } catch (const std::invalid_argument& e) {
                std::cerr << "sundrel-cli suggest: " << e.what() << "\n";
                status = kExitUsage;
                return;
            }
            if (tunings.size() > 1) {
                SuggestOptions options;
                options.tracks = tracks;
                options.minTrackSeconds = args->minTrack;
                const auto results = SuggestBoundaries(args->mix, options, tunings);
                std::cout << "[";
                for (std::size_t i = 0; i < results.size(); ++i) {
                    std::cout << (i ? "," : "");
                    Print(results[i], true, std::cout);
                }
                std::cout << "]\n";
                return;
            }
            // The command line never plays: the session gets no sound device.
            MixSession session{PlaybackSession::DeviceFactory{}};
            session.Load(std::make_shared<CWaveFile>(args->mix), false);
            const SuggestResult result =
                SuggestFor(session, tracks, args->minTrack, "sundrel-cli suggest", tunings.front());
            if (const std::string shortfall =
                    SuggestShortfall(result, tracks, args->minTrack, result.suggestions.size());
                !shortfall.empty()) {
                std::cerr << "sundrel-cli suggest: " << shortfall << "\n";
                if (args->strict) {
                    status = kExitUsage;
                    return;
                }
            }
            Print(result, args->json, std::cout);
            if (result.suggestions.empty()) {
                std::cout.flush();
                std::cerr << "sundrel-cli suggest: no boundaries found in " << args->mix << "\n";
            }
        } catch (const WaveFileError& e) {
            std::cout.flush();
            std::cerr << "sundrel-cli suggest: " << e.what() << "\n";
            status = kExitInput;
        } catch (const MarkerFileError& e) {
            std::cout.flush();
            std::cerr << "sundrel-cli suggest: " << e.what() << "\n";
            status = kExitInput;
        } catch (const FileError& e) {
            std::cout.flush();
            std::cerr << "sundrel-cli suggest: " << e.what() << "\n";
            status = kExitInput;
        }
    });
}

} // namespace sundrel::cli
