// The way from a loaded mix to its tracks: the Split dialog says what it will write and takes
// the keyboard in order, a new folder is made (one that cannot be is reported before anything
// is written), and the result is said in the status line with a button to open the folder.
// Also the keys that judge a boundary and move a marker.

#include "gui/app/SplitChoicesDlg.h"
#include "gui/view/TrackTable.h"
#include "support/Window.h"

#include "core/time/TimeCode.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <cmath>

namespace ids = sundrel::gui::ids;
using sundrel::gui::SplitChoice;

using namespace sundrel::test;

namespace {

QPushButton* OpenFolder(const Window& w) {
    return w.dlg.findChild<QPushButton*>(QStringLiteral("openFolder"));
}

} // namespace

class FirstSplitTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }

    void theDialogSaysWhatItWritesAndTabsInOrder() {
        const SplitChoice offered{QStringLiteral("/no/such/folder"), QString(),
                                  sundrel::TrackFormat::Wav};
        sundrel::gui::CSplitChoicesDlg dialog(offered, QStringLiteral("1 track: the whole mix"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("summary"))->text(),
                 QStringLiteral("Writes 1 track: the whole mix."));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("folderNote"))->text(),
                 QStringLiteral("The folder will be created."));
        dialog.FolderField()->setText(QDir::tempPath());
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("folderNote"))->text().isEmpty());

        // Folder, Names, Format, Split: Browse is not in the way of a typed space.
        dialog.FolderField()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), dialog.FolderField());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.TemplateField());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.FormatBox());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto* split = qobject_cast<QPushButton*>(QApplication::focusWidget());
        QVERIFY(split != nullptr);
        QCOMPARE(split->text(), QStringLiteral("&Split"));
    }

    // Pause on a fresh mix enables Split; with no marker it writes the whole mix, and says
    // so first, in the singular.
    void noMarkerWritesTheWholeMixAndSaysSo() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(10.0, kSmall));
        w.dlg.Session().SetPosition(5.0f); // Pause's view around it is a valid one
        Button(w.dlg, ids::kPlay)->click();
        Button(w.dlg, ids::kPause)->click();
        QVERIFY(Button(w.dlg, ids::kSplit)->isEnabled());
        Button(w.dlg, ids::kSplit)->click();
        QCOMPARE(w.prompt.offeredSplits.size(), 1);
        QCOMPARE(w.prompt.splitSummaries[0], QStringLiteral("1 track: the whole mix"));
        QVERIFY(std::filesystem::exists(w.dir / "track01.wav"));
        QVERIFY2(StatusLine(w.dlg)->toolTip().startsWith(
                     QStringLiteral("Wrote 1 track to %1.\ntrack01.wav")
                         .arg(QString::fromStdString(w.dir.Path().string()))),
                 qPrintable(StatusLine(w.dlg)->toolTip()));
        QVERIFY2(w.prompt.messages.isEmpty(), qPrintable(w.prompt.LastText())); // no box
    }

    void aNewFolderIsMadeAndOpenedFromTheWindow() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(10.0, kSmall));
        AddMarkerAt(w.dlg, 4.0f);
        QVERIFY(!OpenFolder(w)->isVisible());
        const std::filesystem::path out = w.dir / "sets" / "friday";
        w.prompt.folders.enqueue(QString::fromStdString(out.string()));
        w.dlg.OnOK();
        QVERIFY(w.prompt.messages.isEmpty());
        QVERIFY(std::filesystem::exists(out / "track01.wav"));
        QVERIFY(std::filesystem::exists(out / "track02.wav"));
        const QString status = StatusLine(w.dlg)->toolTip();
        QVERIFY2(status.startsWith(QStringLiteral("Created %1. Wrote 2 tracks")
                                       .arg(QString::fromStdString(out.string()))),
                 qPrintable(status));
        QCOMPARE(Label(w.dlg, ids::kSplitStatus)->text(), QStringLiteral("Finished Split"));
        // The folder opens from the window, in the desktop's file manager.
        QVERIFY(OpenFolder(w)->isVisible());
        OpenFolder(w)->click();
        QCOMPARE(w.prompt.urls.size(), 1);
        QCOMPARE(w.prompt.urls[0].toLocalFile(), QString::fromStdString(out.string()));
        // The button and the status line share the row under the table without overlapping.
        QVERIFY(!OpenFolder(w)->geometry().intersects(StatusLine(w.dlg)->geometry()));
        QVERIFY(StatusLine(w.dlg)->geometry().top() > w.dlg.TrackTable()->geometry().bottom());
    }

    void aFolderThatCannotBeMadeIsReportedFirst() {
        Window w;
        QVERIFY(w.Load(10.0, kSmall));
        AddMarkerAt(w.dlg, 4.0f);
        fixture::WriteFile(w.dir / "taken", {});
        w.prompt.folders.enqueue(QString::fromStdString((w.dir / "taken" / "out").string()));
        w.dlg.OnOK();
        QCOMPARE(w.prompt.messages.size(), 1);
        QVERIFY2(w.prompt.LastText().contains(QStringLiteral("cannot create the folder")),
                 qPrintable(w.prompt.LastText()));
        QCOMPARE(w.prompt.messages[0].icon, ScriptedPrompt::Icon::Stop);
        QCOMPARE(Label(w.dlg, ids::kSplitStatus)->text(), QString()); // no split started
        QVERIFY(!w.dlg.LastSplitOptions().has_value());
    }

    // Z shows about a minute around the position; the marker list keeps its two seconds;
    // Period and Comma move the chosen marker, a run of presses being one undo step.
    void judgingAndMovingABoundary() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(300.0, kSmall));
        AddMarkerAt(w.dlg, 120.0f);
        w.dlg.Session().SetPosition(100.0f);
        QTest::keyClick(&w.dlg, Qt::Key_Z);
        QCOMPARE(w.View(), QStringLiteral("70 130"));
        w.Choose(1);
        const sundrel::TimeWindow classic = w.dlg.Session().View();
        QVERIFY(std::abs(classic.to - classic.from - 2.0) < 1e-3);
        const std::int64_t start = w.dlg.Session().Markers().At(1)->frame;
        QTest::keyClick(&w.dlg, Qt::Key_Period);
        QTest::keyClick(&w.dlg, Qt::Key_Period);
        QTest::keyClick(&w.dlg, Qt::Key_Comma, Qt::AltModifier);
        QTest::keyClick(&w.dlg, Qt::Key_Period, Qt::ControlModifier | Qt::AltModifier);
        QTest::keyClick(&w.dlg, Qt::Key_Period, Qt::ShiftModifier);
        // +1 s +1 s -100 ms +10 ms +10 s at 8000 Hz.
        QCOMPARE(w.dlg.Session().Markers().At(1)->frame, start + 8000 * 2 - 800 + 80 + 80000);
        // The position follows the marker (the label reads it as its float, as it always has).
        const double moved = static_cast<double>(w.dlg.Session().Markers().At(1)->frame) / 8000;
        QVERIFY2(std::abs(w.dlg.Session().Position() - moved) < 1e-9,
                 qPrintable(QString::number(w.dlg.Session().Position(), 'f', 9)));
        QVERIFY(w.prompt.messages.isEmpty() && w.prompt.questions.isEmpty());
        QCOMPARE(StatusLine(w.dlg)->text(),
                 QStringLiteral("Moved Marker 1 to %1.")
                     .arg(QString::fromStdString(
                         sundrel::FormatFrameTime(w.dlg.Session().Markers().At(1)->frame, 8000))));
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(w.dlg.Session().Markers().At(1)->frame, start);
        // The start of the mix is no marker to move.
        w.Choose(0);
        QTest::keyClick(&w.dlg, Qt::Key_Period);
        QCOMPARE(w.dlg.Session().Markers().At(0)->frame, std::int64_t{0});
    }
};

QTEST_MAIN(FirstSplitTest)
#include "FirstSplitTest.moc"
