#include "cli/Commands.h"
#include "cli/MarkerSources.h"
#include "cli/TerminalProgress.h"
#include "core/analysis/FileElements.h"
#include "core/markers/TrackSpans.h"
#include "core/riff/FileError.h"
#include "core/split/SplitNaming.h"
#include "core/time/TimeCode.h"
#include "core/trackinfo/SplitAnalysis.h"
#include "core/trackinfo/TrackInfoText.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sundrel::cli {

namespace {

struct AnalyseArgs {
    MarkerSources sources;
    bool json = false;
    std::string tuning;
};

// Tracks are analysed two at a time: one worker for each of the two cores the analysis is
// planned for, each with a whole track, so no track waits for another's audio.
constexpr unsigned kWorkers = 2;

std::string OrDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::string OrNull(const std::string& text) {
    return text.empty() ? "null" : text;
}

std::string Quoted(const std::string& text) {
    return text.empty() ? "null" : "\"" + text + "\"";
}

void PrintTrack(int number, const std::string& start, const TrackInfo& info, bool json, bool last) {
    const std::string key = info.key ? KeyName(*info.key) : std::string();
    const std::string shortKey = info.key ? KeyShortName(*info.key) : std::string();
    const std::string camelot = info.key ? CamelotName(*info.key) : std::string();
    if (json) {
        std::string gain = TrackGainText(info);
        gain = gain.substr(0, gain.find(' '));
        std::cout << "  {\"track\": " << number << ", \"start\": \"" << start
                  << "\", \"bpm\": " << OrNull(BpmText(info)) << ", \"key\": " << Quoted(key)
                  << ", \"key_short\": " << Quoted(shortKey) << ", \"camelot\": " << Quoted(camelot)
                  << ", \"lufs\": " << OrNull(LufsText(info))
                  << ", \"true_peak_dbtp\": " << OrNull(TruePeakText(info))
                  << ", \"replaygain_track_gain_db\": " << OrNull(gain)
                  << ", \"replaygain_track_peak\": " << OrNull(TrackPeakText(info)) << "}"
                  << (last ? "\n" : ",\n");
        return;
    }
    char line[256];
    std::snprintf(line, sizeof line, "%02d  %s  %5s BPM  %-8s %-3s  %5s LUFS  %5s dBTP  %s", number,
                  start.c_str(), OrDash(BpmText(info)).c_str(), OrDash(key).c_str(),
                  OrDash(camelot).c_str(), OrDash(LufsText(info)).c_str(),
                  OrDash(TruePeakText(info)).c_str(), OrDash(TrackGainText(info)).c_str());
    std::cout << line << "\n";
}

void PrintTracks(const CollectedMarkers& collected, const std::vector<TrackInfo>& infos,
                 bool json) {
    const CWaveFile& wave = *collected.session->Wave();
    const std::vector<Marker>& markers = collected.session->Markers().Markers();
    const auto plan = PlanTracksAtFrames(markers, wave.m_nDataSize, wave.m_wfx.nBlockAlign);
    const std::uint32_t block = std::max<std::uint32_t>(wave.m_wfx.nBlockAlign, 1);
    // Numbered as split numbers its files: the sheet's numbers, a lead-in of its own 0.
    const std::vector<int> numbers = SplitTrackNumbers(
        NamesOfTracks(markers, wave.m_nDataSize, wave.m_wfx.nBlockAlign), collected.leadInTrack);
    if (json) {
        std::cout << "[\n";
    }
    for (std::size_t i = 0; i < infos.size() && i < plan.size() && i < numbers.size(); ++i) {
        const std::string start = FormatFrameTime(static_cast<std::int64_t>(plan[i].offset / block),
                                                  wave.m_wfx.nSamplesPerSec);
        PrintTrack(numbers[i], start, infos[i], json, i + 1 == infos.size());
    }
    if (json) {
        std::cout << "]\n";
    }
}

// The settings of `text` separated by ';' (one setting, the built-in one, when it is empty).
std::vector<TrackInfoTuning> Tunings(std::string_view text) {
    std::vector<TrackInfoTuning> tunings;
    try {
        do {
            const std::size_t semi = text.find(';');
            ParseTrackInfoTuning(text.substr(0, semi), tunings.emplace_back());
            text = semi == std::string_view::npos ? std::string_view{} : text.substr(semi + 1);
        } while (!text.empty());
    } catch (const std::invalid_argument& e) {
        throw Failure{kExitUsage, e.what()};
    }
    return tunings;
}

void RunAnalyse(const AnalyseArgs& args) {
    const std::vector<TrackInfoTuning> tunings = Tunings(args.tuning);
    const CollectedMarkers collected = CollectMarkers(args.sources, "sundrel-cli analyse");
    const CWaveFile& wave = *collected.session->Wave();
    const std::vector<Marker>& markers = collected.session->Markers().Markers();
    // Each track analysed with each setting: by setting, by track.
    std::vector<std::vector<TrackInfo>> infos(tunings.size());
    try {
        TerminalProgress progress("sundrel-cli analyse: analysing tracks");
        progress.Show(0.0);
        if (tunings.size() == 1) {
            infos.front() = AnalyseSplitTracks(wave, markers, kWorkers,
                                               [&progress](double share) { progress.Show(share); });
        } else {
            // The evaluation's grid: each track read once on this thread, its onsets and
            // chroma measured once for all the settings.
            const WaveFormat format = wave.GetFormat();
            const FileElements elements(wave.m_strPath, wave.m_nDataOffset, wave.m_nFileSize,
                                        format);
            const auto spans = SplitFrameSpans(wave, markers);
            for (std::size_t i = 0; i < spans.size(); ++i) {
                const auto each = AnalyseTrackWith(std::cref(elements), spans[i].first,
                                                   spans[i].frames, format, tunings);
                for (std::size_t t = 0; t < tunings.size(); ++t) {
                    infos[t].push_back(each[t]);
                }
                progress.Show(static_cast<double>(i + 1) / static_cast<double>(spans.size()));
            }
        }
    } catch (const FileError& e) {
        throw Failure{kExitInput, e.what()};
    }
    // With more than one setting: a JSON array of each one's array.
    const bool grid = tunings.size() > 1;
    if (grid) {
        std::cout << "[";
    }
    for (std::size_t t = 0; t < tunings.size(); ++t) {
        if (t > 0) {
            std::cout << ",";
        }
        PrintTracks(collected, infos[t], args.json || grid);
    }
    if (grid) {
        std::cout << "]\n";
    }
    std::cout.flush();
    if (!std::cout) {
        throw Failure{kExitOutput, "standard output cannot be written"};
    }
}

} // namespace

