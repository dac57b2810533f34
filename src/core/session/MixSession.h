#pragma once

#include "core/analysis/SuggestBoundaries.h"
#include "core/analysis/Suggestion.h"
#include "core/audio/WaveFile.h"
#include "core/interop/MarkerImport.h"
#include "core/interop/MarkerSet.h"
#include "core/markers/MarkerList.h"
#include "core/markers/MarkerMoves.h"
#include "core/match/MatchTracks.h"
#include "core/play/PlayRange.h"
#include "core/play/PlaybackSession.h"
#include "core/session/MarkerHistory.h"
#include "core/session/MixDocument.h"
#include "core/session/SessionTransport.h"
#include "core/session/SplitRequest.h"
#include "core/session/ViewState.h"
#include "core/split/SplitTypes.h"
#include "core/view/TimeWindow.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace sundrel {

struct ProjectFile;

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
//
// The state is kept in three parts, each a class of its own: the document (MixDocument: mix,
// markers, names, undo, project, suggestions), the transport (SessionTransport: position,
// playing, player) and the view (ViewState: window, zoom). The session is the facade that
// runs the operations across them and tells the listeners; the parts are private bases, so
// an operation reads their state directly and the public names are the session's own.
class MixSession : private MixDocument, private ViewState, private SessionTransport {
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
    using MixDocument::Duration;
    // Frames of audio in the loaded mix (0 without one).
    using MixDocument::Frames;

    // Makes `wave` the open mix; ends a running playback first. With `keepMarkers` the
    // markers stay (percentage markers move with the new mix's length, as they always did)
    // and count as unsaved work for the new mix; otherwise the list starts fresh. The project
    // path is forgotten either way (the project named the other mix) and so is the undo
    // history (its frames belong to the other mix). Position and window stay for the caller.
    // The session names the mix by its absolute path (the window changes the current folder).
    void Load(std::shared_ptr<CWaveFile> wave, bool keepMarkers);

    // ---- Position and visible window (seconds)
    // Double precision, so a position set on a zoomed view is exact to the frame; the float
    // values of the old rules are held exactly.
    using SessionTransport::Position;
    using SessionTransport::SetPosition;
    using ViewState::SetView;
    using ViewState::View;
    // The zoom: the visible window's width in seconds. At the default width (2 s) windows
    // follow the classic rules (one second either side of the position); loading a mix
    // returns to it.
    using ViewState::IsDefaultZoom;
    using ViewState::ZoomSpan;
    // Zooms to a window `seconds` wide (not the default zoom, even when 2 s wide).
    using ViewState::SetZoomSpan;
    // Back to the default zoom.
    using ViewState::SetDefaultZoom;
    // The window that shows `position` at the current zoom: at the default zoom the classic
    // one second either side, else the zoom's width centred on it; either held inside the
    // mix near its ends.
    TimeWindow WindowAt(double position) const;
    // The frame nearest to `seconds`, held inside the mix (0 without one).
    std::int64_t FrameAt(double seconds) const;

