#pragma once

#include "core/app/ControlStates.h"
#include "core/app/FileKind.h"
#include "core/app/Preferences.h"
#include "core/app/RecentFiles.h"
#include "core/audio/WaveFile.h"
#include "core/interop/MarkerFiles.h"
#include "core/play/PlayResult.h"
#include "core/session/MixSession.h"
#include "core/split/SplitTypes.h"
#include "gui/app/DialogUnits.h"

#include <QDialog>
#include <QFuture>
#include <QFutureWatcher>
#include <QPointer>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

class QAction;
class QProgressDialog;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QKeyEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QScrollBar;
class QSlider;
class QTimer;
class CWaveViewCtrl;
class COverviewCtrl;
class CMarkedSlider;
class CTrackTable;

namespace sundrel::overview {
class SummaryJob;
}

namespace sundrel::gui {
class CBitmapButton;
class Prompt;
} // namespace sundrel::gui

// The program's only window: the waveform view, the transport buttons, the position slider,
// the marker controls and the Split button under a File/Edit/Tool/Help menu. The open mix and
// everything done with it live in a sundrel::MixSession; each handler reads its controls,
// calls session operations and shows the result. Handlers are grouped by subsystem in their
// own files (SundrelDlg*.cpp) and connected in ConnectSignals().
class CSundrelDlg : public QDialog, private sundrel::SessionListener {
    Q_OBJECT
  public:
    // `makeDevice` opens the sound output for each Play; empty means the program's own
    // (PortAudio's output chosen in Preferences, or the null device when SUNDREL_AUDIO=null).
    explicit CSundrelDlg(sundrel::gui::Prompt& prompt, QWidget* parent = nullptr,
                         sundrel::PlaybackSession::DeviceFactory makeDevice = {});
    ~CSundrelDlg() override;

    // Ending the window (Exit, the close box, Escape): asks to save markers with unsaved
    // changes (Save / Discard / Cancel), then ends a running playback and closes.
    void done(int result) override;

    // Loading a mix. OnLoadWave asks for the file; LoadWaveFile takes it from the command
    // line or the demo. A file that cannot be used is reported and changes nothing. With
    // markers in the list the user chooses to keep them for the new mix or start fresh.
    void OnLoadWave();
    bool LoadWaveFile(const std::filesystem::path& path);

    // Menu commands of the window itself.
    void OnExit();
    void OnManual();
    void OnAutoJump();
    void OnUpdateAutoJump(QAction* item) const;
    // Runs the update rules of every item of a drop-down about to open.
    void OnInitMenuPopup(QMenu* popup);

    // The visible time window and the position.
    void ApplyTimeView();
    // Sets the visible window, then applies it.
    void ApplyTimeView(sundrel::TimeWindow window);
    void ShowPosition();
    void ShowDuration();
    // Presses and releases forwarded by the view, in its client coordinates.
    void OnLButtonDown(QPoint point);
    void OnLButtonUp(QPoint point);
    // The position slider and the view scroll bar, with the notification codes of
    // ControlIds.h (`thumb` is where the scroll-bar thumb was let go).
    void OnSliderScroll(int code);
    void OnViewScroll(int code, int thumb);

    // The markers: Add Marker, selecting an entry of the marker list, "ANP", which moves
    // the selected marker to the position, and Edit's Remove and Rename of the selected one.
    void OnAddMarker();
    void AddMarker();
    void OnSelChangeMarker();
    void OnChangeMarker();
    void OnRemoveMarker();
    void OnRenameMarker();
    // Edit > Undo and Redo of marker edits.
    void OnUndo();
    void OnRedo();
    // The track table: a row chosen selects its marker as choosing it in the marker list
    // does; an edited artist or title renames the marker (one undo step, none when nothing
    // changed).
    void OnTrackChosen(std::size_t index);
    void OnTrackNamesEdited(std::size_t index, const QString& title, const QString& artist);

    // The Split button: cuts the mix at the markers into track files as the user chooses
    // (folder: the mix's unless another is chosen; names; format), the last choice offered
    // again.
    void OnOK();
    // The format, names and tags of the last split started from the window.
    const std::optional<sundrel::SplitOptions>& LastSplitOptions() const {
        return m_lastSplitOptions;
    }

    // File > Save As... and File > Open...: the project file with the mix path and markers.
    // SaveProject asks for a file when the session has none yet (or `ask` is set); false
    // when nothing was written.
    void OnFileSaveAs();
    void OnFileOpen();
    bool SaveProject(bool ask);

