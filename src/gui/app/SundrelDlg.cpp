#include "gui/app/SundrelDlg.h"

#include "gui/about/ManualWindow.h"
#include "gui/app/BitmapButton.h"
#include "gui/app/ButtonFaces.h"
#include "gui/app/ControlIds.h"
#include "gui/app/Prompt.h"
#include "gui/view/MarkedSlider.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/TrackTable.h"
#include "gui/view/WaveViewCtrl.h"

#include "core/overview/SummaryJob.h"
#include "core/view/PositionKeys.h"
#include "core/view/ScrollMath.h"

#include "sound/MakeWaveOut.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QUrl>
#include <cmath>

// The resources live in the sundrel_gui library; register them before their first use.
static void InitResources() {
    Q_INIT_RESOURCE(sundrel);
}

using namespace sundrel::gui;

namespace {

// The window font: the desktop's sans-serif face at 8 points, which the layout's dialog
// units are measured in.
QFont WindowFont() {
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

QString IdName(const char* prefix, int id) {
    return QString::fromLatin1(prefix) + QString::number(id);
}

// Client area of the window in dialog units.
constexpr int kClientWidth = 469;
constexpr int kClientHeight = 297;

// The keys that nudge the position, finest step first (10 ms, 100 ms, 1 s, 10 s).
struct NudgeKey {
    bool ctrl;
    bool alt;
    bool shift;
    Qt::KeyboardModifiers modifiers;
};
const NudgeKey kNudgeKeys[] = {
    {true, true, false, Qt::ControlModifier | Qt::AltModifier},
    {true, false, false, Qt::ControlModifier},
    {false, false, false, Qt::NoModifier},
    {false, false, true, Qt::ShiftModifier},
};

// "10 ms", "1 s".
QString StepText(double seconds) {
    return seconds < 1.0 ? QStringLiteral("%1 ms").arg(std::lround(seconds * 1000.0))
                         : QStringLiteral("%1 s").arg(seconds);
}

} // namespace

CSundrelDlg::CSundrelDlg(Prompt& prompt, QWidget* parent,
                         sundrel::PlaybackSession::DeviceFactory makeDevice)
    : QDialog(parent), m_prompt(prompt), m_font(WindowFont()), m_units(m_font),
      m_session(makeDevice ? std::move(makeDevice)
                           : sundrel::PlaybackSession::DeviceFactory([this] {
                                 return sundrel::audio::MakeWaveOut(m_prefs.outputDevice);
                             })) {
    InitResources();
    setFont(m_font);
    setWindowTitle(QString::fromStdString(m_session.WindowTitle()));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(SundrelIcon());
    m_pClient = new QWidget(this);
    m_pClient->setObjectName(QStringLiteral("client"));
    CreateMenu();
    CreateControls();
    // The view; its window is made over the frame in OnInitDialog.
    m_pWaveView = new CWaveViewCtrl();
    m_pOverview = new COverviewCtrl(this);
    m_pTrackTable = new CTrackTable(this);
    m_pTrackTable->setObjectName(QStringLiteral("trackTable"));
    CreateStatusLine();
    OnInitDialog();
    ConnectSignals();
    SetUpDesktop();
    SetUpLook();
    m_session.AddListener(this);
}

CSundrelDlg::~CSundrelDlg() {
    // QDialog's destructor hides the window after the members are gone, and the focus moving
    // then may make the table report a choice: nothing may reach this window by then.
    disconnect(m_pTrackTable, nullptr, this, nullptr);
    disconnect(m_cbMarkers, nullptr, this, nullptr);
    // The workers post to or are read by this window: end them while it still exists.
    m_suggestStop.request_stop();
    m_suggest.waitForFinished();
    m_matchStop.request_stop();
    m_matchRun.waitForFinished();
    m_summaryJob.reset();
    m_session.HaltPlayer();
    m_session.RemoveListener(this);
}

void CSundrelDlg::CreateMenu() {
    m_pMenuBar = new QMenuBar(this);
    m_pMenuBar->setObjectName(QStringLiteral("menu129"));
    m_pMenuBar->setNativeMenuBar(false);
    const auto add = [](QMenu* menu, const QString& text, int id) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        action->setObjectName(IdName("cmd", id));
        return action;
    };
    m_pMenuFile = m_pMenuBar->addMenu(QStringLiteral("&File"));
    m_pMenuFile->setObjectName(QStringLiteral("menuFile"));
    add(m_pMenuFile, QStringLiteral("&Open..."), ids::kCmdOpen)->setShortcut(QKeySequence::Open);
    add(m_pMenuFile, QStringLiteral("&Save As..."), ids::kCmdSaveAs);
    // Saves into the project the session has (asks for a file the first time).
    add(m_pMenuFile, QStringLiteral("Sa&ve"), ids::kCmdSave)->setShortcut(QKeySequence::Save);
    m_pMenuFile->addSeparator();
    add(m_pMenuFile, QStringLiteral("Load Wave file..."), ids::kCmdLoadWave)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_pMenuFile->addSeparator();
    add(m_pMenuFile, QStringLiteral("&Exit"), ids::kCmdExit);

