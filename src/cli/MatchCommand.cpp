#include "cli/Commands.h"
#include "cli/MarkerSources.h"
#include "cli/TerminalProgress.h"
#include "core/audio/WaveFile.h"
#include "core/decode/AudioDecoder.h"
#include "core/match/Candidates.h"
#include "core/match/MatchTracks.h"
#include "core/match/UnknownSuggestions.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace sundrel::cli {

namespace {

struct MatchArgs {
    std::string mix;
    std::vector<std::string> tracksFrom;
    std::string boundary = "middle";
    bool json = false;
};

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// `text` as a JSON string, quotes included.
std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The start of each play's track: the boundary that names it, or its start.
std::vector<double> TrackStarts(const Layout& layout) {
    std::vector<double> starts;
    for (const FilePlay& p : layout.plays) {
        starts.push_back(p.play.start);
    }
    for (const Boundary& b : layout.boundaries) {
        if (b.play) {
            starts[*b.play] = b.seconds;
        }
    }
    return starts;
}

// Suggested boundaries inside the stretches no file covers, in seconds.
struct Suggested {
    double seconds = 0.0;
    double confidence = 0.0;
};

void PrintText(const MatchResult& result, const std::vector<Suggested>& suggested,
               std::ostream& out) {
    std::size_t u = 0;
    std::size_t g = 0;
    const auto& unknown = result.layout.unknown;
    // An unknown stretch, then the boundaries suggested inside it.
    const auto printUnknown = [&](const Stretch& s) {
        out << Seconds(s.start) << "  " << Seconds(s.end) << "  unknown\n";
        for (; g < suggested.size() && suggested[g].seconds < s.end; ++g) {
            out << Seconds(suggested[g].seconds) << "  suggested  "
                << Fixed(suggested[g].confidence, 2) << "\n";
        }
    };
    for (const FilePlay& p : result.layout.plays) {
        for (; u < unknown.size() && unknown[u].start <= p.play.start; ++u) {
            printUnknown(unknown[u]);
        }
        out << Seconds(p.play.start) << "  " << Seconds(p.play.end) << "  "
            << Seconds(p.play.offset) << "  " << Fixed(p.play.ratio, 4) << "  "
            << Fixed(p.play.confidence, 2) << "  " << result.files[p.file].string() << "\n";
    }
    for (; u < unknown.size(); ++u) {
        printUnknown(unknown[u]);
    }
}

void PrintJson(const MatchResult& result, const std::vector<Suggested>& suggested,
               std::ostream& out) {
    const std::vector<double> starts = TrackStarts(result.layout);
    out << "{\"mix_seconds\": " << Seconds(result.mixSeconds) << ",\n \"plays\": [";
    for (std::size_t i = 0; i < result.layout.plays.size(); ++i) {
        const FilePlay& p = result.layout.plays[i];
        const FileTags& tags = result.tags[p.file];
        out << (i ? ",\n  " : "\n  ") << "{\"start\": " << Seconds(p.play.start)
            << ", \"end\": " << Seconds(p.play.end) << ", \"offset\": " << Seconds(p.play.offset)
            << ", \"ratio\": " << Fixed(p.play.ratio, 4)
            << ", \"key_lock\": " << (p.play.keyLock ? "true" : "false")
            << ", \"confidence\": " << Fixed(p.play.confidence, 2)
            << ", \"boundary\": " << Seconds(starts[i])
            << ", \"file\": " << Json(result.files[p.file].string())
            << ", \"title\": " << Json(tags.title) << ", \"artist\": " << Json(tags.artist)
            << ", \"album\": " << Json(tags.album) << ", \"bpm\": " << Json(tags.bpm)
            << ", \"key\": " << Json(tags.key) << ", \"year\": " << Json(tags.year)
            << ", \"genre\": " << Json(tags.genre) << ", \"isrc\": " << Json(tags.isrc) << "}";
    }
    out << (result.layout.plays.empty() ? "],\n" : "\n ],\n") << " \"unknown\": [";
    for (std::size_t i = 0; i < result.layout.unknown.size(); ++i) {
        const Stretch& s = result.layout.unknown[i];
        out << (i ? ", " : "") << "{\"start\": " << Seconds(s.start)
            << ", \"end\": " << Seconds(s.end) << "}";
    }
    out << "],\n \"suggested\": [";
    for (std::size_t i = 0; i < suggested.size(); ++i) {
        out << (i ? ", " : "") << "{\"at\": " << Seconds(suggested[i].seconds)
            << ", \"confidence\": " << Fixed(suggested[i].confidence, 2) << "}";
    }
    out << "],\n \"skipped\": [";
    for (std::size_t i = 0; i < result.skipped.size(); ++i) {
        out << (i ? ", " : "") << "{\"file\": " << Json(result.skipped[i].file.string())
            << ", \"reason\": " << Json(result.skipped[i].reason) << "}";
    }
    out << "]}\n";
}

// The blind suggestions inside the stretches of the mix no file covers (none when no file
// plays: the stretches are then the whole mix, which `suggest` is for).
std::vector<Suggested> SuggestUnknown(const std::string& mix, std::uint32_t rate,
                                      const MatchResult& result, const std::string& command) {
    std::vector<Suggested> out;
    const SuggestOptions options;
    if (result.layout.plays.empty() ||
        StretchesToSuggestIn(result.layout.unknown, options).empty()) {
        return out;
    }
    std::vector<Suggestion> suggestions;
    try {
        TerminalProgress progress(command + ": suggesting boundaries where no file plays");
        suggestions = SuggestInStretches(mix, result.layout.unknown, options,
                                         [&progress](double share) { progress.Show(share); });
    } catch (const std::exception& e) {
        throw Failure{kExitInput, e.what()};
    }
    for (const Suggestion& s : suggestions) {
        out.push_back({SecondsAtFrame(s.frame, rate), s.confidence});
    }
    return out;
}

} // namespace