    // Tool > Jump > Jump to time... and Help > About Sundrel.
    void OnJumpToTime();
    void OnAbout();
    // Help > Keyboard Shortcuts: every command that has a key, with its keys.
    void OnShortcuts();

    // Marker files (SundrelDlgImport.cpp). File > Import Markers reads a cue sheet, a label
    // file or a tracklist the user chooses and applies it as one undo step, asking first
    // when it would replace markers or names another mix; a cue sheet chosen without a mix
    // opens as OpenCueSheet does. Paste Tracklist reads the clipboard's text as the kind of
    // marker file its shape shows (GuessMarkerTextKind). File > Export Markers writes the
    // markers as `kind`, offering a name beside the mix. Edit > Mix Title and Artist sets the
    // mix's own names (album tag, a cue sheet's TITLE and PERFORMER).
    void OnImportMarkers(sundrel::MarkerFileKind kind);
    void OnPasteTracklist();
    void OnExportMarkers(sundrel::MarkerFileKind kind);
    void OnMixNames();
    // Loads the mix a cue sheet's FILE line names (relative to the sheet's folder) and
    // imports the sheet's markers; a sheet that cannot be read, names no file or a file that
    // cannot be loaded is reported and nothing changes. False when nothing was imported.
    bool OpenCueSheet(const std::filesystem::path& path);

    // The View menu and the wheel: zoom by `factor` (> 1 in) around `anchor` (without one,
    // around the position when it is in view, else the window's middle), the whole mix, the
    // default 2-second window, and scrolling by a share of the window.
    void OnZoom(double factor, std::optional<double> anchor = std::nullopt);
    void OnZoomToFit();
    void OnZoomDefault();
    void OnScrollPages(double pages);
    // A press or drag on the overview: the position (and the window with it) goes there.
    void OnOverviewSeek(double seconds);

    // Keys and commands that move the position: by `seconds`, to the start, to the end.
    void OnNudge(double seconds);
    void OnHome();
    void OnEnd();
    // M: a marker exactly at the position, selected, without questions (undo removes it).
    void OnAddMarkerHere();
    // Previous/next marker in time from the position: selects it and previews it.
    void OnStepMarker(int direction);
    // P: plays from a few seconds before to a few after the selected marker; the position
    // stays. Play > Preview Length sets the seconds.
    void OnPreviewMarker();
    void OnPreviewLength();
    // Plays from the position to the end without moving the position.
    void OnPlayFromPosition();
    // Space: Pause while playing, Play otherwise.
    void OnPlayPause();
    // A marker dragged in the view: one undo step from start to end. A suggested boundary
    // dragged moves before it is accepted.
    void OnMarkerDragStarted(std::size_t index, bool suggestion);
    void OnMarkerDragged(std::size_t index, bool suggestion, double seconds);
    void OnMarkerDragEnded(std::size_t index, bool suggestion);

    // Tool > Suggest Boundaries: asks for the track count (empty: found from the mix), then
    // analyses the mix on a worker with a progress bar and Cancel; the suggestions show as
    // dashed markers. N / Shift+N step to the next / previous one and preview around it,
    // Enter accepts it as a marker, Delete dismisses it; Accept All makes them all markers
    // (one undo step).
    void OnSuggestBoundaries();
    void OnStepSuggestion(int direction);
    void OnAcceptSuggestion();
    void OnDismissSuggestion();
    void OnAcceptAllSuggestions();
    // Tool > Other Place for Suggestion (O): the current suggestion moves to its next
    // alternative place and is previewed there (SundrelDlgAlternatives.cpp); enabled while the
    // current suggestion has one.
    void CreateAlternativeCommand();
    void OnOtherPlace();
    // The analysis is running.
    bool IsSuggesting() const;
    // File > Match Tracks from Folder or Playlist... (SundrelDlgMatch.cpp): asks for a folder
    // or an .m3u/.m3u8 playlist of the DJ's track files, finds where each plays in the mix on
    // a worker with a progress bar and Cancel, and makes the boundaries named markers in one
    // undo step; the plays show as bars in the overview, the stretches no file covers stand
    // out there and get suggested boundaries, and the track table names each track's file.
    void OnMatchTracks();
    // Matches the files of `source` (a folder, a playlist or one file) without asking.
    void StartMatch(const std::filesystem::path& source);
    bool IsMatching() const;
    // Ends a marker drag in progress (one undo step) before anything else edits the markers
    // or replaces the mix, and makes the view forget it.
    void FinishMarkerDrag();

    // The transport: Play, Stop and Pause, and the 100 ms position tick.
    void OnPlay();
    void OnStop();
    void OnPause();
    void OnPositionTick();
    // Ends a running playback where it is, leaving the transport idle (Play on, Stop and
    // Pause off) and the position alone.
    void StopPlayback();

