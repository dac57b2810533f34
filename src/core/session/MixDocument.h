#pragma once

#include "core/analysis/Suggestion.h"
#include "core/audio/WaveFile.h"
#include "core/interop/MarkerSet.h"
#include "core/markers/MarkerList.h"
#include "core/markers/MixInfo.h"
#include "core/match/MatchTracks.h"
#include "core/session/MarkerHistory.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sundrel {

// The part of the session that is the user's work on one mix: the loaded mix, the markers and
// the selected entry, the mix's names, their undo history, the project file they were saved
// to, and the suggested boundaries shown beside them. The session's operations change it and
// tell the listeners; it holds the rules that need nothing else.
class MixDocument {
  protected:
    // Frames of audio in the loaded mix (0 without one), and its length in seconds.
    std::int64_t Frames() const;
    double Duration() const { return m_wave ? m_wave->GetDuration() : 0.0; }
    // Sets the frames of the percentage markers for the loaded mix.
    void ResolveFrames();
    // The markers, the selection and the names, as undo keeps them.
    MarkerHistory::State Snapshot() const { return {m_markers, m_selected, m_mixInfo}; }

    std::shared_ptr<CWaveFile> m_wave;
    std::filesystem::path m_wavePath;
    MarkerList m_markers;
    MixInfo m_mixInfo;
    std::size_t m_selected = 0;
    MarkerHistory m_history;
    std::filesystem::path m_projectPath;
    std::vector<Suggestion> m_suggestions;
    std::optional<std::size_t> m_currentSuggestion;
    std::optional<MarkerSet> m_heldNames;    // see MixSession::HoldNames
    std::optional<MatchResult> m_match;      // see MixSession::ApplyMatch
    std::vector<std::string> m_projectNotes; // see MixSession::ProjectNotes
};

} // namespace sundrel