std::vector<std::filesystem::path> CandidatesFor(const std::vector<std::string>& tracksFrom,
                                                 const std::string& command) {
    std::vector<std::filesystem::path> sources(tracksFrom.begin(), tracksFrom.end());
    CandidateList candidates;
    try {
        candidates = ListCandidates(sources);
    } catch (const CandidateError& e) {
        throw Failure{kExitInput, e.what()};
    }
    for (const std::string& missing : candidates.missing) {
        std::cerr << command << ": " << missing << " (left out)\n";
    }
    return std::move(candidates.files);
}

MatchResult MatchFor(const MixSession& session, std::vector<std::filesystem::path> files,
                     BoundaryPlace place, const std::string& command) {
    MatchOptions options;
    options.place = place;
    options.threads = std::max(1u, std::min(2u, std::thread::hardware_concurrency()));
    const std::size_t count = files.size();
    const MixSession::MatchJob job = session.PrepareMatch(std::move(files), options);
    MatchResult result;
    {
        TerminalProgress progress(command + ": matching " + std::to_string(count) + " files");
        try {
            result = job([&progress](double share) { progress.Show(share); });
        } catch (const DecodeError& e) {
            throw Failure{kExitInput, e.what()};
        }
    }
    for (const SkippedFile& s : result.skipped) {
        std::cerr << command << ": " << s.reason << " (skipped)\n";
    }
    return result;
}

void AddMatchCommand(CLI::App& app, int& status) {
    auto* cmd =
        app.add_subcommand("match", "Find where each of the DJ's track files plays in the mix");
    cmd->footer(
        "One play a line, in mix order: start and end of the play in the mix (seconds),\n"
        "the file's time at the start, the speed ratio (1.0300: played 3 % fast), the\n"
        "confidence (0..1) and the file; stretches no file covers read START END unknown,\n"
        "followed by the boundaries suggested inside them (AT suggested CONFIDENCE).\n"
        "Files that play nowhere are not listed; files that cannot be decoded are named on\n"
        "stderr and skipped. Exit status: 0 done, 1 usage, 2 the mix or the candidates\n"
        "cannot be read.");
    auto args = std::make_shared<MatchArgs>();
    cmd->add_option("MIX", args->mix, "The mix (a WAV file)")->required();
    cmd->add_option("--tracks-from", args->tracksFrom,
                    "The candidate files: a folder (with its subfolders), an M3U/M3U8 "
                    "playlist or files")
        ->type_name("DIR|PLAYLIST|FILE...")
        ->required();
    cmd->add_option("--boundary", args->boundary,
                    "Where a blend's boundary goes: start (the incoming track's), middle "
                    "(default) or end (the outgoing track's)")
        ->type_name("start|middle|end")
        ->check(CLI::IsMember({"start", "middle", "end"}));
    cmd->add_flag("--json", args->json, "Print a JSON object");
    cmd->callback([args, &status] {
        const std::string command = "sundrel-cli match";
        try {
            std::vector<std::filesystem::path> files = CandidatesFor(args->tracksFrom, command);
            // The command line never plays: the session gets no sound device.
            MixSession session{PlaybackSession::DeviceFactory{}};
            try {
                session.Load(std::make_shared<CWaveFile>(args->mix), false);
            } catch (const WaveFileError& e) {
                throw Failure{kExitInput, e.what()};
            }
            const MatchResult result =
                MatchFor(session, std::move(files), *ParseBoundaryPlace(args->boundary), command);
            const std::vector<Suggested> suggested =
                SuggestUnknown(args->mix, session.Wave()->m_wfx.nSamplesPerSec, result, command);
            if (args->json) {
                PrintJson(result, suggested, std::cout);
            } else {
                PrintText(result, suggested, std::cout);
            }
            std::cout.flush();
            if (result.layout.plays.empty()) {
                std::cerr << command << ": none of the files plays in " << args->mix << "\n";
            }
            if (!std::cout) {
                std::cerr << command << ": standard output cannot be written\n";
                status = kExitOutput;
            }
        } catch (const Failure& f) {
            std::cout.flush();
            std::cerr << command << ": " << f.message << "\n";
            status = f.status;
        }
    });
}

} // namespace sundrel::cli