    // The desktop side (SundrelDlgDesktop.cpp). OpenPath opens a file given from outside
    // (the command line, a drop, File > Open Recent) as what its content says it is
    // (app::KindOfFile): a mix as Load Wave file loads one, a project as File > Open opens
    // one, with their questions; false when nothing was opened.
    bool OpenPath(const std::filesystem::path& path);
    // File > Open after the file was chosen (asks about unsaved changes first).
    bool OpenProjectFile(const std::filesystem::path& path);
    // Edit > Preferences.
    void OnPreferences();
    // File > Open Recent: the remembered files, newest first; missing ones disabled.
    void FillRecentMenu();
    void OnClearRecent();
    const sundrel::app::RecentFiles& Recent() const { return m_recent; }
    const sundrel::app::Preferences& Prefs() const { return m_prefs; }

    // Tells the control-state machine what happened and enables and disables the controls and
    // menu commands as it says: the one place that sets their enabled state.
    void FeedControls(sundrel::app::Event event);

    // The model of the open mix that every handler works on.
    sundrel::MixSession& Session() { return m_session; }
    const sundrel::MixSession& Session() const { return m_session; }

    // The rectangle of the view frame 1015 in client coordinates of the window.
    QRect ViewFrameRect() const;
    // The area below the menu bar and the overview that holds the controls.
    QWidget* ClientArea() const { return m_pClient; }
    // The waveform view and the overview strip above it.
    CWaveViewCtrl* WaveView() const { return m_pWaveView; }
    COverviewCtrl* Overview() const { return m_pOverview; }
    // The table of tracks under the controls.
    CTrackTable* TrackTable() const { return m_pTrackTable; }
    // The overview's summary of the loaded mix is being computed.
    bool IsSummarising() const;
    // The play of a range (a preview, or play from the position) is running: the position
    // stays where it was while it plays.
    bool IsPlayingRange() const { return m_session.PlayingRange().has_value(); }
    sundrel::gui::Prompt& GetPrompt() const { return m_prompt; }
    const sundrel::gui::DialogUnits& Units() const { return m_units; }
    QAction* Command(int id) const;
    QWidget* Control(int id) const;

