// The marker commands in the main window: Add Marker with its limits and questions, selecting
// entries of the marker list, and "ANP" (the list's limit: MarkerTest).

#include "gui/app/BitmapButton.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/Window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

using sundrel::test::Entries;
using sundrel::test::kSmall;
using sundrel::test::ScriptedPrompt;
using sundrel::test::Window;
namespace ids = sundrel::gui::ids;
using namespace sundrel::test;

class MarkersTest : public QObject {
    Q_OBJECT
  private slots:
    void addMarkerKeepsASecondFromEitherEnd() {
        Window w;
        QVERIFY(w.Load(100.0, kSmall));
        for (const auto& [at, text] : {std::pair{0.5f, "You can't set Marker at the begin point"},
                                       std::pair{99.5f, "You can't set Marker at the end point"}}) {
            w.AddAt(at);
            QCOMPARE(w.prompt.messages.size(), 1);
            QCOMPARE(w.prompt.LastText(), QString::fromLatin1(text));
            QCOMPARE(w.prompt.messages[0].caption, QStringLiteral("Error"));
            w.prompt.messages.clear();
            QCOMPARE(MarkerBox(w.dlg)->count(), 1);
        }
        QCOMPARE(Percents(w.dlg), std::vector<float>{0.0f});

        // Exactly one second from either end is accepted.
        w.AddAt(1.0f);
        QCOMPARE(w.prompt.messages.size(), 2);
        QCOMPARE(w.prompt.messages[0].text, QStringLiteral("Do you really want to add Marker"));
        QCOMPARE(w.prompt.messages[0].caption, QStringLiteral("Change Marker"));
        QCOMPARE(w.prompt.messages[0].buttons, ScriptedPrompt::Buttons::YesNo);
        QCOMPARE(w.prompt.LastText(), QStringLiteral("Added Marker successfully"));
        w.AddAt(99.0f);
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 1.0f, 99.0f}));
        QCOMPARE(Entries(MarkerBox(w.dlg)), (QStringList{"List Marker..", "Marker 1", "Marker 2"}));
        // The new entry is selected without moving position or view.
        QCOMPARE(MarkerBox(w.dlg)->currentIndex(), 2);
        QCOMPARE(w.dlg.Session().View().from, 0.0f);
        QVERIFY(Button(w.dlg, ids::kSplit)->isEnabled());
        QVERIFY(Button(w.dlg, ids::kAnp)->isEnabled());
    }

    void noAnswersChangeNothingAndAnpMovesTheSelectedMarker() {
        Window w;
        QVERIFY(w.Load(120.0, kSmall));
        w.AddAt(60.0f);
        w.prompt.messages.clear();
        w.prompt.answers.enqueue(ScriptedPrompt::Answer::No);
        w.AddAt(30.0f);
        w.prompt.answers.enqueue(ScriptedPrompt::Answer::No);
        Button(w.dlg, ids::kAnp)->click();
        QCOMPARE(w.prompt.messages.size(), 2); // the two questions, no success message
        QCOMPARE(w.prompt.LastText(),
                 QStringLiteral("Do you really want to change the selected Marker"));
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 50.0f}));

        Button(w.dlg, ids::kAnp)->click(); // Yes moves it, keeping its place and its label
        QCOMPARE(w.prompt.LastText(), QStringLiteral("Changed position of Marker successfully"));
        QCOMPARE(Percents(w.dlg), (std::vector<float>{0.0f, 25.0f}));
        QCOMPARE(Entries(MarkerBox(w.dlg)), (QStringList{"List Marker..", "Marker 1"}));
    }

    void selectingEntriesMovesPositionAndWindow() {
        Window w;
        CSundrelDlg& dlg = w.dlg;
        QVERIFY(w.Load(120.0, kSmall));
        w.AddAt(60.0f);
        w.AddAt(30.0f);
        QCOMPARE(Percents(dlg), (std::vector<float>{0.0f, 50.0f, 25.0f}));
        dlg.Session().SetPosition(7.0f);
        w.prompt.messages.clear();

        w.Choose(1);
        QCOMPARE(w.Where(), QStringLiteral("60 0:01:00.000 500"));
        QCOMPARE(w.View(), QStringLiteral("59 61"));
        QCOMPARE(dlg.WaveView()->m_nFirstSample, std::int64_t{472024}); // 59/120 * 960044
        QVERIFY(w.prompt.messages.isEmpty());

        // The header entry goes back to the start and disables "ANP".
        w.Choose(0);
        QCOMPARE(w.Where(), QStringLiteral("0 0:00:00.000 0"));
        QCOMPARE(w.View(), QStringLiteral("0 2"));
        QVERIFY(!Button(dlg, ids::kAnp)->isEnabled());
        dlg.OnChangeMarker(); // pressed anyway: the start marker stays, nothing is asked
        QCOMPARE(Percents(dlg).front(), 0.0f);
        QVERIFY(w.prompt.messages.isEmpty());

        // Split sorts the markers; the labels stay, so "Marker 1" now selects 25 %.
        Button(dlg, ids::kSplit)->click();
        QCOMPARE(Percents(dlg), (std::vector<float>{0.0f, 25.0f, 50.0f}));
        QCOMPARE(Entries(MarkerBox(dlg)), (QStringList{"List Marker..", "Marker 1", "Marker 2"}));
        w.Choose(1);
        QCOMPARE(w.Where(), QStringLiteral("30 0:00:30.000 250"));
    }

    void selectingWhilePlayingStopsFirst() {
        Window w; // the silent device of SUNDREL_AUDIO=null
        QVERIFY(w.Load(120.0, kSmall));
        w.AddAt(60.0f);
        w.dlg.Session().SetPosition(10.0f);
        w.dlg.OnPlay();
        QVERIFY(w.dlg.Session().IsPlaying());
        w.Choose(1);
        QVERIFY(!w.dlg.Session().IsPlayerActive());
        QVERIFY(Button(w.dlg, ids::kSplit)->isEnabled()); // Stop's states
        QVERIFY(Button(w.dlg, ids::kPlay)->isEnabled());
        QCOMPARE(w.dlg.Session().View().from, 59.0f); // then the selection's window
    }
};

QTEST_MAIN(MarkersTest)
#include "MarkersTest.moc"
