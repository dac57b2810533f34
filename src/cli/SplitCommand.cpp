#include "cli/Commands.h"
#include "cli/MarkerSources.h"
#include "cli/TerminalProgress.h"
#include "core/interop/TrackNames.h"
#include "core/io/ErrorText.h"
#include "core/io/OutputFolder.h"
#include "core/riff/FileError.h"
#include "core/session/SplitRequest.h"
#include "core/time/TimeCode.h"
#include "core/trackinfo/SplitAnalysis.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sundrel::cli {

namespace {

struct SplitArgs {
    MarkerSources sources;
    std::string outDir = ".";
    std::string names;
    std::string format = "wav";
    bool clean = false;
    bool noWait = false;
    bool strict = false;
    bool sync = false;
    bool noAnalysis = false;
};

// "track04.wav, track05.wav", or the first two and the last of a longer list.
std::string FileNames(const std::vector<std::filesystem::path>& files) {
    std::string text;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files.size() > 4 && i == 2) {
            text += ", …";
            i = files.size() - 1;
        }
        text += (i == 0 ? "" : ", ") + files[i].filename().string();
    }
    return text;
}

std::string CountOf(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " track file" : " track files") + " of an earlier split";
}

// Track files an earlier split left would pass for part of this split: those the folder's
// record vouches for were removed with --clean (under the split's lock) or are named here.
// Files that only have a track's name are named too, and never removed. Returns the error of
// a removal that failed, or "".
std::string ReportLeftovers(const LeftoverTracks& leftovers,
                            const std::vector<std::filesystem::path>& unproven) {
    std::cout.flush();
    if (!leftovers.removed.empty()) {
        std::cerr << "sundrel-cli split: removed " << CountOf(leftovers.removed.size()) << ": "
                  << FileNames(leftovers.removed) << "\n";
    }
    if (!leftovers.remaining.empty() && leftovers.error.empty()) {
        const std::size_t n = leftovers.remaining.size();
        std::cerr << "sundrel-cli split: " << CountOf(n) << (n == 1 ? " remains: " : " remain: ")
                  << FileNames(leftovers.remaining) << "; --clean removes "
                  << (n == 1 ? "it" : "them") << "\n";
    }
    if (!unproven.empty()) {
        std::cerr << "sundrel-cli split: " << unproven.size()
                  << (unproven.size() == 1 ? " file named like a track remains: "
                                           : " files named like tracks remain: ")
                  << FileNames(unproven)
                  << "; no split recorded writing them as they are, so --clean leaves them\n";
    }
    return leftovers.error;
}

// Names every track shorter than a second on stderr; with --strict such a split is refused
// before anything is written.
void WarnShortTracks(const SplitArgs& args, const SplitRequest& request) {
    for (const ShortTrack& track : request.shortTracks) {
        std::cerr << "sundrel-cli split: shorter than a second: " << track.name << " ("
                  << FormatFrameTime(track.frames, request.rate) << ")\n";
    }
    const std::size_t count = request.shortTracks.size();
    if (args.strict && count > 0) {
        throw Failure{kExitUsage, std::to_string(count) +
                                      (count == 1 ? " track is" : " tracks are") +
                                      " shorter than a second; --strict refuses the split"};
    }
}