  private:
    void CreateControls();
    void CreateMenu();
    // The marker-file commands in the File and Edit menus, connected.
    void CreateMarkerFileMenus();
    // Edit > Shift Markers... and Snap Markers to Transitions... (SundrelDlgShift.cpp).
    void CreateShiftMenu();
    void OnShiftMarkers();
    void OnSnapMarkers();
    // Moves the markers to `candidates` within m_snapWithin seconds and says where each went.
    void FinishSnap(const std::vector<sundrel::Suggestion>& candidates);
    // Applies a marker set read from `source` (a file name, or the pasted text, as shown in
    // messages), with the questions an import asks; `checkFile` asks about a FILE line naming
    // another mix. False when nothing changed.
    bool ImportMarkerSet(const sundrel::MarkerSet& set, const QString& source, bool checkFile);
    void ConnectSignals();
    void OnInitDialog();
    void OnSessionChanged(unsigned what) override;
    // The play callbacks for a play of generation `generation`: they only post to this
    // window.
    sundrel::MixSession::PlayCallbacks PlayCallbacksFor(std::uint64_t generation);
    // Sets the position to `seconds` (held inside the mix) as a key or the overview does:
    // label, slider and cursor line follow, and the window moves only when the position
    // leaves it (at the default zoom: one second either side, as a click does).
    void MovePosition(double seconds);
    // The markers drawn in the view and the overview, from the session.
    void ShowMarkersInViews();
    // Starts summarising the session's mix for the overview (ending a summary still running).
    void StartSummary();
    void OnSummaryTick();
    // While playing (not a range): plays on from the new position once moves pause.
    void RestartPlayback();
    // What the analysis of the suggestions gave, on the UI thread.
    struct SuggestOutcome {
        std::vector<sundrel::Suggestion> suggestions;
        std::vector<sundrel::Suggestion> candidates; // what a snap chooses among
        std::optional<std::string> error;
        bool cancelled = false;
    };
    void OnSuggestFinished();
    // What a match gave, on the UI thread.
    struct MatchOutcome {
        std::optional<sundrel::MatchResult> result;
        std::vector<sundrel::Suggestion> unknown; // suggested inside the unknown stretches
        std::vector<std::string> missing;         // playlist entries left out
        std::size_t candidates = 0;
        std::optional<std::string> error;
        bool cancelled = false;
    };
    void CreateMatchMenu();
    void OnMatchFinished();
    // The session's match as bars in the overview (none without one).
    void ShowMatchInOverview();
    // Starts the analysis of suggested boundaries with `options`, with its progress bar.
    void StartSuggest(const sundrel::SuggestOptions& options);
    // Markers added without Add Marker's questions (keys, suggestions): the list-full
    // message when not all fitted, and the controls a new marker enables.
    void ReportListFull();
    void ShowMarkersAdded();
    // Plays around frame `frame` with the preview lengths; the position stays.
    void PreviewAround(std::int64_t frame);
    // The scroll bar's range and steps for the zoom: the classic 0..20 with its thumb at
    // rest at the default zoom, the window's place in the mix otherwise.
    void ConfigureScrollBar();
    // Moves the controls for the window's size: the view and the overview take the extra
    // room, the controls below them keep to the bottom and the right.
    void LayoutControls();
    void resizeEvent(QResizeEvent* event) override;
    // Ends a preview or a play from the position, leaving the position where it was; false
    // when none was running.
    bool EndRangePlay();
    // While playing: the play head in both views, and the window paging after it.
    void FollowPlayback();
    // Results the worker posts to this thread, tagged with the Play they belong to.
    void OnPlayLabel(std::uint64_t generation, const QString& text);
    void OnPlayEnded(std::uint64_t generation, const sundrel::PlayResult& result);
    // A fresh view showing the session's window of the mix, when that window lies inside
    // it; otherwise warns and leaves the view blank (false).
    bool ShowViewWindow();
    // Refills the marker list box from the session, selecting the session's entry.
    void FillMarkerBox();
    // Asks what to do with unsaved marker changes; true when the window may go on (saved or
    // discarded, or nothing to save), false when the user cancelled.
    bool MayDiscardChanges();
    // Runs the split on a worker while the window stays painted but takes no input, with a
    // progress dialog whose Cancel stops it; nullopt when cancelled (no track written).
    std::optional<std::vector<sundrel::SplitTrack>> RunSplit(sundrel::SplitRequest request);
    void closeEvent(QCloseEvent* event) override;
    // A drop of one mix or project file opens it; anything else is not accepted (the
    // cursor shows it cannot be dropped).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Menus, drops and what was remembered from the last run, at construction.
    void SetUpDesktop();
    // The window's size and place and the zoom, as the window closes.
    void SaveDesktopState();
    // The preferences in force (the preview lengths are the window's own), kept for the
    // next run.
    void SavePreferences();
    // A file was loaded, opened or saved: it heads Open Recent, and its folder is the one
    // the file dialogs of its kind open next.
    void RememberFile(const std::filesystem::path& path, sundrel::app::FileKind kind);
    // A mix was just loaded: with a zoom remembered from the last run (other than the
    // default), the view shows that width from the start instead of the opening two seconds.
    void ApplyZoomToNewMix();
    // The folder the file dialogs for `kind` open in.
    QString StartFolder(sundrel::app::FileKind kind) const;
    // Enter presses the push button that has the focus and nothing else: the dialog has no
    // default button, so Enter in the slider or the marker list never runs Split.
    void keyPressEvent(QKeyEvent* event) override;

    // The overview strip above the controls at the smallest window size, and the gap around
    // it, in pixels.
    static constexpr int kOverviewHeight = 64;
    static constexpr int kOverviewGap = 4;
    // The track table under the controls at the smallest window size (a header and a few
    // rows), in pixels.
    static constexpr int kTrackTableHeight = 120;
    // The status line under the track table, in pixels.
    static constexpr int kStatusHeight = 24;

    // The status line: what the last action did, in full in the tooltip (with `more`).
    void ShowStatusLine(const QString& text, const QString& more = QString());
    // The status about suggestions says how many are left to look at.
    void RefreshSuggestionStatus();
    // "Added Marker 3 at 0:14:04.000": `pattern` with %1 the marker's entry and %2 its time.
    void ShowMarkerStatus(const QString& pattern, std::size_t index);
    void CreateStatusLine();
    // View > Zoom to 1 Minute and Edit > Move Marker, with their keys.
    void CreateBoundaryCommands();
    // View > Colours by Frequency and View > Dark, set as last remembered and applied to the
    // views and the window's colours; each change is remembered at once.
    void SetUpLook();
    void ApplyLook();
    bool m_bColoursByFrequency = true;
    bool m_bDarkTheme = false;
    // The view shows about a minute centred on `seconds`: enough to judge a boundary.
    void ShowMinuteAround(double seconds);
    // Moves the selected marker by `ms` milliseconds; a run of presses is one undo step.
    void OnMoveMarkerBy(int ms);
    // Opens the last split's folder in the desktop's file manager.
    void OnOpenFolder();

