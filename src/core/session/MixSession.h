#pragma once

#include "core/analysis/Suggestion.h"
#include "core/audio/WaveFile.h"
#include "core/interop/MarkerSet.h"
#include "core/markers/MarkerList.h"
#include "core/markers/MarkerMoves.h"
#include "core/match/MatchTracks.h"
#include "core/play/PlayRange.h"
#include "core/play/PlaybackSession.h"
#include "core/session/MarkerHistory.h"
#include "core/split/SplitTypes.h"
#include "core/view/TimeWindow.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sundrel {

// What a session change touched; a listener is told once per operation with all of them.
namespace changed {
inline constexpr unsigned kMix = 1u << 0;         // the loaded mix (or its path)
inline constexpr unsigned kMarkers = 1u << 1;     // the markers or their entries
inline constexpr unsigned kSelection = 1u << 2;   // the selected marker entry
inline constexpr unsigned kDocument = 1u << 3;    // project path, modified flag, undo/redo
inline constexpr unsigned kTransport = 1u << 4;   // playing or not
inline constexpr unsigned kSuggestions = 1u << 5; // the suggested boundaries
} // namespace changed

// How long a marker preview plays before and after the marker, unless the caller says.
inline constexpr double kPreviewBeforeSeconds = 5.0;
inline constexpr double kPreviewAfterSeconds = 5.0;

class SessionListener {
  public:
    virtual void OnSessionChanged(unsigned what) = 0;

  protected:
    ~SessionListener() = default;
};

// The open mix and everything the user does with it: the loaded CWaveFile, the markers (with
// undo and redo), the selected marker, the position and the visible window, the transport
// state, the project file and whether the markers have unsaved changes. The window, the
// command line and the tests drive it; it owns no widget and knows no toolkit. Listeners are
// told what changed after each operation that changed something.
//
// Markers are edited only through the session, so every edit is one undo step and sets the
// modified flag; an edit that changes nothing records nothing. A gesture (a drag) groups its
// edits into one step.
class MixSession {
  public:
    explicit MixSession(PlaybackSession::DeviceFactory makeDevice);
    ~MixSession();
    MixSession(const MixSession&) = delete;
    MixSession& operator=(const MixSession&) = delete;

    void AddListener(SessionListener* listener);
    void RemoveListener(SessionListener* listener);

    // ---- The mix
    // Shared: a playback or a split may still hold the previous one.
    const std::shared_ptr<CWaveFile>& Wave() const { return m_wave; }
    bool IsLoaded() const { return m_wave != nullptr; }
    const std::filesystem::path& WavePath() const { return m_wavePath; }
    double Duration() const { return m_wave ? m_wave->GetDuration() : 0.0; }
    // Frames of audio in the loaded mix (0 without one).
    std::int64_t Frames() const;

    // Makes `wave` the open mix; ends a running playback first. With `keepMarkers` the
    // markers stay (percentage markers move with the new mix's length, as they always did)
    // and count as unsaved work for the new mix; otherwise the list starts fresh. The project
    // path is forgotten either way (the project named the other mix) and so is the undo
    // history (its frames belong to the other mix). Position and window stay for the caller.
    void Load(std::shared_ptr<CWaveFile> wave, bool keepMarkers);

    // ---- Position and visible window (seconds)
    // Double precision, so a position set on a zoomed view is exact to the frame; the float
    // values of the old rules are held exactly.
    double Position() const { return m_position; }
    void SetPosition(double seconds) { m_position = seconds; }
    TimeWindow View() const { return m_view; }
    void SetView(TimeWindow range) { m_view = range; }
    // The zoom: the visible window's width in seconds. At the default width (2 s) windows
    // follow the classic rules (one second either side of the position); loading a mix
    // returns to it.
    double ZoomSpan() const { return m_zoomSpan; }
    bool IsDefaultZoom() const { return m_bDefaultZoom; }
    // Zooms to a window `seconds` wide (not the default zoom, even when 2 s wide).
    void SetZoomSpan(double seconds);
    // Back to the default zoom.
    void SetDefaultZoom();
    // The window that shows `position` at the current zoom: at the default zoom the classic
    // one second either side, else the zoom's width centred on it; either held inside the
    // mix near its ends.
    TimeWindow WindowAt(double position) const;
    // The frame nearest to `seconds`, held inside the mix (0 without one).
    std::int64_t FrameAt(double seconds) const;

