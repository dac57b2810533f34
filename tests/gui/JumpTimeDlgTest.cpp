#include "gui/time/JumpTimeDlg.h"
#include "support/ScriptedPrompt.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using sundrel::test::ScriptedPrompt;

namespace {

QLineEdit* Edit(CJumpTimeDlg& dlg) {
    return dlg.findChild<QLineEdit*>(QStringLiteral("timeEdit"));
}
QPushButton* Jump(CJumpTimeDlg& dlg) {
    return dlg.findChild<QPushButton*>(QStringLiteral("jumpButton"));
}

// Shows the dialog for a mix of 185.5 s.
bool Open(CJumpTimeDlg& dlg) {
    dlg.m_fMaxTime = 185.5f;
    dlg.show();
    return QTest::qWaitForWindowExposed(&dlg);
}

} // namespace

class JumpTimeDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheLongestAllowedTime() {
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        QVERIFY(Open(dlg));
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("maxTimeLabel"))->text(),
                 QStringLiteral("0:03:05.500"));
        QCOMPARE(QApplication::focusWidget(), Jump(dlg));
        auto* format = dlg.findChild<QLabel*>(QStringLiteral("formatLabel"));
        QVERIFY(dlg.rect().contains(format->geometry()));
        QVERIFY(format->width() >= format->sizeHint().width());
    }

    void enterInTheFieldActsAsJump() {
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        QVERIFY(Open(dlg));
        Edit(dlg)->setText(QStringLiteral("0:01:30.000"));
        Edit(dlg)->setFocus();
        QTest::keyClick(Edit(dlg), Qt::Key_Return);
        QVERIFY(dlg.m_bJump);
        QCOMPARE(dlg.m_fJumpTime, 90.0f);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(prompt.messages.isEmpty());
    }

    void refusedTimeSaysErrorAndStaysOpen_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("beyond the end") << QStringLiteral("3:25");
        QTest::newRow("negative") << QStringLiteral("0:00:-01.000");
    }
    void refusedTimeSaysErrorAndStaysOpen() {
        QFETCH(QString, text);
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        QVERIFY(Open(dlg));
        Edit(dlg)->setText(text);
        QTest::mouseClick(Jump(dlg), Qt::LeftButton);
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].text, QStringLiteral("error"));
        QCOMPARE(prompt.messages[0].caption, QStringLiteral("Sundrel"));
        QVERIFY(!dlg.m_bJump);
        QVERIFY(dlg.isVisible());

        // The user corrects the field and jumps.
        Edit(dlg)->setText(QStringLiteral("0:03:05.499"));
        QTest::mouseClick(Jump(dlg), Qt::LeftButton);
        QVERIFY(dlg.m_bJump);
        QCOMPARE(dlg.m_fJumpTime, 185.499f);
    }

    void cancelAndEscapeLeaveNoJump() {
        ScriptedPrompt prompt;
        {
            CJumpTimeDlg cancelled(prompt);
            QVERIFY(Open(cancelled));
            Edit(cancelled)->setText(QStringLiteral("1"));
            QTest::mouseClick(cancelled.findChild<QPushButton*>(QStringLiteral("cancelButton")),
                              Qt::LeftButton);
            QCOMPARE(cancelled.result(), int(QDialog::Rejected));
            QVERIFY(!cancelled.m_bJump);
        }
        CJumpTimeDlg dlg(prompt);
        dlg.m_fMaxTime = 185.5f;
        QTimer::singleShot(0, &dlg, [&dlg] {
            Edit(dlg)->setText(QStringLiteral("1"));
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(!dlg.m_bJump);
        QVERIFY(prompt.messages.isEmpty());
    }
};

QTEST_MAIN(JumpTimeDlgTest)
#include "JumpTimeDlgTest.moc"
