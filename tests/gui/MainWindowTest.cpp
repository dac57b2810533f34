// The main window as a user meets it: its layout and states at start, the menu rules,
// ending the program, the manual, and loading mixes good and bad.

#include "gui/app/BitmapButton.h"
#include "gui/app/ControlIds.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/ScriptedPrompt.h"
#include "support/WavFixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QtTest>

namespace ids = sundrel::gui::ids;
using sundrel::test::ScriptedPrompt;

namespace {

std::filesystem::path WriteMix(const fixture::TempDir& dir, const std::string& name, double seconds,
                               fixture::Format format = {}) {
    const auto frames = static_cast<std::size_t>(seconds * format.rate);
    const auto path = dir / name;
    fixture::WriteFile(path, fixture::CanonicalWav(format, fixture::TestSignal(format, frames)));
    return path;
}

// Opens a drop-down the way a click on the menu does (its update rules run), then closes it.
void OpenMenu(QMenu* menu) {
    menu->popup(QPoint(0, 0));
    menu->hide();
}

bool Enabled(const CSundrelDlg& dlg, int id) {
    return dlg.Control(id)->isEnabled();
}

// The offscreen platform notes that it cannot raise a menu or grab the keyboard for it.
QtMessageHandler g_defaultHandler = nullptr;
void QuietMenus(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QStringLiteral("This plugin does not support"))) {
        return;
    }
    g_defaultHandler(type, context, text);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { g_defaultHandler = qInstallMessageHandler(QuietMenus); }
    void init() { m_cwd = std::filesystem::current_path(); }
    void cleanup() { std::filesystem::current_path(m_cwd); }

    void startsEmptyWithTheTemplateLayout() {
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Sundrel"));
        QCOMPARE(dlg.minimumSize(), dlg.maximumSize()); // fixed size
        const auto& u = dlg.Units();
        QCOMPARE(dlg.ClientArea()->size(), QSize(u.X(469), u.Y(297)));
        QVERIFY(!dlg.windowIcon().isNull());

        // Every control of the template, with its text and its state at start.
        const struct {
            int id;
            const char* text;
            bool enabled;
        } controls[] = {
            {ids::kSplit, "&Split", false},   {ids::kSlider, nullptr, false},
            {ids::kPlay, "&Play", false},     {ids::kAddMarker, "&Add Marker", false},
            {ids::kZeroLabel, "0", true},     {ids::kDuration, "", true},
            {ids::kPosition, "", true},       {ids::kStop, "Stop", false},
            {ids::kPause, "Pause", false},    {ids::kSplitStatus, "", true},
            {ids::kMarkers, nullptr, false},  {ids::kViewFrame, nullptr, true},
            {ids::kScrollBar, nullptr, true}, {ids::kAnp, "ANP", false},
        };
        for (const auto& c : controls) {
            QWidget* w = dlg.Control(c.id);
            QVERIFY2(w != nullptr, qPrintable(QString::number(c.id)));
            QCOMPARE(w->isEnabled(), c.enabled);
            if (c.text == nullptr) {
                continue;
            }
            if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                QCOMPARE(button->text(), QString::fromLatin1(c.text));
            } else if (auto* label = qobject_cast<QLabel*>(w)) {
                QCOMPARE(label->text(), QString::fromLatin1(c.text));
            }
        }
        QCOMPARE(dlg.Control(ids::kAddMarker)->geometry(), u.Rect(303, 231, 50, 14));
        QCOMPARE(dlg.Control(ids::kViewFrame)->geometry(), u.Rect(24, 15, 428, 185));
        QCOMPARE(dlg.m_pWaveView->geometry(), dlg.ViewFrameRect());
        QCOMPARE(dlg.m_pWaveView->objectName(), QStringLiteral("ctl1000"));
        QVERIFY(!dlg.m_pWaveView->m_bMapped);
        // Bitmap buttons take the size of their faces.
        QCOMPARE(dlg.m_btnPlay->size(), QSize(20, 17));
        QCOMPARE(dlg.m_btnStop->size(), QSize(17, 14));
        QCOMPARE(dlg.m_btnPause->size(), QSize(15, 17));
        QVERIFY(dlg.m_btnSplit->isDefault());

        QCOMPARE(dlg.m_cbMarkers->count(), 1);
        QCOMPARE(dlg.m_cbMarkers->currentText(), QStringLiteral("List Marker.."));
        QCOMPARE(dlg.m_slider->maximum(), 1000);
        QCOMPARE(dlg.m_scrollBar->maximum(), 20);
        QCOMPARE(dlg.m_scrollBar->value(), 10);
        QVERIFY(dlg.m_pTimer->isActive());
        QCOMPARE(dlg.m_pTimer->interval(), 100);
        QCOMPARE(dlg.m_markers.Values(), std::vector<float>{0.0f});
        QVERIFY(dlg.m_bAutoJump);
        QVERIFY(!dlg.m_bLoaded);

        // Tab order follows the template.
        QCOMPARE(dlg.m_btnSplit->nextInFocusChain(), static_cast<QWidget*>(dlg.m_slider));
        QCOMPARE(dlg.m_slider->nextInFocusChain(), static_cast<QWidget*>(dlg.m_btnPlay));
    }

    void menuStatesFollowTheLoadedMix() {
        fixture::TempDir dir;
        const auto mix = WriteMix(dir, "mix.wav", 3.0);
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        QAction* saveAs = dlg.Command(ids::kCmdSaveAs);
        QAction* jumpTo = dlg.Command(ids::kCmdJumpToTime);
        QAction* autoJump = dlg.Command(ids::kCmdAutoJump);
        OpenMenu(dlg.m_pMenuFile);
        OpenMenu(dlg.m_pMenuTool);
        OpenMenu(dlg.m_pMenuJump);
        OpenMenu(dlg.m_pMenuHelp);
        QVERIFY(!saveAs->isEnabled());
        QVERIFY(!jumpTo->isEnabled());
        QVERIFY(autoJump->isChecked());
        for (int id : {ids::kCmdOpen, ids::kCmdLoadWave, ids::kCmdExit, ids::kCmdManual,
                       ids::kCmdAbout, ids::kCmdAutoJump}) {
            QVERIFY(dlg.Command(id)->isEnabled());
        }
        QVERIFY(dlg.m_pMenuJump->menuAction()->isEnabled());

        QVERIFY(dlg.LoadWaveFile(mix));
        // The rules run when a drop-down opens, not before.
        QVERIFY(!saveAs->isEnabled());
        OpenMenu(dlg.m_pMenuFile);
        QVERIFY(saveAs->isEnabled());
        OpenMenu(dlg.m_pMenuJump);
        QVERIFY(jumpTo->isEnabled());
    }

    void autoJumpToggles() {
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QAction* autoJump = dlg.Command(ids::kCmdAutoJump);
        autoJump->trigger();
        QVERIFY(!dlg.m_bAutoJump);
        OpenMenu(dlg.m_pMenuJump);
        QVERIFY(!autoJump->isChecked());
        autoJump->trigger();
        QVERIFY(dlg.m_bAutoJump);
        OpenMenu(dlg.m_pMenuJump);
        QVERIFY(autoJump->isChecked());
    }

    void escapeCloseAndExitEndWithoutSplitting() {
        fixture::TempDir dir;
        const auto mix = WriteMix(dir, "mix.wav", 4.0);
        const auto end = [&](const std::function<void(CSundrelDlg&)>& how) {
            ScriptedPrompt prompt;
            CSundrelDlg dlg(prompt);
            dlg.show();
            if (!QTest::qWaitForWindowExposed(&dlg)) {
                return -1;
            }
            dlg.LoadWaveFile(mix);
            dlg.m_markers.Add(2.0f, 4.0); // a split would now write two tracks
            dlg.m_btnSplit->setEnabled(true);
            how(dlg);
            return dlg.isVisible() ? -1 : dlg.result();
        };
        QCOMPARE(end([](CSundrelDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }),
                 int(QDialog::Rejected));
        QCOMPARE(end([](CSundrelDlg& d) { d.close(); }), int(QDialog::Rejected));
        QCOMPARE(end([](CSundrelDlg& d) { d.Command(ids::kCmdExit)->trigger(); }),
                 int(QDialog::Accepted));
        QVERIFY(!std::filesystem::exists(dir / "track01.wav"));
        QVERIFY(!std::filesystem::exists(dir / "track02.wav"));
    }

    void manualOpensTheNearestCopy() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        std::filesystem::current_path(dir.Path());
        dlg.Command(ids::kCmdManual)->trigger();
        QCOMPARE(prompt.urls.size(), 1);
        // No copy here: the installed one, or else the one this build ships.
        const QString fallback = prompt.urls[0].toLocalFile();
        QVERIFY(fallback == QStringLiteral(SUNDREL_MANUAL_INSTALLED) ||
                fallback == QStringLiteral(SUNDREL_MANUAL_BUILT));
        QVERIFY(QFileInfo(fallback).isFile());

        fixture::WriteFile(dir / "Manual.txt", {});
        dlg.Command(ids::kCmdManual)->trigger();
        QCOMPARE(prompt.urls.size(), 2);
        QCOMPARE(std::filesystem::path(prompt.urls[1].toLocalFile().toStdString()),
                 std::filesystem::canonical(dir / "Manual.txt"));
    }

    void loadingAMix() {
        fixture::TempDir dir;
        const auto mix = WriteMix(dir, "mix.wav", 60.0);
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        dlg.m_fPosition = 0.0f;

        dlg.Command(ids::kCmdLoadWave)->trigger(); // cancelled: nothing changes
        QCOMPARE(prompt.filters, QList<QString>{QStringLiteral("Windows PCM (*.wav)")});
        QVERIFY(!dlg.m_bLoaded);
        QVERIFY(!Enabled(dlg, ids::kPlay));

        prompt.files.enqueue(QString::fromStdString(mix.string()));
        dlg.Command(ids::kCmdLoadWave)->trigger();
        QVERIFY(prompt.messages.isEmpty());
        QVERIFY(dlg.m_bLoaded);
        QCOMPARE(dlg.m_szWavePath, mix);
        QVERIFY(dlg.m_pWaveFile != nullptr);
        QCOMPARE(dlg.m_stDuration->text(), QStringLiteral("0:01:00.000"));
        QCOMPARE(dlg.m_stPosition->text(), QString()); // loading does not show the position
        for (int id : {ids::kPlay, ids::kAddMarker, ids::kMarkers, ids::kSlider}) {
            QVERIFY2(Enabled(dlg, id), qPrintable(QString::number(id)));
        }
        for (int id : {ids::kSplit, ids::kStop, ids::kPause, ids::kAnp}) {
            QVERIFY2(!Enabled(dlg, id), qPrintable(QString::number(id)));
        }
        // Tracks are written beside the mix: its folder is now the current one.
        QCOMPARE(std::filesystem::current_path(), std::filesystem::canonical(dir.Path()));
        // The first two seconds, as element indices of the 16-bit stereo data.
        QCOMPARE(dlg.m_fViewFrom, 0.0f);
        QCOMPARE(dlg.m_fViewTo, 2.0f);
        QCOMPARE(dlg.m_pWaveView->m_nFirstSample, std::int64_t{0});
        QCOMPARE(dlg.m_pWaveView->m_nLastSample, std::int64_t{176402});
        QVERIFY(dlg.m_pWaveView->m_bMapped);
        QCOMPARE(dlg.m_pWaveView->m_nCursorX, 400);
        QCOMPARE(dlg.m_slider->value(), 0);

        // Markers carry over to the next mix, and the position is kept.
        dlg.m_markers.Add(15.0f, 60.0); // 25 %
        dlg.m_fPosition = 90.0f;        // beyond the next mix: the slider stays at its end
        const auto second = WriteMix(dir, "second.wav", 30.0);
        QVERIFY(dlg.LoadWaveFile(second));
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 25.0f}));
        QCOMPARE(dlg.m_fPosition, 90.0f);
        QCOMPARE(dlg.m_slider->value(), 1000);
        QCOMPARE(dlg.m_stDuration->text(), QStringLiteral("0:00:30.000"));
    }

    void aRefusedFileChangesNothing() {
        fixture::TempDir dir;
        const auto good = WriteMix(dir, "good.wav", 3.0);
        std::filesystem::create_directory(dir / "elsewhere");
        const auto bad = dir / "elsewhere" / "bad.wav";
        fixture::WriteFile(bad, fixture::Bytes(100, std::byte{'x'}));
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(good));
        const auto file = dlg.m_pWaveFile;
        CWaveViewCtrl* view = dlg.m_pWaveView;

        for (const auto& path : {bad, dir / "missing.wav"}) {
            prompt.files.enqueue(QString::fromStdString(path.string()));
            dlg.Command(ids::kCmdLoadWave)->trigger();
            QCOMPARE(prompt.messages.size(), 1);
            QVERIFY(prompt.messages[0].text.contains(QString::fromStdString(path.string())));
            QCOMPARE(prompt.messages[0].icon, ScriptedPrompt::Icon::Stop);
            prompt.messages.clear();
            QCOMPARE(dlg.m_pWaveFile, file);
            QCOMPARE(dlg.m_szWavePath, good);
            QCOMPARE(dlg.m_pWaveView, view);
            QVERIFY(view->m_bMapped);
            QCOMPARE(std::filesystem::current_path(), std::filesystem::canonical(dir.Path()));
        }
    }

    void aMixShorterThanTwoSecondsWarns() {
        fixture::TempDir dir;
        const auto mix = WriteMix(dir, "short.wav", 1.5);
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        QVERIFY(dlg.LoadWaveFile(mix));
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].text,
                 QStringLiteral("The period of time view chosen is not valid"));
        QCOMPARE(prompt.messages[0].caption, QStringLiteral("Warning"));
        QCOMPARE(prompt.messages[0].icon, ScriptedPrompt::Icon::Information);
        QVERIFY(!dlg.m_pWaveView->m_bMapped); // blank
        QVERIFY(!dlg.m_pWaveView->WaitRendered(50));
        QVERIFY(dlg.m_bLoaded);
        QVERIFY(Enabled(dlg, ids::kPlay));
        QVERIFY(Enabled(dlg, ids::kSlider));
        QCOMPARE(dlg.m_stDuration->text(), QStringLiteral("0:00:01.500"));
        // The window stays as rejected; a press on the blank view does nothing.
        QCOMPARE(dlg.m_fViewTo, 2.0f);
        QTest::mouseClick(dlg.m_pWaveView, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(dlg.m_fPosition, 0.0f);
    }

  private:
    std::filesystem::path m_cwd;
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
