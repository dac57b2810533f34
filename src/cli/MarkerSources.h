#pragma once

#include "core/session/MixSession.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sundrel::cli {

// A failure with the exit status it ends the command with.
struct Failure {
    int status;
    std::string message;
};

// Where a command's markers come from: the mix, then at most one source that places markers
// (a project, a cue sheet, a label file, a tracklist with times, or the track files the mix
// was played from), then markers at times and
// percentages, then the suggested boundaries, and last a tracklist without times naming them.
struct MarkerSources {
    std::string mix;
    std::string project;
    std::string cue;
    std::string labels;
    std::string tracklist;
    std::vector<std::string> tracksFrom; // folders, playlists, files (see `match`)
    std::string boundary = "middle";
    std::vector<std::string> times;
    std::vector<std::string> percents;
    bool suggested = false;
    std::optional<int> tracks;
    std::string pregap = "join"; // the audio before a file's first track: "join" or "separate"
    std::optional<double> shift; // seconds every marker but the start moves by
    std::optional<double> snap;  // seconds within which a marker moves to a transition
    // Refuse (status 1) suggestions that do not keep the count asked for or --min-track.
    bool strict = false;
};

// Adds MIX and the source options to `cmd`.
void AddMarkerSourceOptions(CLI::App& cmd, MarkerSources& sources);

// What the sources give: a session with the mix loaded and the markers and the mix's names
// as the sources made them, through the session's own operations (as the window makes them).
struct CollectedMarkers {
    std::string mixPath; // as given, or as the project or cue sheet names it
    std::unique_ptr<MixSession> session;
    // The first track is the audio before the marker file's first track (--pregap separate).
    bool leadInTrack = false;
};

// Reads the sources and the mix; `command` prefixes warnings on stderr, among them what a
// marker file's reader read past, and where --shift and --snap moved each marker. Throws Failure:
// usage (1) for options that do not fit together or a marker the mix cannot hold, input (2) for a
// file that cannot be read.
CollectedMarkers CollectMarkers(const MarkerSources& sources, const std::string& command);

} // namespace sundrel::cli
