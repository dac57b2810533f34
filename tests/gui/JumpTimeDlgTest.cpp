#include "gui/time/JumpTimeDlg.h"
#include "support/ScriptedPrompt.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using sundrel::test::ScriptedPrompt;

class JumpTimeDlgTest : public QObject {
    Q_OBJECT

    // Shows a dialog for a 185.5 s mix with `text` typed into the field.
    static void Open(CJumpTimeDlg& dlg, const QString& text) {
        dlg.m_fMaxTime = 185.5f;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("timeEdit"));
        QVERIFY(edit);
        edit->setText(text);
    }

  private slots:
    void showsTheLongestAllowedTimeAndFocusesJump() {
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        Open(dlg, QString());
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Jump to time"));
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("maxTimeLabel"))->text(),
                 QStringLiteral("0:03:05.500"));
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("timeEdit"))->text(), QString());
        auto* format = dlg.findChild<QLabel*>(QStringLiteral("formatLabel"));
        QCOMPARE(format->text(), QStringLiteral("Minutes:Seconds"));
        QVERIFY(format->width() >= format->sizeHint().width());
        QVERIFY(dlg.rect().contains(format->geometry()));
        auto* jump = dlg.findChild<QPushButton*>(QStringLiteral("jumpButton"));
        QVERIFY(jump->isDefault());
        QCOMPARE(QApplication::focusWidget(), jump);
    }

    void enterInTheFieldActsAsJump() {
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        Open(dlg, QStringLiteral("0:01:30.000"));
        if (QTest::currentTestFailed()) {
            return;
        }
        auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("timeEdit"));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(dlg.m_bJump);
        QCOMPARE(dlg.m_fJumpTime, 90.0f);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QVERIFY(prompt.messages.isEmpty());
    }

    void refusedTimeSaysErrorAndStaysOpen_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("hours and milliseconds") << QStringLiteral("3:25");
        QTest::newRow("length typed back") << QStringLiteral("0:03:05.500");
        QTest::newRow("negative") << QStringLiteral("0:00:-01.000");
    }
    void refusedTimeSaysErrorAndStaysOpen() {
        QFETCH(QString, text);
        ScriptedPrompt prompt;
        CJumpTimeDlg dlg(prompt);
        Open(dlg, text);
        if (QTest::currentTestFailed()) {
            return;
        }
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("jumpButton")),
                          Qt::LeftButton);
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].text, QStringLiteral("error"));
        QCOMPARE(prompt.messages[0].caption, QStringLiteral("Sundrel"));
        QVERIFY(!dlg.m_bJump);
        QVERIFY(dlg.isVisible());

        // The user corrects the field and jumps.
        dlg.findChild<QLineEdit*>(QStringLiteral("timeEdit"))
            ->setText(QStringLiteral("0:03:05.499"));
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("jumpButton")),
                          Qt::LeftButton);
        QVERIFY(dlg.m_bJump);
        QCOMPARE(dlg.m_fJumpTime, 185.499f);
        QCOMPARE(prompt.messages.size(), 1);
    }

    void cancelAndEscapeLeaveNoJump() {
        ScriptedPrompt prompt;
        {
            CJumpTimeDlg dlg(prompt);
            Open(dlg, QStringLiteral("0:01:00.000"));
            if (QTest::currentTestFailed()) {
                return;
            }
            QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("cancelButton")),
                              Qt::LeftButton);
            QVERIFY(!dlg.m_bJump);
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
        }
        // Escape while the modal dialog runs.
        CJumpTimeDlg dlg(prompt);
        dlg.m_fMaxTime = 185.5f;
        QTimer::singleShot(0, &dlg, [&dlg] {
            dlg.findChild<QLineEdit*>(QStringLiteral("timeEdit"))->setText(QStringLiteral("1"));
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(!dlg.m_bJump);
        QVERIFY(prompt.messages.isEmpty());
    }
};

QTEST_MAIN(JumpTimeDlgTest)
#include "JumpTimeDlgTest.moc"
