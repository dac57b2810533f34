// Tool > Jump > Jump to time...: the dialog on its own (what it shows, what it refuses, Enter,
// Cancel and Escape) and the jump it makes in the main window.

#include "gui/time/JumpTimeDlg.h"
#include "support/Window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace ids = sundrel::gui::ids;
using sundrel::test::ScriptedPrompt;
using sundrel::test::Window;

using namespace sundrel::test;

namespace {

QLineEdit* Edit(CJumpTimeDlg& dlg) {
    return dlg.findChild<QLineEdit*>(QStringLiteral("timeEdit"));
}
QPushButton* Button(CJumpTimeDlg& dlg, const char* name) {
    return dlg.findChild<QPushButton*>(QString::fromLatin1(name));
}

// Shows the dialog for a mix of 185.5 s.
bool Open(CJumpTimeDlg& dlg) {
    dlg.m_fMaxTime = 185.5f;
    dlg.show();
    return QTest::qWaitForWindowExposed(&dlg);
}

// Answers the window's next Jump to time dialog with `text` and "&Jump".
void TypeAndJump(const QString& text) {
    sundrel::test::WhenModal<CJumpTimeDlg>([text](CJumpTimeDlg* dlg) {
        Edit(*dlg)->setText(text);
        QTest::mouseClick(Button(*dlg, "jumpButton"), Qt::LeftButton);
        if (dlg->isVisible()) { // refused: close it so the test goes on to fail
            dlg->reject();
        }
    });
}

} // namespace

class JumpTimeTest : public QObject {
    Q_OBJECT
  private slots:
    void showsTheLongestTimeAndEnterActsAsJump() {
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        QVERIFY(Open(dlg));
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("maxTimeLabel"))->text(),
                 QStringLiteral("0:03:05.500"));
        QCOMPARE(QApplication::focusWidget(), Edit(dlg)); // type the time at once
        auto* format = dlg.findChild<QLabel*>(QStringLiteral("formatLabel")); // not cut off
        QVERIFY(dlg.rect().contains(format->geometry()));
        QVERIFY(format->width() >= format->sizeHint().width());
        Edit(dlg)->setText(QStringLiteral("0:01:30.000"));
        Edit(dlg)->setFocus();
        QTest::keyClick(Edit(dlg), Qt::Key_Return);
        QVERIFY(dlg.m_bJump);
        QCOMPARE(dlg.m_fJumpTime, 90.0f);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(prompt.messages.isEmpty());
    }

    // The line under the field says how the text typed so far is read (the readings
    // themselves: the core's JumpTimeTest).
    void theReadingFollowsTheText() {
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        QVERIFY(Open(dlg));
        dlg.m_fMaxTime = 4 * 3600.0f;
        auto* reading = dlg.findChild<QLabel*>(QStringLiteral("readingLabel"));
        QTest::keyClicks(Edit(dlg), QStringLiteral("3:15"));
        QCOMPARE(reading->text(), QStringLiteral("Read as 3 h 0 min 0.015 s"));

        // The whole line shows, inside the dialog, before Jump is pressed.
        dlg.m_fMaxTime = 1913.0f;
        Edit(dlg)->setText(QStringLiteral("4:00:00"));
        QCOMPARE(reading->text(),
                 QStringLiteral("4:00:00.000 is past the end of the mix, 0:31:53.000"));
        QVERIFY(dlg.rect().contains(reading->geometry()));
        const int needed = reading->wordWrap() ? reading->heightForWidth(reading->width())
                                               : reading->sizeHint().height();
        QVERIFY(needed <= reading->height());
        QVERIFY(reading->wordWrap() || reading->sizeHint().width() <= reading->width());
        for (auto* other : dlg.findChildren<QWidget*>()) {
            if (other != reading && other->parent() == &dlg && other->isVisible()) {
                QVERIFY2(!other->geometry().intersects(reading->geometry()),
                         qPrintable(other->objectName()));
            }
        }
    }

    // Every refusal (which ones: the core's JumpTimeTest) takes the same way here.
    void refusedTimeSaysErrorAndStaysOpen() {
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        QVERIFY(Open(dlg));
        Edit(dlg)->setText(QStringLiteral("3:25"));
        QTest::mouseClick(Button(dlg, "jumpButton"), Qt::LeftButton);
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.LastText(), QStringLiteral("error"));
        QVERIFY(!dlg.m_bJump);
        QVERIFY(dlg.isVisible());

        Edit(dlg)->setText(QStringLiteral("0:03:05.499")); // corrected
        QTest::mouseClick(Button(dlg, "jumpButton"), Qt::LeftButton);
        QVERIFY(dlg.m_bJump);
        QCOMPARE(dlg.m_fJumpTime, 185.499f);
    }

    void cancelLeavesNoJump() {
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        QVERIFY(Open(dlg));
        Edit(dlg)->setText(QStringLiteral("1"));
        QTest::mouseClick(Button(dlg, "cancelButton"), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.m_bJump);
    }

    void jumpMovesPositionTrackbarLabelAndWindow() {
        Window w;
        CSundrelDlg& dlg = w.dlg;
        dlg.Command(ids::kCmdJumpToTime)->trigger();
        QCOMPARE(w.prompt.LastText(), QStringLiteral("Please load a wave file"));
        w.prompt.messages.clear();

        QVERIFY(w.Load(185.5, sundrel::test::kSmall));
        TypeAndJump(QStringLiteral("0:01:30.000"));
        dlg.Command(ids::kCmdJumpToTime)->trigger();
        QCOMPARE(w.Where(), QStringLiteral("90 0:01:30.000 485"));
        QCOMPARE(w.View(), QStringLiteral("89 91"));
        QVERIFY(w.prompt.messages.isEmpty());

        sundrel::test::WhenModal<CJumpTimeDlg>([](CJumpTimeDlg* d) {
            Edit(*d)->setText(QStringLiteral("1"));
            QTest::keyClick(d, Qt::Key_Escape);
        });
        dlg.Command(ids::kCmdJumpToTime)->trigger(); // Escape changes nothing
        QCOMPARE(w.Where(), QStringLiteral("90 0:01:30.000 485"));
        QCOMPARE(w.View(), QStringLiteral("89 91"));

        // An empty field jumps to 0; the window -1..1 is refused by the view's check.
        TypeAndJump(QString());
        dlg.Command(ids::kCmdJumpToTime)->trigger();
        QCOMPARE(w.Where(), QStringLiteral("0 0:00:00.000 0"));
        QCOMPARE(w.prompt.LastText(),
                 QStringLiteral("The period of time view chosen is not valid"));
    }
};

QTEST_MAIN(JumpTimeTest)
#include "JumpTimeTest.moc"
