#pragma once

#include "core/app/ControlStates.h"
#include "core/audio/WaveFile.h"
#include "gui/app/DialogUnits.h"

#include <QDialog>
#include <QPointer>
#include <filesystem>
#include <list>
#include <memory>

class QAction;
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
    explicit CSundrelDlg(sundrel::gui::Prompt& prompt, QWidget* parent = nullptr);
    ~CSundrelDlg() override;

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
    void ShowPosition();
    void ShowDuration();
    // Presses and releases forwarded by the view, in its client coordinates.
    void OnLButtonDown(QPoint point);
    void OnLButtonUp(QPoint point);
    // The position slider and the view scroll bar, with the notification codes of
    // ControlIds.h (`thumb` is where the scroll-bar thumb was let go).
    void OnSliderScroll(int code);
    void OnViewScroll(int code, int thumb);

    // Tool > Jump > Jump to time... and Help > About Sundrel.
    void OnJumpToTime();
    void OnAbout();

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
    std::list<float> m_markers{0.0f};       // percentages of the audio data, start first
    bool m_bLoaded = false;
    bool m_bPlaying = false;
    float m_fViewFrom = 0.0f;
    float m_fViewTo = 0.0f;
    std::filesystem::path m_szWavePath;
    bool m_bAutoJump = true;

  private:
    void CreateControls();
    void CreateMenu();
    void ConnectSignals();
    void OnInitDialog();
    // Replaces the view by a fresh one over the frame; the old one goes once its events end.
    void NewWaveView();

    sundrel::gui::Prompt& m_prompt;
    QFont m_font;
    sundrel::gui::DialogUnits m_units;
    QWidget* m_pClient = nullptr;
};
