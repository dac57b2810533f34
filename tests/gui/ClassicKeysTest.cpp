// The keyboard paths a user of the classic window knows: the buttons' Alt keys, File > Save As
// and Tool > Jump > Jump to time through the menu bar's letters, and no letter that two
// commands of one scope share (Qt then runs neither). Also the Jump to time dialog on its own
// (what it shows, what it refuses, Enter, Cancel and Escape) and the jump it makes.

#include "gui/time/JumpTimeDlg.h"
#include "support/Window.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>
#include <QMap>
#include <QMenuBar>

namespace ids = sundrel::gui::ids;

using namespace sundrel::test;

namespace {

// The letter after a single '&' ("&&" is a literal ampersand), lower case; none: null.
QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] == QLatin1Char('&')) {
                ++i;
                continue;
            }
            return text[i + 1].toLower();
        }
    }
    return {};
}

// "P: &Play, &Play" for each letter that more than one of `texts` claims.
QStringList Clashes(const QStringList& texts) {
    QMap<QChar, QStringList> byLetter;
    for (const QString& text : texts) {
        if (const QChar letter = Mnemonic(text); !letter.isNull()) {
            byLetter[letter] << text;
        }
    }
    QStringList clashes;
    for (auto it = byLetter.cbegin(); it != byLetter.cend(); ++it) {
        if (it.value().size() > 1) {
            clashes << QStringLiteral("%1: %2").arg(it.key(),
                                                    it.value().join(QStringLiteral(", ")));
        }
    }
    return clashes;
}

// Sends `key` to the open drop-down (the innermost one).
void ToMenu(Qt::Key key) {
    QWidget* popup = QApplication::activePopupWidget();
    QVERIFY2(popup != nullptr, "no drop-down is open");
    QTest::keyClick(popup, key);
}

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

class ClassicKeysTest : public QObject {
    Q_OBJECT
  private slots:
    void noLetterIsClaimedTwiceInOneScope() {
        Window w;
        // The window: its buttons, labels and group boxes, and the menu bar's titles.
        QStringList window;
        for (QAction* title : w.dlg.findChild<QMenuBar*>()->actions()) {
            window << title->text();
        }
        for (QWidget* child : w.dlg.findChildren<QWidget*>()) {
            if (child->window() != &w.dlg) {
                continue;
            }
            if (auto* button = qobject_cast<QAbstractButton*>(child)) {
                window << button->text();
            } else if (auto* label = qobject_cast<QLabel*>(child)) {
                window << label->text();
            } else if (auto* group = qobject_cast<QGroupBox*>(child)) {
                window << group->title();
            }
        }
        QVERIFY(window.contains(QStringLiteral("&Split")));
        QVERIFY(window.contains(QStringLiteral("&File")));
        QCOMPARE(Clashes(window), QStringList());
        // Each drop-down, cascading ones included.
        const QList<QMenu*> menus = w.dlg.findChildren<QMenu*>();
        QVERIFY(menus.size() >= 8);
        for (QMenu* menu : menus) {
            QStringList items;
            for (QAction* item : menu->actions()) {
                items << item->text();
            }
            QVERIFY2(Clashes(items).isEmpty(),
                     qPrintable(menu->title() + QStringLiteral(" > ") +
                                Clashes(items).join(QStringLiteral("; "))));
        }
    }

    void altKeysPressTheButtons() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(30.0, kSmall));
        w.dlg.Session().SetPosition(10.0f);
        QTest::keyClick(&w.dlg, Qt::Key_A, Qt::AltModifier); // Add Marker
        // A button's Alt key clicks it after a moment, as a press of it looks.
        QTRY_COMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        QTest::keyClick(&w.dlg, Qt::Key_P, Qt::AltModifier); // Play
        QTRY_VERIFY(w.dlg.Session().IsPlaying());
        Button(w.dlg, ids::kPause)->click(); // Pause leaves Split enabled
        QVERIFY(!w.dlg.Session().IsPlaying());
        w.prompt.folders.enqueue(std::nullopt); // the Split dialog opens; cancelled there
        QTest::keyClick(&w.dlg, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(w.prompt.offeredSplits.size(), 1);
    }

    void theMenuLettersReachSaveAsAndJumpToTime() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(30.0, kSmall));
        // Alt+F, S: File > Save As (cancelled in the file dialog).
        QTest::keyClick(&w.dlg, Qt::Key_F, Qt::AltModifier);
        ToMenu(Qt::Key_S);
        QCOMPARE(w.prompt.suffixes, QList<QString>{QStringLiteral("sdr")});
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);

        // Alt+T, Right, Return: the first entry of Tool is Jump, its first Jump to time.
        QTest::keyClick(&w.dlg, Qt::Key_T, Qt::AltModifier);
        ToMenu(Qt::Key_Right);
        bool opened = false;
        WhenModal<CJumpTimeDlg>([&opened](CJumpTimeDlg* jump) {
            opened = true;
            jump->reject();
        });
        ToMenu(Qt::Key_Return);
        QTRY_VERIFY(opened);
    }

    // File > Open offers projects first, then everything the window opens; a mix picked
    // there loads. Load Wave file keeps its text and answers Ctrl+L.
    void openTakesEveryKindAndLoadHasAKey() {
        Window w;
        QVERIFY(w.Shown());
        const auto mix = w.Mix(5.0, kSmall);
        w.RunWith(ids::kCmdOpen, mix);
        const QStringList filters = w.prompt.filters.value(0).split(QStringLiteral(";;"));
        QCOMPARE(filters.value(0), QStringLiteral("Sundrel (*.sdr)"));
        QCOMPARE(filters.size(), 2);
        for (const char* pattern : {"*.sdr", "*.wav", "*.cue"}) {
            QVERIFY(filters[1].contains(QLatin1String(pattern)));
        }
        QVERIFY(w.prompt.messages.isEmpty());
        QCOMPARE(w.dlg.Session().WavePath(), mix);

        QAction* load = w.dlg.Command(ids::kCmdLoadWave);
        QCOMPARE(load->text(), QStringLiteral("Load Wave file..."));
        w.Pick(w.Mix(7.0, kSmall, "other.wav"));
        QTest::keyClick(&w.dlg, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(w.dlg.Session().WavePath().filename(), std::filesystem::path("other.wav"));
    }

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
        QTest::mouseClick(Button(dlg, "cancelButton"), Qt::LeftButton); // Cancel: no jump
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.m_bJump);
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

QTEST_MAIN(ClassicKeysTest)
#include "ClassicKeysTest.moc"
