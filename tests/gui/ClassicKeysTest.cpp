// The keyboard paths a user of the classic window knows: the buttons' Alt keys, File > Save As
// and Tool > Jump > Jump to time through the menu bar's letters, and no letter that two
// commands of one scope share (Qt then runs neither).

#include "gui/time/JumpTimeDlg.h"
#include "support/Window.h"

#include <QAbstractButton>
#include <QGroupBox>
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
};

QTEST_MAIN(ClassicKeysTest)
#include "ClassicKeysTest.moc"