    m_pMenuEdit = m_pMenuBar->addMenu(QStringLiteral("&Edit"));
    m_pMenuEdit->setObjectName(QStringLiteral("menuEdit"));
    add(m_pMenuEdit, QStringLiteral("&Undo"), ids::kCmdUndo)->setShortcut(QKeySequence::Undo);
    add(m_pMenuEdit, QStringLiteral("&Redo"), ids::kCmdRedo)
        ->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_pMenuEdit->addSeparator();
    add(m_pMenuEdit, QStringLiteral("Re&move Marker"), ids::kCmdRemoveMarker)
        ->setShortcut(QKeySequence::Delete);
    add(m_pMenuEdit, QStringLiteral("Re&name Marker..."), ids::kCmdRenameMarker)
        ->setShortcut(QKeySequence(Qt::Key_F2));
    m_pMenuEdit->addSeparator();
    add(m_pMenuEdit, QStringLiteral("Add Marker at &Position"), ids::kCmdAddMarkerHere)
        ->setShortcut(QKeySequence(Qt::Key_M));
    add(m_pMenuEdit, QStringLiteral("Pre&vious Marker"), ids::kCmdPreviousMarker)
        ->setShortcuts({QKeySequence(Qt::Key_BracketLeft), QKeySequence(Qt::Key_PageUp)});
    add(m_pMenuEdit, QStringLiteral("Ne&xt Marker"), ids::kCmdNextMarker)
        ->setShortcuts({QKeySequence(Qt::Key_BracketRight), QKeySequence(Qt::Key_PageDown)});

