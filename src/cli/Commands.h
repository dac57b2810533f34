#pragma once

#include "core/analysis/SuggestBoundaries.h"
#include "core/match/MatchTracks.h"
#include "core/session/MixSession.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

namespace sundrel::cli {

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitInput = 2;
inline constexpr int kExitOutput = 3;

// Each command registers its subcommand and sets `status` when it runs.
void AddInfoCommand(CLI::App& app, int& status);
void AddSplitCommand(CLI::App& app, int& status);
void AddProjectCommand(CLI::App& app, int& status);
void AddSuggestCommand(CLI::App& app, int& status);
void AddExportCommand(CLI::App& app, int& status);
void AddMatchCommand(CLI::App& app, int& status);
void AddAnalyseCommand(CLI::App& app, int& status);

// The suggested boundaries of the session's mix (see MixSession::PrepareSuggest), the
// analysis's progress shown on a terminal as "<command>: finding boundaries N %"; throws
// FileError for a mix that cannot be read. Without `tuning`, the settings built in for a known or
// an unknown count, as the window's Suggest Boundaries uses them.
SuggestResult SuggestFor(const MixSession& session, std::optional<int> tracks, double minTrack,
                         const std::string& command,
                         std::optional<SuggestTuning> tuning = std::nullopt);

// When `tracks` was asked for and fewer than tracks - 1 of `boundaries` were found (or kept),
// or two of them lie closer than `minTrack` seconds: what was asked and what was given, for
// stderr; "" when the promise holds.
std::string SuggestShortfall(const SuggestResult& result, std::optional<int> tracks,
                             double minTrack, std::size_t boundaries);

// The candidate files of `tracksFrom` (folders, playlists, files); the missing ones are named
// on stderr. Throws Failure (input) when there are none.
std::vector<std::filesystem::path> CandidatesFor(const std::vector<std::string>& tracksFrom,
                                                 const std::string& command);

// Where `files` play in the session's mix (see MixSession::PrepareMatch), the work's progress
// shown on a terminal; undecodable candidates are named on stderr. Throws Failure (input) when
// the mix cannot be decoded.
MatchResult MatchFor(const MixSession& session, std::vector<std::filesystem::path> files,
                     BoundaryPlace place, const std::string& command);

} // namespace sundrel::cli