    // ---- Markers
    const MarkerList& Markers() const { return m_markers; }
    // The selected entry of the marker list (0 is the header entry, the start).
    std::size_t Selected() const { return m_nSelected; }
    void Select(std::size_t entry);
    // Add Marker's limits at the position.
    AddMarkerCheck CheckAddAtPosition() const;
    // Add Marker: a percentage marker at the position; its index, or nothing without a mix.
    // The limits are the caller's to check (CheckAddAtPosition), as the window asks first.
    std::optional<std::size_t> AddAtPosition();
    // A marker exactly at `frame` (keys, clicks, imports, suggestions); nothing when the list
    // is full or there is no mix.
    std::optional<std::size_t> AddAtFrame(std::int64_t frame, std::string title = {},
                                          std::string artist = {});
    // "ANP": marker `index` to the percentage of the position.
    bool ChangeToPosition(std::size_t index);
    // Marker `index` exactly to `frame` (held within the mix).
    bool Move(std::size_t index, std::int64_t frame);
    bool Remove(std::size_t index);
    // The names of marker `index` (the start marker's name the first track).
    bool Rename(std::size_t index, std::string title, std::string artist);
    // The tracks a split of the markers writes.
    std::size_t TrackCount() const;
    // Split: sorts the markers (as Split always did; not an edit) and returns the split of
    // the mix at them as they are now. The job holds the mix and a copy of the markers, so it
    // runs on any thread while the session goes on; it throws what CWaveFile::Split throws.
    struct SplitJob {
        std::shared_ptr<CWaveFile> wave;
        std::vector<Marker> markers;
        std::vector<SplitTrack> operator()(const std::filesystem::path& outDir,
                                           const SplitOptions& options = {}) const;
    };
    SplitJob PrepareSplit();
    // The options of a split of the markers into `format` files named by `nameTemplate`
    // (empty: the classic names), with the tracks' tags (see NameSplit). Throws
    // NameTemplateError for a template that cannot be expanded.
    SplitOptions SplitOptionsFor(std::string_view nameTemplate, TrackFormat format) const;
    // Sorts the markers as Split cuts them; the order is not an edit.
    void SortMarkers();
    // Where selecting marker `index` puts the position, the trackbar and the window.
    std::optional<MarkerView> ViewOf(std::size_t index) const;
    // The time of marker `index` in seconds.
    std::optional<double> SecondsOf(std::size_t index) const;

    // ---- The mix's own names and marker files
    // The mix's title and artist (a cue sheet's, or typed); saved with the project.
    const MixInfo& Names() const { return m_mixInfo; }
    // One undo step; false when they were already so.
    bool SetNames(MixInfo names);
    // What an import did.
    struct ImportOutcome {
        bool timed = false;     // the markers were replaced by the set's times
        std::size_t tracks = 0; // the tracks the markers now make
    };
    // Applies a marker file's contents as one undo step: a set with times replaces the
    // markers (see MarkersFromTimes) and, when it names the mix, the mix's names; a set
    // without times names the existing markers in time order (see NameMarkers). Throws
    // InteropError, changing nothing, for a set that does not fit the mix; nothing without a
    // mix.
    std::optional<ImportOutcome> Import(const MarkerSet& set);
    // The markers as a marker file writes them (time order, exact frames, the mix's names).
    MarkerSet ExportSet() const;
    // Moves every marker but the start by `seconds` (see ShiftMarkers), as one undo step;
    // false when there is no mix or nothing moved. Throws MarkerMoveError, changing nothing,
    // when a marker would leave the mix.
    bool ShiftMarkers(double seconds);
    // Moves every marker but the start to the strongest of `candidates` (the analysis's, see
    // SuggestResult::candidates) within `seconds` of it (see SnapMarkers), as one undo step;
    // where each marker went, in time order.
    std::vector<SnapMove> SnapMarkers(std::span<const Suggestion> candidates, double seconds);