void RunSplit(const SplitArgs& args) {
    // The destination first: a folder that cannot be made is reported before the analysis
    // runs, and a new one is made (as mkdir -p) and named.
    try {
        for (const std::filesystem::path& made : io::PrepareOutputFolder(args.outDir)) {
            std::cerr << "sundrel-cli split: created folder " << made.string() << "\n";
        }
    } catch (const io::IoError& e) {
        throw Failure{kExitOutput, e.what()};
    }
    MarkerSources sources = args.sources;
    sources.strict = args.strict;
    CollectedMarkers collected = CollectMarkers(sources, "sundrel-cli split");
    const std::string& mix = collected.mixPath;
    MixSession& session = *collected.session;
    const CWaveFile& wave = *session.Wave();
    // The same warnings `info` gives: the split cuts what the file holds.
    if (wave.m_bDataTruncated) {
        std::cerr << "sundrel-cli split: " << mix
                  << ": the data chunk claims more than the file holds; splitting the "
                  << wave.m_nDataSize << " bytes there are\n";
    }
    if (wave.m_bDataSizeUncertain) {
        std::cerr << "sundrel-cli split: " << mix
                  << ": WARNING: the 32-bit size field may have wrapped at 4 GiB and no chunk "
                     "marks the audio's end; audio after "
                  << wave.m_nDataSize << " bytes is not split\n";
    }
    SplitSettings settings;
    settings.folder = args.outDir;
    settings.nameTemplate = args.names;
    settings.format = args.format == "flac" ? TrackFormat::Flac : TrackFormat::Wav;
    settings.sync = args.sync;
    settings.clean = args.clean;
    settings.waitForFolder = !args.noWait;
    settings.leadInTrack = collected.leadInTrack;
    for (const std::string* source : {&args.sources.project, &args.sources.cue,
                                      &args.sources.labels, &args.sources.tracklist}) {
        if (!source->empty()) {
            settings.keep.emplace_back(*source);
        }
    }
    SplitRequest request;
    try {
        request = session.PrepareSplit(settings);
    } catch (const NameTemplateError& e) {
        throw Failure{kExitUsage, std::string("--names: ") + e.what()};
    }
    WarnShortTracks(args, request);
    // Tagged tracks also carry their tempo, key and ReplayGain, as DJ software reads them.
    if (!args.noAnalysis && !request.options.tags.empty()) {
        try {
            TerminalProgress progress("sundrel-cli split: analysing tracks");
            progress.Show(0.0);
            TagSplitWithAnalysis(request.options, wave, request.job.markers, 2,
                                 [&progress](double share) { progress.Show(share); });
        } catch (const FileError& e) {
            throw Failure{kExitInput, e.what()};
        }
    }

    std::vector<SplitTrack> written;
    LeftoverTracks leftovers;
    try {
        SplitOptions& options = request.options;
        options.onLeftovers = [&leftovers](const LeftoverTracks& found) { leftovers = found; };
        TerminalProgress progress("sundrel-cli split: writing tracks");
        options.onWaitForFolder = [&args, &progress] {
            progress.Clear();
            std::cerr << "sundrel-cli split: waiting for another split into " << args.outDir
                      << "\n";
        };
        options.onProgress = [&progress](std::uint64_t done, std::uint64_t total) {
            progress.Show(total == 0 ? 1.0
                                     : static_cast<double>(done) / static_cast<double>(total));
        };
        progress.Show(0.0);
        written = request.Run();
    } catch (const SplitError& e) {
        throw Failure{e.GetSide() == SplitError::Side::Mix ? kExitInput : kExitOutput, e.what()};
    }
    // The listing comes only now, when every track is in place: a reader that goes away or a
    // full device cannot stop the split half-way.
    // Start and length from the exact frames, as the window's track table shows them.
    const std::uint32_t block = std::max<std::uint32_t>(wave.m_wfx.nBlockAlign, 1);
    const std::uint32_t rate = wave.m_wfx.nSamplesPerSec;
    for (const SplitTrack& track : written) {
        std::cout << track.path.filename().string() << "  "
                  << FormatFrameTime(static_cast<std::int64_t>(track.span.offset / block), rate)
                  << "  "
                  << FormatFrameTime(static_cast<std::int64_t>(track.span.size / block), rate)
                  << "\n";
    }
    std::cout.flush();
    const bool listed = static_cast<bool>(std::cout);
    const std::string cleanError = ReportLeftovers(leftovers, UnprovenTracks(request, leftovers));
    if (!cleanError.empty()) {
        throw Failure{kExitOutput, "the tracks are written, but an earlier split's are not all "
                                   "removed: " +
                                       cleanError};
    }
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
        "data. The markers of a project, cue sheet, label file or timed tracklist (one of\n"
        "them) come first; the start is always a cut. A tracklist without times names the\n"
        "tracks in order (its count must match). Tracks with names, or of a mix with a title,\n"
        "carry tags (title, artist, album, track number; tempo, key and ReplayGain unless\n"
        "--no-analysis). Existing track files in DIR are\n"
        "replaced; track files an earlier split wrote there and this one did not replace\n"
        "are reported (--clean removes them). Exit status: 0 done, 1 usage, 2 the mix or a marker "
        "file\n"
        "cannot be read, 3 a track cannot be written (or removed), or the list of tracks\n"
        "cannot be written to standard output (the tracks are complete).");
    auto args = std::make_shared<SplitArgs>();
    AddMarkerSourceOptions(*cmd, args->sources);
    cmd->add_option("-o,--output", args->outDir, "Write the tracks into DIR (default: .)")
        ->type_name("DIR");
    cmd->add_option("--names", args->names,
                    "Name the tracks by TEMPLATE: {nn} {n} {title} {artist} {mix} {start} "
                    "(default: track01, track02, ...)")
        ->type_name("TEMPLATE");
    cmd->add_option("--format", args->format, "Write wav (default) or flac tracks")
        ->type_name("wav|flac")
        ->check(CLI::IsMember({"wav", "flac"}));
    cmd->add_flag("--clean", args->clean,
                  "Remove the track files an earlier split wrote into DIR that this one did not "
                  "replace");
    cmd->add_flag("--strict", args->strict,
                  "Refuse (status 1) a split with a track shorter than a second, or with fewer "
                  "suggested boundaries than --tracks asks for");
    cmd->add_flag("--sync", args->sync,
                  "Flush every track and the folder to disk before reporting success");
    cmd->add_flag("--no-analysis", args->noAnalysis,
                  "Leave out the tempo, key and ReplayGain tags of tracks with names");
    cmd->add_flag("--no-wait", args->noWait,
                  "Fail (status 3) instead of waiting while another split writes into DIR");
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