    // Controls, in template order where they have an id.
    QPushButton* m_btnSplit = nullptr;
    CMarkedSlider* m_slider = nullptr;
    sundrel::gui::CBitmapButton* m_btnPlay = nullptr;
    QPushButton* m_btnAddMarker = nullptr;
    QLabel* m_stZero = nullptr;
    QLabel* m_stDuration = nullptr;
    QLabel* m_stPosition = nullptr;
    sundrel::gui::CBitmapButton* m_btnStop = nullptr;
    sundrel::gui::CBitmapButton* m_btnPause = nullptr;
    QLabel* m_stSplitStatus = nullptr;
    QComboBox* m_cbMarkers = nullptr;
    QGroupBox* m_grpPlay = nullptr;
    QLabel* m_stViewFrame = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QPushButton* m_btnAnp = nullptr;
    QPushButton* m_btnRemove = nullptr;
    // Ours, under the track table: the status line and, after a split, its folder.
    QLabel* m_stStatus = nullptr;
    QPushButton* m_btnOpenFolder = nullptr;
    std::filesystem::path m_lastSplitFolder;
    bool m_bSuggestionStatus = false; // the status line speaks of the suggestions

    // Menu 129.
    QMenuBar* m_pMenuBar = nullptr;
    QMenu* m_pMenuFile = nullptr;
    QMenu* m_pMenuEdit = nullptr;
    QMenu* m_pMenuTool = nullptr;
    QMenu* m_pMenuJump = nullptr;
    QMenu* m_pMenuHelp = nullptr;
    QMenu* m_pMenuView = nullptr;
    QMenu* m_pMenuPlay = nullptr;

    // The transport's position tick (timer 101, 100 ms), running from start-up.
    QTimer* m_pTimer = nullptr;
    CWaveViewCtrl* m_pWaveView = nullptr; // child of the client area
    COverviewCtrl* m_pOverview = nullptr;
    CTrackTable* m_pTrackTable = nullptr;
    std::unique_ptr<sundrel::overview::SummaryJob> m_summaryJob;
    // The analysis of suggested boundaries, while it runs.
    QFuture<SuggestOutcome> m_suggest;
    QFutureWatcher<SuggestOutcome>* m_pSuggestWatcher = nullptr;
    std::stop_source m_suggestStop;
    std::optional<double> m_snapWithin; // the running analysis is for a snap within this
    QPointer<QProgressDialog> m_pSuggestProgress;
    // The match of the DJ's files, while it runs.
    QFuture<MatchOutcome> m_matchRun;
    QFutureWatcher<MatchOutcome>* m_pMatchWatcher = nullptr;
    std::stop_source m_matchStop;
    QPointer<QProgressDialog> m_pMatchProgress;
    QTimer* m_pSummaryTimer = nullptr; // refreshes the pictures while the summary fills
    QTimer* m_pRestartTimer = nullptr; // restarts playback after moves of the position
    QTimer* m_pMoveRunTimer = nullptr; // ends a run of Move Marker presses (one undo step)
    double m_judgeSpan = -1.0;         // the span ShowMinuteAround last set
    // The controls' places at the smallest window size, which LayoutControls moves.
    std::vector<std::pair<QWidget*, QRect>> m_baseGeometry;
    QRect m_baseViewFrame;
    QSize m_minimumClient;
    int m_menuHeight = 0;
    bool m_bPositionChosen = false; // a position was chosen since loading: show its line
    bool m_bDragMoved = false;
    double m_previewBefore = sundrel::kPreviewBeforeSeconds;
    double m_previewAfter = sundrel::kPreviewAfterSeconds;

    // Preferences, Open Recent (declared before the session: its device factory reads the
    // chosen output device).
    sundrel::app::Preferences m_prefs;
    sundrel::app::RecentFiles m_recent;
    QMenu* m_pMenuRecent = nullptr;
    double m_openingZoom = 0.0; // the zoom span mixes open at; 0: the default zoom

    sundrel::gui::Prompt& m_prompt;
    QFont m_font;
    sundrel::gui::DialogUnits m_units;
    QWidget* m_pClient = nullptr;
    sundrel::app::ControlStates m_controlStates;
    sundrel::MixSession m_session;
    bool m_bSplitting = false; // a split is running: the window cannot be closed
    std::optional<sundrel::SplitOptions> m_lastSplitOptions;
};
