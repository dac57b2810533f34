#pragma once

#include "core/app/ControlStates.h"
#include "core/audio/WaveFile.h"
#include "core/markers/MarkerList.h"
#include "core/play/PlayResult.h"
#include "core/play/PlaybackSession.h"
#include "gui/app/DialogUnits.h"

#include <QDialog>
#include <QPointer>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

class QAction;
class QCloseEvent;
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

namespace sundrel::gui {
class CBitmapButton;
class Prompt;
} // namespace sundrel::gui

// The program's only window: the waveform view, the transport buttons, the position slider,
// the marker controls and the Split button under a File/Tool/Help menu. It owns all program
// state. Handlers are grouped by subsystem in their own files (SundrelDlg*.cpp); a subsystem
// adds its handlers by declaring them here and connecting them in ConnectSignals().
//
// Members keep their established names; they are public so every subsystem's handlers and
// the widget tests can reach them without friends.
class CSundrelDlg : public QDialog {
    Q_OBJECT
  public:
    // `makeDevice` opens the sound output for each Play; empty means the program's own
    // (PortAudio, or the null device when SUNDREL_AUDIO=null).
    explicit CSundrelDlg(sundrel::gui::Prompt& prompt, QWidget* parent = nullptr,
                         sundrel::PlaybackSession::DeviceFactory makeDevice = {});
    ~CSundrelDlg() override;

    // Ending the window (Exit, the close box, Escape) ends a running playback first.
    void done(int result) override;

    // Loading a mix. OnLoadWave asks for the file; LoadWaveFile takes it from the command
    // line or the demo. A file that cannot be used is reported and changes nothing.
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
    // Sets the visible window to from..to, then applies it.
    void ApplyTimeView(float from, float to);
    void ShowPosition();
    void ShowDuration();
    // Presses and releases forwarded by the view, in its client coordinates.
    void OnLButtonDown(QPoint point);
    void OnLButtonUp(QPoint point);
    // The position slider and the view scroll bar, with the notification codes of
    // ControlIds.h (`thumb` is where the scroll-bar thumb was let go).
    void OnSliderScroll(int code);
    void OnViewScroll(int code, int thumb);

    // The markers: Add Marker, selecting an entry of the marker list, and "ANP", which moves
    // the selected marker to the position. AddMarker appends the marker of the position.
    void OnAddMarker();
    void AddMarker();
    void OnSelChangeMarker();
    void OnChangeMarker();

    // The Split button: cuts the mix at the markers into track files in the current folder.
    void OnOK();

    // File > Save As... and File > Open...: the project file with the mix path and markers.
    void OnFileSaveAs();
    void OnFileOpen();

    // Tool > Jump > Jump to time... and Help > About Sundrel.
    void OnJumpToTime();
    void OnAbout();

    // The transport: Play, Stop and Pause, and the 100 ms position tick.
    void OnPlay();
    void OnStop();
    void OnPause();
    void OnPositionTick();
    // Ends a running playback where it is, leaving the transport idle (Play on, Stop and
    // Pause off) and the position alone. Commands that replace the mix (Load, Open) call it
    // before m_pWaveFile changes, since the player reads the current one.
    void StopPlayback();

    // Enables and disables the controls as `action` does (the control-state table).
    void ApplyControlStates(sundrel::app::Action action);

    // The rectangle of the view frame 1015 in client coordinates of the window.
    QRect ViewFrameRect() const;
    // The area below the menu bar that holds the controls.
    QWidget* ClientArea() const { return m_pClient; }
    sundrel::gui::Prompt& GetPrompt() const { return m_prompt; }
    const sundrel::gui::DialogUnits& Units() const { return m_units; }
    QAction* Command(int id) const;
    QWidget* Control(int id) const;

    // Controls, in template order where they have an id.
    QPushButton* m_btnSplit = nullptr;
    QSlider* m_slider = nullptr;
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

    // Menu 129.
    QMenuBar* m_pMenuBar = nullptr;
    QMenu* m_pMenuFile = nullptr;
    QMenu* m_pMenuTool = nullptr;
    QMenu* m_pMenuJump = nullptr;
    QMenu* m_pMenuHelp = nullptr;

    // The transport's position tick (timer 101, 100 ms), running from start-up.
    QTimer* m_pTimer = nullptr;

    // Program state.
    std::shared_ptr<CWaveFile> m_pWaveFile; // shared: a playback may still hold the old one
    float m_fPosition = 0.0f;               // seconds
    CWaveViewCtrl* m_pWaveView = nullptr;   // child of the client area, replaced per window
    sundrel::MarkerList m_markers;          // percentages of the audio data, start first;
                                            // element k belongs to entry k of m_cbMarkers
    bool m_bLoaded = false;
    bool m_bPlaying = false;
    float m_fViewFrom = 0.0f;
    float m_fViewTo = 0.0f;
    std::filesystem::path m_szWavePath;
    bool m_bAutoJump = true;
    // The playback worker: one player at a time, each Play with a fresh output device.
    std::unique_ptr<sundrel::PlaybackSession> m_pPlayThread;

  private:
    void CreateControls();
    void CreateMenu();
    void ConnectSignals();
    void OnInitDialog();
    // Replaces the view by a fresh one over the frame; the old one goes once its events end.
    void NewWaveView();
    // Stops the worker and makes every callback it has posted stale; returns where the
    // sound stopped (empty when no player was active).
    std::optional<double> HaltPlayer();
    // Results the worker posts to this thread, tagged with the Play they belong to.
    void OnPlayLabel(std::uint64_t generation, const QString& text);
    void OnPlayEnded(std::uint64_t generation, const sundrel::PlayResult& result);
    // A fresh view showing m_fViewFrom..m_fViewTo of the mix, when that window lies inside
    // it; otherwise warns and leaves the view blank (false).
    bool ShowViewWindow();
    // Refills the marker list box from m_markers, selecting the header entry.
    void FillMarkerBox();
    // Runs the split on a worker while the window stays painted but takes no input.
    void RunSplit(const std::vector<float>& percents);
    void closeEvent(QCloseEvent* event) override;

    sundrel::gui::Prompt& m_prompt;
    QFont m_font;
    sundrel::gui::DialogUnits m_units;
    QWidget* m_pClient = nullptr;
    // Counts Plays and halts; a worker's posted callback with an older count is ignored.
    std::uint64_t m_nPlayGeneration = 0;
    bool m_bSplitting = false; // a split is running: the window cannot be closed
};