    m_pMenuView = m_pMenuBar->addMenu(QStringLiteral("&View"));
    m_pMenuView->setObjectName(QStringLiteral("menuView"));
    add(m_pMenuView, QStringLiteral("Zoom &In"), ids::kCmdZoomIn)
        ->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal),
                        QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    add(m_pMenuView, QStringLiteral("Zoom &Out"), ids::kCmdZoomOut)
        ->setShortcuts({QKeySequence(Qt::Key_Minus), QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    add(m_pMenuView, QStringLiteral("Zoom to &Fit"), ids::kCmdZoomFit)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    add(m_pMenuView, QStringLiteral("Zoom to &2 s"), ids::kCmdZoomDefault)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));

    // Alt+P stays the Play button's key.
    m_pMenuPlay = m_pMenuBar->addMenu(QStringLiteral("Pla&y"));
    m_pMenuPlay->setObjectName(QStringLiteral("menuPlay"));
    add(m_pMenuPlay, QStringLiteral("Play / &Pause"), ids::kCmdPlayPause)
        ->setShortcut(QKeySequence(Qt::Key_Space));
    add(m_pMenuPlay, QStringLiteral("Play from Position (it &stays)"), ids::kCmdPlayFromPosition)
        ->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Space));
    add(m_pMenuPlay, QStringLiteral("P&review Marker"), ids::kCmdPreview)
        ->setShortcut(QKeySequence(Qt::Key_P));
    add(m_pMenuPlay, QStringLiteral("Preview &Length..."), ids::kCmdPreviewLength);
    m_pMenuPlay->addSeparator();
    add(m_pMenuPlay, QStringLiteral("To the S&tart"), ids::kCmdHome)
        ->setShortcut(QKeySequence(Qt::Key_Home));
    add(m_pMenuPlay, QStringLiteral("To the &End"), ids::kCmdEnd)
        ->setShortcut(QKeySequence(Qt::Key_End));
    QMenu* nudge = m_pMenuPlay->addMenu(QStringLiteral("&Nudge Position"));
    nudge->setObjectName(QStringLiteral("menuNudge"));
    int nudgeId = ids::kCmdNudgeFirst;
    for (const NudgeKey& key : kNudgeKeys) {
        for (const int direction : {-1, 1}) {
            const double step = sundrel::view::NudgeSeconds(key.ctrl, key.alt, key.shift);
            add(nudge,
                QStringLiteral("%1 %2").arg(direction < 0 ? QStringLiteral("Back")
                                                          : QStringLiteral("Forward"),
                                            StepText(step)),
                nudgeId++)
                ->setShortcut(
                    QKeySequence(key.modifiers | (direction < 0 ? Qt::Key_Left : Qt::Key_Right)));
        }
    }

    m_pMenuTool = m_pMenuBar->addMenu(QStringLiteral("&Tool"));
    m_pMenuTool->setObjectName(QStringLiteral("menuTool"));
    // Jump comes first, so Alt+T, Right, Return still opens Jump to time.
    m_pMenuJump = m_pMenuTool->addMenu(QStringLiteral("Jump"));
    m_pMenuJump->setObjectName(QStringLiteral("menuJump"));
    add(m_pMenuJump, QStringLiteral("Jump to time..."), ids::kCmdJumpToTime)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    add(m_pMenuJump, QStringLiteral("Auto Jump"), ids::kCmdAutoJump)->setCheckable(true);
    m_pMenuTool->addSeparator();
    add(m_pMenuTool, QStringLiteral("&Suggest Boundaries..."), ids::kCmdSuggest)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    add(m_pMenuTool, QStringLiteral("&Next Suggestion"), ids::kCmdNextSuggestion)
        ->setShortcut(QKeySequence(Qt::Key_N));
    add(m_pMenuTool, QStringLiteral("&Previous Suggestion"), ids::kCmdPreviousSuggestion)
        ->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_N));
    // Enter and Delete reach these through keyPressEvent and Remove Marker while a suggestion
    // is the current one, so they stay the focused button's and the marker's keys otherwise.
    add(m_pMenuTool, QStringLiteral("&Accept Suggestion (Enter)"), ids::kCmdAcceptSuggestion);
    add(m_pMenuTool, QStringLiteral("&Dismiss Suggestion (Delete)"), ids::kCmdDismissSuggestion);
    add(m_pMenuTool, QStringLiteral("Accept A&ll Suggestions"), ids::kCmdAcceptAllSuggestions);

    m_pMenuHelp = m_pMenuBar->addMenu(QStringLiteral("&Help"));
    m_pMenuHelp->setObjectName(QStringLiteral("menuHelp"));
    add(m_pMenuHelp, QStringLiteral("&Manual"), ids::kCmdManual)
        ->setShortcut(QKeySequence(Qt::Key_F1));
    add(m_pMenuHelp, QStringLiteral("&Keyboard Shortcuts"), ids::kCmdShortcuts);
    m_pMenuHelp->addSeparator();
    add(m_pMenuHelp, QStringLiteral("&About Sundrel"), ids::kCmdAbout);
    CreateMarkerFileMenus();
    CreateShiftMenu();
    CreateMatchMenu();
    CreateAlternativeCommand();
    CreateBoundaryCommands();

    // Keys work whichever control has the focus: every command is a shortcut of the window.
    for (QAction* action : findChildren<QAction*>()) {
        action->setShortcutContext(Qt::WindowShortcut);
    }
    for (QMenu* menu : {m_pMenuFile, m_pMenuEdit, m_pMenuView, m_pMenuPlay, m_pMenuTool,
                        m_pMenuJump, m_pMenuHelp}) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { OnInitMenuPopup(menu); });
    }
}