void AddAnalyseCommand(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand(
        "analyse", "Print each track's tempo, key and loudness, as split writes them as tags");
    cmd->footer(
        "The markers come from the same sources as split's. One line per track: number, start,\n"
        "tempo (BPM, halved or doubled into 70-180), key (name and Camelot), integrated\n"
        "loudness (LUFS, EBU R 128), true peak (dBTP) and the ReplayGain 2.0 track gain\n"
        "(reference -18 LUFS); - where a track has none (no steady beat, no harmony, silence).\n"
        "Exit status: 0 done, 1 usage, 2 the mix or a marker file cannot be read, 3 the\n"
        "result cannot be written to standard output.");
    auto args = std::make_shared<AnalyseArgs>();
    AddMarkerSourceOptions(*cmd, args->sources);
    cmd->add_flag("--json", args->json, "Print a JSON array, one object per track");
    // The analysis's constants, for the evaluation that chooses them (scripts/eval-trackinfo).
    cmd->add_option("--tuning", args->tuning)->group("");
    cmd->callback([args, &status] {
        try {
            RunAnalyse(*args);
        } catch (const Failure& f) {
            std::cout.flush();
            std::cerr << "sundrel-cli analyse: " << f.message << "\n";
            status = f.status;
        }
    });
}

} // namespace sundrel::cli