    // ---- Markers
    const MarkerList& Markers() const { return m_markers; }
    // The selected entry of the marker list (0 is the header entry, the start).
    std::size_t Selected() const { return m_selected; }
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
    // the mix at them as they are now (see SplitJob).
    using SplitJob = sundrel::SplitJob;
    SplitJob PrepareSplit();
    // The same, with everything a front end presents before and after it runs: the options
    // for `settings` (names, tags, format, sync, the folder's lock), the tracks shorter than
    // a second and the files it would replace. Throws NameTemplateError for a template that
    // cannot be expanded; nothing is written.
    SplitRequest PrepareSplit(const SplitSettings& settings);
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
        bool timed = false;       // the markers were replaced by the set's times
        std::size_t tracks = 0;   // the tracks the markers now make
        bool leadInTrack = false; // the first track is the audio before the set's first
    };
    // Applies a marker file's contents as one undo step: a set with times replaces the
    // markers (see MarkersFromTimes) and, when it names the mix, the mix's names; a set
    // without times names the existing markers in time order (see NameMarkers). Throws
    // InteropError, changing nothing, for a set that does not fit the mix; nothing without a
    // mix.
    std::optional<ImportOutcome> Import(const MarkerSet& set);
    // The same, the audio before the set's first track joined to it or made a track of its
    // own (`leadIn`).
    std::optional<ImportOutcome> Import(const MarkerSet& set, LeadIn leadIn);
    // A project's markers, the mix's names and the project's match (or none) for the open mix
    // (the project's own or another the user named), as one step that leaves the session saved
    // as that project. Throws
    // ProjectError (Malformed), changing nothing, when a marker lies past the mix's end.
    void ApplyProject(const ProjectFile& project, const std::filesystem::path& path);
    // A marker at the exact frame of `seconds`, within Add Marker's limits: what they say
    // (Ok when it was added); nothing without a mix.
    std::optional<AddMarkerCheck> AddAtTime(double seconds);
    // A percentage marker (as Add Marker makes them) at `percent` of the audio: Ok, or
    // ListFull when the list is; nothing without a mix.
    std::optional<AddMarkerCheck> AddAtPercent(float percent);
    // Finding where the DJ's files play in the open mix (see MatchTracks) as a job that
    // holds the mix's path, not the session, so it runs on any thread; ImportMatch takes what
    // it finds.
    struct MatchJob {
        std::filesystem::path mix;
        std::vector<std::filesystem::path> files;
        MatchOptions options;
        MatchResult operator()(const MatchProgress& progress = {}, std::stop_token stop = {}) const;
    };
    MatchJob PrepareMatch(std::vector<std::filesystem::path> files,
                          const MatchOptions& options) const {
        return {m_wavePath, std::move(files), options};
    }
    // ApplyMatch for the command line: true when the match's markers are the session's;
    // false, changing nothing, without a mix or when no file plays.
    bool ImportMatch(const MatchResult& result);
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
    // Finding the open mix's track boundaries (see SuggestBoundaries) as a job that holds
    // the mix's path, not the session, so it runs on any thread; what it finds comes back
    // through SetSuggestions, or SnapMarkers for its candidates.
    struct SuggestJob {
        std::filesystem::path mix;
        SuggestOptions options;
        SuggestResult operator()(const AnalysisProgress& progress = {},
                                 std::stop_token stop = {}) const;
    };
    SuggestJob PrepareSuggest(const SuggestOptions& options) const { return {m_wavePath, options}; }
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
    // Writes the project (throws ProjectError) with the match, when there is one, so that
    // reopening it shows where each file plays; the session then refers to it and is saved.
    void SaveProject(const std::filesystem::path& path);
    // Reads and checks the project and loads its mix (throws ProjectError, changing nothing);
    // then replaces mix (when the project names one) and markers. Ends a running playback
    // before the mix is replaced. Returns whether the project named a mix.
    bool OpenProject(const std::filesystem::path& path);
    // What reading the last project opened or applied passed over (sections of a later
    // version), one sentence each; saving it again leaves those out.
    const std::vector<std::string>& ProjectNotes() const { return m_projectNotes; }

    // ---- The transport
    using SessionTransport::AutoJump;
    using SessionTransport::IsPlaying;
    using SessionTransport::SetAutoJump;
    // What a play reports on the player's thread; the callbacks must only post.
    using PlayCallbacks = SessionTransport::PlayCallbacks;
    using MakeCallbacks = SessionTransport::MakeCallbacks;
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
    using SessionTransport::PlayingRange;
    // Ends a running player, making its pending results stale; returns where the sound
    // stopped. Leaves the playing flag to SetStopped.
    std::optional<double> HaltPlayer();
    // Halts the player and marks the transport idle.
    void StopPlayback();
    using SessionTransport::IsCurrentPlay;
    // A player was started and not halted since (it may have ended by itself), and how it
    // ended once it did.
    using SessionTransport::IsPlayerActive;
    using SessionTransport::PlayerResult;
    // Seconds heard so far while playing (the device clock).
    using SessionTransport::PlayedPosition;

  private:
    void Notify(unsigned what);
    // Records the markers before an edit, applies it, and tells the listeners.
    template <typename Edit> bool EditMarkers(Edit&& edit);
    // Makes the project's markers and names the session's, saved as `path`; the change to tell.
    unsigned TakeProject(const ProjectFile& project, const std::filesystem::path& path);
    // Puts back a state undo or redo gave; false when there was none.
    bool Restore(std::optional<MarkerHistory::State> state);
    // Forgets the suggestions (they belong to the mix being replaced); the change to tell.
    unsigned DropSuggestions();
    // Halts the player and marks the transport idle; the change to tell, if any.
    unsigned EndPlay();
    // Ends a running player, then plays `range`, or from the position without one.
    void StartPlayer(std::optional<sundrel::PlayRange> range, const MakeCallbacks& make);

    std::vector<SessionListener*> m_listeners;
};

// Defined here for the files that hold the session's operations.
template <typename Edit> bool MixSession::EditMarkers(Edit&& edit) {
    MarkerHistory::State before = Snapshot();
    if (!edit()) {
        return false;
    }
    ResolveFrames();
    if (m_markers == before.markers && m_mixInfo == before.mix) {
        m_selected = before.selected;
        return false; // nothing changed: no step
    }
    if (m_selected >= m_markers.Count()) {
        m_selected = m_markers.Count() - 1;
    }
    const bool selectionMoved = m_selected != before.selected;
    m_history.Record(std::move(before));
    Notify(changed::kMarkers | changed::kDocument | (selectionMoved ? changed::kSelection : 0u));
    return true;
}

} // namespace sundrel