void CSundrelDlg::CreateControls() {
    QWidget* c = m_pClient;
    const auto place = [this](QWidget* w, int id, int x, int y, int width, int height) {
        w->setObjectName(IdName("ctl", id));
        w->setGeometry(m_units.Rect(x, y, width, height));
    };
    // Template order, which is also the tab order.
    m_btnSplit = new QPushButton(QStringLiteral("&Split"), c);
    place(m_btnSplit, ids::kSplit, 303, 269, 50, 14);
    // Not the default button: Enter runs Split only while the button itself has the focus,
    // never from the slider or the marker list, since a split replaces track files.

    m_slider = new CMarkedSlider(c);
    place(m_slider, ids::kSlider, 33, 244, 257, 12);
    m_slider->setTickPosition(QSlider::NoTicks);

    m_btnPlay = new CBitmapButton(QStringLiteral("&Play"), c);
    place(m_btnPlay, ids::kPlay, 38, 266, 27, 14);

    m_btnAddMarker = new QPushButton(QStringLiteral("&Add Marker"), c);
    place(m_btnAddMarker, ids::kAddMarker, 303, 231, 50, 14);

    // The start of the slider's scale, as a time like the other labels.
    m_stZero = new QLabel(QStringLiteral("0:00:00.000"), c);
    place(m_stZero, ids::kZeroLabel, 33, 256, 50, 10);
    m_stDuration = new QLabel(c);
    place(m_stDuration, ids::kDuration, 251, 256, 45, 12);
    m_stPosition = new QLabel(c);
    place(m_stPosition, ids::kPosition, 204, 268, 54, 13);

    m_btnStop = new CBitmapButton(QStringLiteral("Stop"), c);
    place(m_btnStop, ids::kStop, 66, 267, 27, 14);
    m_btnPause = new CBitmapButton(QStringLiteral("Pause"), c);
    place(m_btnPause, ids::kPause, 94, 266, 27, 14);

    m_stSplitStatus = new QLabel(c);
    place(m_stSplitStatus, ids::kSplitStatus, 418, 280, 44, 10);
    // The desktop font is wider than the one the layout was drawn for: "Finished Split" does
    // not fit the 44 units. The label keeps its right edge and grows to the left, into the
    // free space under the marker list, with its text at the right.
    m_stSplitStatus->setGeometry(m_units.Rect(383, 280, 79, 10));
    m_stSplitStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_cbMarkers = new QComboBox(c);
    place(m_cbMarkers, ids::kMarkers, 383, 231, 69, 40);
    // The closed box is one line high; the 40 units hold the drop-down list as well.
    m_cbMarkers->resize(m_cbMarkers->width(), m_cbMarkers->sizeHint().height());
    m_cbMarkers->addItem(QStringLiteral("List Marker.."));

    m_grpPlay = new QGroupBox(QStringLiteral("Play"), c);
    m_grpPlay->setObjectName(QStringLiteral("grpPlay"));
    m_grpPlay->setGeometry(m_units.Rect(24, 231, 276, 52));
    m_grpPlay->lower(); // a frame only: the controls inside it stay on top and take the clicks

    m_stViewFrame = new QLabel(c);
    place(m_stViewFrame, ids::kViewFrame, 24, 15, 428, 185);

    m_scrollBar = new QScrollBar(Qt::Horizontal, c);
    place(m_scrollBar, ids::kScrollBar, 23, 204, 427, 13);

    m_btnAnp = new QPushButton(QStringLiteral("ANP"), c);
    place(m_btnAnp, ids::kAnp, 303, 249, 50, 14);

    // Beside the marker list: removes the selected marker (Edit > Remove Marker, Delete).
    m_btnRemove = new QPushButton(QStringLiteral("&Remove Marker"), c);
    place(m_btnRemove, ids::kRemoveMarker, 383, 249, 69, 14);

    // A dialog makes its first auto-default button the default one, which Enter presses from
    // any control; none of these is (see keyPressEvent).
    for (QPushButton* button : {m_btnSplit, m_btnAddMarker, m_btnAnp, m_btnRemove}) {
        button->setAutoDefault(false);
    }
}

void CSundrelDlg::OnInitDialog() {
    m_menuHeight = m_pMenuBar->sizeHint().height();
    m_minimumClient = QSize(m_units.X(kClientWidth), m_units.Y(kClientHeight));
    m_baseViewFrame = m_stViewFrame->geometry();
    for (QWidget* child : m_pClient->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        m_baseGeometry.emplace_back(child, child->geometry());
    }
    // The classic layout under the overview strip is the smallest size; the view and the
    // overview take any room beyond it.
    setMinimumSize(m_minimumClient.width(), m_menuHeight + kOverviewHeight + kOverviewGap +
                                                m_minimumClient.height() + kTrackTableHeight +
                                                kStatusHeight + kOverviewGap);
    resize(minimumSize());
    LayoutControls();

    m_cbMarkers->setCurrentIndex(0);
    m_slider->setRange(0, ids::kSliderMax);

    m_btnPlay->LoadBitmaps(PlayFace(), PlayFaceDisabled());
    m_btnPlay->SizeToContent();
    m_btnStop->LoadBitmaps(StopFace(), StopFaceDisabled());
    m_btnStop->SizeToContent();
    m_btnPause->LoadBitmaps(PauseFace(), PauseFaceDisabled());
    m_btnPause->SizeToContent();

    m_pTimer = new QTimer(this);
    m_pTimer->setObjectName(QStringLiteral("timer101"));
    m_pTimer->setInterval(ids::kTickMs);
    m_pTimer->start();

    ConfigureScrollBar();

    m_pSummaryTimer = new QTimer(this);
    m_pSummaryTimer->setInterval(50);
    m_pRestartTimer = new QTimer(this);
    m_pRestartTimer->setSingleShot(true);
    m_pRestartTimer->setInterval(150);

    m_pWaveView->Create(ViewFrameRect(), m_pClient, ids::kWaveView);
    FeedControls(sundrel::app::Event::WindowOpened);
}