    // ---- Suggested boundaries: shown beside the markers until the user accepts (a marker
    // exactly there) or dismisses each. They are not part of the undo history; loading
    // another mix drops them.
    const std::vector<Suggestion>& Suggestions() const { return m_suggestions; }
    void SetSuggestions(std::vector<Suggestion> suggestions);
    // The suggestion the user is looking at (stepped to, dragged), if any.
    std::optional<std::size_t> CurrentSuggestion() const { return m_currentSuggestion; }
    void SetCurrentSuggestion(std::optional<std::size_t> index);
    // Accepts suggestion `index` as a marker at its frame (one undo step), selected; its
    // index in the marker list, or nothing (no such suggestion, or the list is full).
    std::optional<std::size_t> AcceptSuggestion(std::size_t index);
    bool DismissSuggestion(std::size_t index);
    // Moves suggestion `index` exactly to `frame` (held within the mix).
    bool MoveSuggestion(std::size_t index, std::int64_t frame);
    // Moves suggestion `index` to the next of its alternative places (see NextAlternative) and
    // makes it the current one; false when there is no such suggestion or it has none.
    bool CycleSuggestion(std::size_t index);
    // Every suggestion becomes a marker, as one undo step; how many did (the list may fill).
    // When the markers then make as many tracks as the held names (HoldNames), the names go
    // to them in time order in the same step.
    std::size_t AcceptAllSuggestions();
    // Keeps the names of a tracklist without times that the markers do not match yet (the
    // window then suggests the missing boundaries); loading another mix forgets them.
    void HoldNames(MarkerSet names) { m_heldNames = std::move(names); }
    const std::optional<MarkerSet>& HeldNames() const { return m_heldNames; }

    // ---- The DJ's own files found in the mix (MixSessionMatch.cpp)
    // Makes the match's boundaries the markers, each named from the file whose play it
    // starts (see MatchMarkers), as one undo step, and keeps the match for the views: where
    // each file plays and the stretches no file covers. `unknown` (the suggested boundaries
    // inside those stretches) replaces the suggestions. The tracks the markers now make, or
    // nothing without a mix. Loading another mix forgets the match.
    std::optional<std::size_t> ApplyMatch(MatchResult match, std::vector<Suggestion> unknown = {});
    const std::optional<MatchResult>& Match() const { return m_match; }

