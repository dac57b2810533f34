// Tool > Jump > Jump to time... and Help > About Sundrel, driven from the main window.

#include "gui/about/AboutDlg.h"
#include "gui/app/ControlIds.h"
#include "gui/app/SundrelDlg.h"
#include "gui/time/JumpTimeDlg.h"
#include "support/ScriptedPrompt.h"
#include "support/WavFixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace ids = sundrel::gui::ids;
using sundrel::test::ScriptedPrompt;

namespace {

// Runs `act` on the modal dialog once its event loop is running.
template <typename Dialog> void WhenModal(std::function<void(Dialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dlg = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dlg != nullptr);
        act(dlg);
    });
}

void TypeAndJump(const QString& text) {
    WhenModal<CJumpTimeDlg>([text](CJumpTimeDlg* dlg) {
        dlg->findChild<QLineEdit*>(QStringLiteral("timeEdit"))->setText(text);
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("jumpButton")),
                          Qt::LeftButton);
    });
}

} // namespace

class JumpAboutWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { m_cwd = std::filesystem::current_path(); }
    void cleanup() { std::filesystem::current_path(m_cwd); }

    void jumpNeedsALoadedMix() {
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.Command(ids::kCmdJumpToTime)->trigger();
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.LastText(), QStringLiteral("Please load a wave file"));
        QCOMPARE(dlg.m_fPosition, 0.0f);
    }

    void jumpMovesPositionTrackbarLabelAndWindow() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(Mix185(dir)));
        const qsizetype before = prompt.messages.size();

        TypeAndJump(QStringLiteral("0:01:30.000"));
        dlg.Command(ids::kCmdJumpToTime)->trigger();
        QCOMPARE(dlg.m_fPosition, 90.0f);
        QCOMPARE(dlg.m_slider->value(), 485);
        QCOMPARE(dlg.m_stPosition->text(), QStringLiteral("0:01:30.000"));
        QCOMPARE(dlg.m_fViewFrom, 89.0f);
        QCOMPARE(dlg.m_fViewTo, 91.0f);
        QCOMPARE(prompt.messages.size(), before); // the window fits: no warning

        // Cancel changes nothing.
        WhenModal<CJumpTimeDlg>([](CJumpTimeDlg* d) { d->reject(); });
        dlg.Command(ids::kCmdJumpToTime)->trigger();
        QCOMPARE(dlg.m_fPosition, 90.0f);
        QCOMPARE(dlg.m_fViewFrom, 89.0f);

        // An empty field jumps to 0; the window -1..1 is refused by the view's check.
        TypeAndJump(QString());
        dlg.Command(ids::kCmdJumpToTime)->trigger();
        QCOMPARE(dlg.m_fPosition, 0.0f);
        QCOMPARE(dlg.m_slider->value(), 0);
        QCOMPARE(dlg.m_stPosition->text(), QStringLiteral("0:00:00.000"));
        QCOMPARE(prompt.LastText(), QStringLiteral("The period of time view chosen is not valid"));
    }

    void aboutOpensAndCloses() {
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        bool shown = false;
        WhenModal<CAboutDlg>([&shown](CAboutDlg* about) {
            shown = about->windowTitle() == QStringLiteral("About Sundrel");
            about->accept();
        });
        dlg.Command(ids::kCmdAbout)->trigger();
        QVERIFY(shown);
    }

  private:
    // 185.5 s of 8-bit mono at 8000 Hz.
    static std::filesystem::path Mix185(const fixture::TempDir& dir) {
        const fixture::Format format{1, 1, 8000, 8};
        const auto path = dir / "mix.wav";
        fixture::WriteFile(path,
                           fixture::CanonicalWav(format, fixture::TestSignal(format, 1484000)));
        return path;
    }

    std::filesystem::path m_cwd;
};

QTEST_MAIN(JumpAboutWindowTest)
#include "JumpAboutWindowTest.moc"