void CSundrelDlg::ConnectSignals() {
    // Menu commands of this window.
    connect(Command(ids::kCmdLoadWave), &QAction::triggered, this, [this] { OnLoadWave(); });
    connect(Command(ids::kCmdExit), &QAction::triggered, this, [this] { OnExit(); });
    connect(Command(ids::kCmdManual), &QAction::triggered, this, [this] { OnManual(); });
    connect(Command(ids::kCmdAutoJump), &QAction::triggered, this, [this] { OnAutoJump(); });
    connect(Command(ids::kCmdOpen), &QAction::triggered, this, [this] { OnFileOpen(); });
    connect(Command(ids::kCmdSaveAs), &QAction::triggered, this, [this] { OnFileSaveAs(); });
    connect(Command(ids::kCmdSave), &QAction::triggered, this, [this] { SaveProject(false); });
    connect(Command(ids::kCmdJumpToTime), &QAction::triggered, this, [this] { OnJumpToTime(); });
    connect(Command(ids::kCmdAbout), &QAction::triggered, this, [this] { OnAbout(); });
    connect(Command(ids::kCmdUndo), &QAction::triggered, this, [this] { OnUndo(); });
    connect(Command(ids::kCmdRedo), &QAction::triggered, this, [this] { OnRedo(); });
    connect(Command(ids::kCmdRemoveMarker), &QAction::triggered, this,
            [this] { OnRemoveMarker(); });
    connect(Command(ids::kCmdRenameMarker), &QAction::triggered, this,
            [this] { OnRenameMarker(); });
    connect(Command(ids::kCmdShortcuts), &QAction::triggered, this, [this] { OnShortcuts(); });
    connect(Command(ids::kCmdSuggest), &QAction::triggered, this,
            [this] { OnSuggestBoundaries(); });
    connect(Command(ids::kCmdNextSuggestion), &QAction::triggered, this,
            [this] { OnStepSuggestion(1); });
    connect(Command(ids::kCmdPreviousSuggestion), &QAction::triggered, this,
            [this] { OnStepSuggestion(-1); });
    connect(Command(ids::kCmdAcceptSuggestion), &QAction::triggered, this,
            [this] { OnAcceptSuggestion(); });
    connect(Command(ids::kCmdDismissSuggestion), &QAction::triggered, this,
            [this] { OnDismissSuggestion(); });
    connect(Command(ids::kCmdAcceptAllSuggestions), &QAction::triggered, this,
            [this] { OnAcceptAllSuggestions(); });

    // Zoom, keys and the overview.
    connect(Command(ids::kCmdZoomIn), &QAction::triggered, this, [this] { OnZoom(2.0); });
    connect(Command(ids::kCmdZoomOut), &QAction::triggered, this, [this] { OnZoom(0.5); });
    connect(Command(ids::kCmdZoomFit), &QAction::triggered, this, [this] { OnZoomToFit(); });
    connect(Command(ids::kCmdZoomDefault), &QAction::triggered, this, [this] { OnZoomDefault(); });
    connect(Command(ids::kCmdPlayPause), &QAction::triggered, this, [this] { OnPlayPause(); });
    connect(Command(ids::kCmdPlayFromPosition), &QAction::triggered, this,
            [this] { OnPlayFromPosition(); });
    connect(Command(ids::kCmdPreview), &QAction::triggered, this, [this] { OnPreviewMarker(); });
    connect(Command(ids::kCmdPreviewLength), &QAction::triggered, this,
            [this] { OnPreviewLength(); });
    connect(Command(ids::kCmdPreviousMarker), &QAction::triggered, this,
            [this] { OnStepMarker(-1); });
    connect(Command(ids::kCmdNextMarker), &QAction::triggered, this, [this] { OnStepMarker(1); });
    connect(Command(ids::kCmdAddMarkerHere), &QAction::triggered, this,
            [this] { OnAddMarkerHere(); });
    connect(Command(ids::kCmdHome), &QAction::triggered, this, [this] { OnHome(); });
    connect(Command(ids::kCmdEnd), &QAction::triggered, this, [this] { OnEnd(); });
    int nudgeId = ids::kCmdNudgeFirst;
    for (const NudgeKey& key : kNudgeKeys) {
        const double step = sundrel::view::NudgeSeconds(key.ctrl, key.alt, key.shift);
        for (const int direction : {-1, 1}) {
            connect(Command(nudgeId++), &QAction::triggered, this,
                    [this, step, direction] { OnNudge(direction * step); });
        }
    }
    connect(m_pOverview, &COverviewCtrl::seekRequested, this, &CSundrelDlg::OnOverviewSeek);
    connect(m_pWaveView, &CWaveViewCtrl::pressed, this, &CSundrelDlg::OnLButtonDown);
    connect(m_pWaveView, &CWaveViewCtrl::released, this, &CSundrelDlg::OnLButtonUp);
    connect(m_pWaveView, &CWaveViewCtrl::zoomRequested, this,
            [this](double factor, double anchor) { OnZoom(factor, anchor); });
    connect(m_pWaveView, &CWaveViewCtrl::scrollRequested, this, &CSundrelDlg::OnScrollPages);
    connect(m_pWaveView, &CWaveViewCtrl::markerDragStarted, this,
            &CSundrelDlg::OnMarkerDragStarted);
    connect(m_pWaveView, &CWaveViewCtrl::markerDragged, this, &CSundrelDlg::OnMarkerDragged);
    connect(m_pWaveView, &CWaveViewCtrl::markerDragEnded, this, &CSundrelDlg::OnMarkerDragEnded);
    connect(m_pSummaryTimer, &QTimer::timeout, this, [this] { OnSummaryTick(); });
    connect(m_pRestartTimer, &QTimer::timeout, this, [this] {
        if (m_session.IsPlaying() && !IsPlayingRange()) {
            OnPlay();
        }
    });

    // The transport.
    connect(m_btnPlay, &QAbstractButton::clicked, this, [this] { OnPlay(); });
    connect(m_btnStop, &QAbstractButton::clicked, this, [this] { OnStop(); });
    connect(m_btnPause, &QAbstractButton::clicked, this, [this] { OnPause(); });
    connect(m_pTimer, &QTimer::timeout, this, [this] { OnPositionTick(); });

    // The markers. Only the user's choice in the list box is a selection change; the entries
    // the handlers select themselves are not.
    connect(m_btnAddMarker, &QAbstractButton::clicked, this, [this] { OnAddMarker(); });
    connect(m_btnAnp, &QAbstractButton::clicked, this, [this] { OnChangeMarker(); });
    connect(m_btnRemove, &QAbstractButton::clicked, this, [this] { OnRemoveMarker(); });
    // The list's choice shows its classic two seconds, whatever the zoom was.
    connect(m_cbMarkers, &QComboBox::activated, this, [this] {
        if (m_session.IsLoaded()) {
            m_session.SetDefaultZoom();
        }
        OnSelChangeMarker();
    });
    connect(m_pTrackTable, &CTrackTable::markerChosen, this, &CSundrelDlg::OnTrackChosen);
    connect(m_pTrackTable, &CTrackTable::namesEdited, this, &CSundrelDlg::OnTrackNamesEdited);
    // Split: a click, or Enter while it has the focus (Space is Play / Pause everywhere).
    connect(m_btnSplit, &QAbstractButton::clicked, this, [this] { OnOK(); });

    // The position slider: dragging only moves the position; every other step applies it.
    connect(m_slider, &QSlider::actionTriggered, this, [this](int action) {
        switch (action) {
        case QAbstractSlider::SliderMove:
            OnSliderScroll(m_slider->isSliderDown() ? ids::kTbThumbTrack : ids::kTbThumbPosition);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            OnSliderScroll(ids::kTbLineDown);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            OnSliderScroll(ids::kTbLineUp);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            OnSliderScroll(ids::kTbPageDown);
            break;
        case QAbstractSlider::SliderPageStepSub:
            OnSliderScroll(ids::kTbPageUp);
            break;
        case QAbstractSlider::SliderToMinimum:
            OnSliderScroll(ids::kTbTop);
            break;
        case QAbstractSlider::SliderToMaximum:
            OnSliderScroll(ids::kTbBottom);
            break;
        default:
            break;
        }
    });
    connect(m_slider, &QSlider::sliderReleased, this,
            [this] { OnSliderScroll(ids::kTbThumbPosition); });

    // The view scroll bar: only letting go of the thumb moves the window; the thumb then
    // springs back to its rest in the middle.
    // At other zoom levels it is an ordinary scroll bar over the mix: its value is the
    // window's place.
    connect(m_scrollBar, &QScrollBar::actionTriggered, this, [this](int action) {
        if (!m_session.IsDefaultZoom()) {
            return; // the value change that follows moves the window
        }
        if (action == QAbstractSlider::SliderMove && m_scrollBar->isSliderDown()) {
            return; // thumb tracking
        }
        int code = ids::kSbEndScroll;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            code = ids::kSbLineRight;
            break;
        case QAbstractSlider::SliderSingleStepSub:
            code = ids::kSbLineLeft;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            code = ids::kSbPageRight;
            break;
        case QAbstractSlider::SliderPageStepSub:
            code = ids::kSbPageLeft;
            break;
        default:
            break;
        }
        OnViewScroll(code, m_scrollBar->sliderPosition());
        m_scrollBar->setSliderPosition(ids::kScrollRest);
    });
    connect(m_scrollBar, &QScrollBar::sliderReleased, this, [this] {
        if (!m_session.IsDefaultZoom()) {
            return;
        }
        OnViewScroll(ids::kSbThumbPosition, m_scrollBar->sliderPosition());
        m_scrollBar->setValue(ids::kScrollRest);
    });
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_session.IsDefaultZoom() && m_session.IsLoaded()) {
            m_session.SetView(
                sundrel::view::WindowAtScrollValue(value, m_session.View(), m_session.Duration()));
            ShowViewWindow();
        }
    });
}