    // A drag: the edits between Begin and End are one undo step.
    void BeginGesture();
    void EndGesture();

    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }
    bool Undo();
    bool Redo();

    // ---- The project
    const std::filesystem::path& ProjectPath() const { return m_projectPath; }
    // Markers edited since the last save, open or fresh load.
    bool IsModified() const { return m_history.IsModified(); }
    // "name* - Sundrel": the project's file name, else the mix's, with "*" while modified.
    std::string WindowTitle() const;
    // Writes the project (throws ProjectError); the session then refers to it and is saved.
    void SaveProject(const std::filesystem::path& path);
    // Reads and checks the project and loads its mix (throws ProjectError, changing nothing);
    // then replaces mix (when the project names one) and markers. Ends a running playback
    // before the mix is replaced. Returns whether the project named a mix.
    bool OpenProject(const std::filesystem::path& path);

    // ---- The transport
    bool IsPlaying() const { return m_bPlaying; }
    bool AutoJump() const { return m_bAutoJump; }
    void SetAutoJump(bool on) { m_bAutoJump = on; }
    // What a play reports on the player's thread; the callbacks must only post.
    struct PlayCallbacks {
        PlaybackSession::Label label;
        PlaybackSession::EndHandler ended;
    };
    using MakeCallbacks = std::function<PlayCallbacks(std::uint64_t generation)>;
    // Ends a running player, then plays from the position with the callbacks `make` gives
    // for the new play's generation (results of older generations are stale).
    void Play(const MakeCallbacks& make);
    // The same for the frames first .. end - 1 (held within the mix), frame-exact. The
    // position is left where it is (the caller keeps it; see PlayingRange). The transport
    // plays as with Play, so Stop and Pause end it, and `ended` gets Finished once the
    // range's last frame has played.
    void PlayRange(std::int64_t first, std::int64_t end, const MakeCallbacks& make);
    // Plays from `before` seconds before marker `index` (an entry of the list; 0 is the
    // start) to `after` seconds after it, as PreviewRangeOf gives; the position stays. False,
    // changing nothing, without a mix or such a marker.
    bool PreviewMarker(std::size_t index, double before, double after, const MakeCallbacks& make);
    bool PreviewMarker(std::size_t index, const MakeCallbacks& make) {
        return PreviewMarker(index, kPreviewBeforeSeconds, kPreviewAfterSeconds, make);
    }
    // The frames a preview of marker `index` plays: from its frame less `before` seconds to
    // its frame plus `after` seconds (each rounded to the nearest frame; negative or NaN
    // lengths count as 0), held within the mix. Nothing without a mix or such a marker.
    std::optional<sundrel::PlayRange> PreviewRangeOf(std::size_t index, double before,
                                                     double after) const;
    // While a range plays (PlayRange, PreviewMarker): the frames it plays, held within the
    // mix. Nothing while playing from the position or not playing.
    std::optional<sundrel::PlayRange> PlayingRange() const {
        return m_bPlaying ? m_playingRange : std::nullopt;
    }
    // Ends a running player, making its pending results stale; returns where the sound
    // stopped. Leaves the playing flag to SetStopped.
    std::optional<double> HaltPlayer();
    // Halts the player and marks the transport idle.
    void StopPlayback();
    bool IsCurrentPlay(std::uint64_t generation) const { return generation == m_nGeneration; }
    // A player was started and not halted since (it may have ended by itself), and how it
    // ended once it did.
    bool IsPlayerActive() const { return m_player->IsActive(); }
    std::optional<PlayResult> PlayerResult() const { return m_player->Result(); }
    // Seconds heard so far while playing (the device clock).
    std::optional<double> PlayedPosition() const;

  private:
    void Notify(unsigned what);
    // The position as the percentage rules and the player take it (a float of seconds).
    float FloatPosition() const { return static_cast<float>(m_position); }
    // Records the markers before an edit, applies it, and tells the listeners.
    template <typename Edit> bool EditMarkers(Edit&& edit);
    void ResolveFrames();
    // Puts back a state undo or redo gave; false when there was none.
    bool Restore(std::optional<MarkerHistory::State> state);
    // Forgets the suggestions (they belong to the mix being replaced); the change to tell.
    unsigned DropSuggestions();
    // Halts the player and marks the transport idle; the change to tell, if any.
    unsigned EndPlay();
    // Ends a running player, then plays `range`, or from the position without one.
    void StartPlayer(std::optional<sundrel::PlayRange> range, const MakeCallbacks& make);

    std::vector<SessionListener*> m_listeners;
    std::shared_ptr<CWaveFile> m_wave;
    std::filesystem::path m_wavePath;
    MarkerList m_markers;
    MixInfo m_mixInfo;
    std::size_t m_nSelected = 0;
    MarkerHistory m_history;
    double m_position = 0.0;
    TimeWindow m_view;
    double m_zoomSpan;
    bool m_bDefaultZoom = true;
    std::filesystem::path m_projectPath;
    std::vector<Suggestion> m_suggestions;
    std::optional<std::size_t> m_currentSuggestion;
    std::optional<MarkerSet> m_heldNames; // see HoldNames
    std::optional<MatchResult> m_match;   // see ApplyMatch

    bool m_bPlaying = false;
    bool m_bAutoJump = true;
    std::uint64_t m_nGeneration = 0;
    std::optional<sundrel::PlayRange> m_playingRange; // the range being played, if any
    std::unique_ptr<PlaybackSession> m_player;
};

} // namespace sundrel