QRect CSundrelDlg::ViewFrameRect() const {
    return m_stViewFrame->geometry();
}

QAction* CSundrelDlg::Command(int id) const {
    return findChild<QAction*>(IdName("cmd", id));
}

QWidget* CSundrelDlg::Control(int id) const {
    return m_pClient->findChild<QWidget*>(IdName("ctl", id), Qt::FindDirectChildrenOnly);
}

void CSundrelDlg::FeedControls(sundrel::app::Event event) {
    sundrel::app::SessionFacts facts;
    facts.loaded = m_session.IsLoaded();
    facts.playing = m_session.IsPlaying();
    facts.markers = m_session.Markers().Count();
    facts.selected = m_session.Selected();
    facts.canUndo = m_session.CanUndo();
    facts.canRedo = m_session.CanRedo();
    facts.suggestions = !m_session.Suggestions().empty();
    const std::optional<std::size_t> current = m_session.CurrentSuggestion();
    facts.currentSuggestion = current.has_value();
    facts.alternatives = current && *current < m_session.Suggestions().size() &&
                         !m_session.Suggestions()[*current].alternatives.empty();
    m_controlStates.Feed(event, facts);

    using sundrel::app::Control;
    const std::pair<Control, QWidget*> controls[] = {
        {Control::Split, m_btnSplit},         {Control::Play, m_btnPlay},
        {Control::Stop, m_btnStop},           {Control::Pause, m_btnPause},
        {Control::AddMarker, m_btnAddMarker}, {Control::Anp, m_btnAnp},
        {Control::Markers, m_cbMarkers},      {Control::Slider, m_slider},
        {Control::Remove, m_btnRemove},
    };
    for (const auto& [control, widget] : controls) {
        widget->setEnabled(m_controlStates.Enabled(control));
    }
    using sundrel::app::Command;
    const std::pair<Command, int> commands[] = {
        {Command::Undo, ids::kCmdUndo},
        {Command::Redo, ids::kCmdRedo},
        {Command::RemoveMarker, ids::kCmdRemoveMarker},
        {Command::RenameMarker, ids::kCmdRenameMarker},
        {Command::NextSuggestion, ids::kCmdNextSuggestion},
        {Command::PreviousSuggestion, ids::kCmdPreviousSuggestion},
        {Command::AcceptAllSuggestions, ids::kCmdAcceptAllSuggestions},
        {Command::AcceptSuggestion, ids::kCmdAcceptSuggestion},
        {Command::DismissSuggestion, ids::kCmdDismissSuggestion},
        {Command::OtherPlace, ids::kCmdOtherPlace},
    };
    for (const auto& [command, id] : commands) {
        this->Command(id)->setEnabled(m_controlStates.Enabled(command));
    }
}

void CSundrelDlg::OnInitMenuPopup(QMenu* popup) {
    for (QAction* item : popup->actions()) {
        if (item->isSeparator() || item->menu() != nullptr) {
            continue; // a cascading entry keeps its state
        }
        switch (item->data().toInt()) {
        case ids::kCmdSave:
        case ids::kCmdSaveAs:
        case ids::kCmdJumpToTime:
        case ids::kCmdSuggest:
        case ids::kCmdMatchTracks:
            item->setEnabled(m_session.IsLoaded());
            break;
        case ids::kCmdAutoJump:
            OnUpdateAutoJump(item);
            break;
        default:
            break; // no rule: the item keeps its state
        }
    }
}

void CSundrelDlg::OnUpdateAutoJump(QAction* item) const {
    item->setChecked(m_session.AutoJump());
}

void CSundrelDlg::OnAutoJump() {
    m_session.SetAutoJump(!m_session.AutoJump());
    OnUpdateAutoJump(Command(ids::kCmdAutoJump));
}

void CSundrelDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_session.CurrentSuggestion()) {
            OnAcceptSuggestion(); // the suggestion being looked at becomes a marker
            return;
        }
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button != nullptr) {
            button->click();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void CSundrelDlg::OnExit() {
    // Ends the window the way its OK button would, without the split that button runs.
    done(QDialog::Accepted);
}

void CSundrelDlg::done(int result) {
    if (!MayDiscardChanges()) {
        return; // the window stays, and so do the markers
    }
    StopPlayback();
    SaveDesktopState();
    QDialog::done(result);
}

bool CSundrelDlg::MayDiscardChanges() {
    if (!m_session.IsModified()) {
        return true;
    }
    switch (m_prompt.Choose(
        this, QStringLiteral("Save changes to the markers?"), QStringLiteral("Sundrel"),
        {QStringLiteral("&Save"), QStringLiteral("&Discard"), QStringLiteral("Cancel")})) {
    case 0:
        return SaveProject(false);
    case 1:
        return true;
    default:
        return false;
    }
}

void CSundrelDlg::OnSessionChanged(unsigned what) {
    using namespace sundrel::changed;
    if ((what & kMix) != 0) {
        FinishMarkerDrag();
        m_bPositionChosen = false;
        StartSummary();
    }
    if ((what & kTransport) != 0 && !m_session.IsPlaying()) {
        // However playback ended: no play head, and the overview's line at the position.
        m_pWaveView->SetPlayHead(std::nullopt);
        if (m_session.IsLoaded()) {
            m_pOverview->SetPosition(m_session.Position());
        }
    }
    if ((what & (kMix | kMarkers | kSelection | kSuggestions)) != 0) {
        ShowMarkersInViews();
    }
    if ((what & kMarkers) != 0) {
        FillMarkerBox();
    } else if ((what & kSelection) != 0) {
        m_cbMarkers->setCurrentIndex(static_cast<int>(m_session.Selected()));
    }
    if ((what & (kMarkers | kSuggestions)) != 0 && m_bSuggestionStatus) {
        RefreshSuggestionStatus();
    }
    if ((what & (kMix | kMarkers)) != 0) {
        ShowMatchInOverview();
        m_pTrackTable->ShowTracks(m_session);
    } else if ((what & kSelection) != 0) {
        m_pTrackTable->ShowSelection(m_session.Selected());
    }
    if ((what & (kMarkers | kSelection)) != 0) {
        // Undo and redo can change the selection as an edit does.
        FeedControls(sundrel::app::Event::SelectionChanged);
    }
    setWindowTitle(QString::fromStdString(m_session.WindowTitle()));
    FeedControls(sundrel::app::Event::SessionChanged);
}

void CSundrelDlg::OnManual() {
    sundrel::gui::OpenManual(m_prompt, this);
}
