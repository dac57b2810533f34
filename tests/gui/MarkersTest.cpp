// The marker commands in the main window: Add Marker with its limits and questions, selecting
// entries of the marker list, "ANP", and the list's limit.

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
            QCOMPARE(w.dlg.m_cbMarkers->count(), 1);
        }
        QCOMPARE(w.dlg.m_markers.Values(), std::vector<float>{0.0f});

        // Exactly one second from either end is accepted.
        w.AddAt(1.0f);
        QCOMPARE(w.prompt.messages.size(), 2);
        QCOMPARE(w.prompt.messages[0].text, QStringLiteral("Do you really want to add Marker"));
        QCOMPARE(w.prompt.messages[0].caption, QStringLiteral("Change Marker"));
        QCOMPARE(w.prompt.messages[0].buttons, ScriptedPrompt::Buttons::YesNo);
        QCOMPARE(w.prompt.LastText(), QStringLiteral("Added Marker successfully"));
        w.AddAt(99.0f);
        QCOMPARE(w.dlg.m_markers.Values(), (std::vector<float>{0.0f, 1.0f, 99.0f}));
        QCOMPARE(Entries(w.dlg.m_cbMarkers),
                 (QStringList{"List Marker..", "Marker 1", "Marker 2"}));
        // The new entry is selected without moving position or view.
        QCOMPARE(w.dlg.m_cbMarkers->currentIndex(), 2);
        QCOMPARE(w.dlg.m_fViewFrom, 0.0f);
        QVERIFY(w.dlg.m_btnSplit->isEnabled());
        QVERIFY(w.dlg.m_btnAnp->isEnabled());
    }

    void noAnswersChangeNothingAndAnpMovesTheSelectedMarker() {
        Window w;
        QVERIFY(w.Load(120.0, kSmall));
        w.AddAt(60.0f);
        w.prompt.messages.clear();
        w.prompt.answers.enqueue(ScriptedPrompt::Answer::No);
        w.AddAt(30.0f);
        w.prompt.answers.enqueue(ScriptedPrompt::Answer::No);
        w.dlg.m_btnAnp->click();
        QCOMPARE(w.prompt.messages.size(), 2); // the two questions, no success message
        QCOMPARE(w.prompt.LastText(),
                 QStringLiteral("Do you really want to change the selected Marker"));
        QCOMPARE(w.dlg.m_markers.Values(), (std::vector<float>{0.0f, 50.0f}));

        w.dlg.m_btnAnp->click(); // Yes moves it, keeping its place and its label
        QCOMPARE(w.prompt.LastText(), QStringLiteral("Changed position of Marker successfully"));
        QCOMPARE(w.dlg.m_markers.Values(), (std::vector<float>{0.0f, 25.0f}));
        QCOMPARE(Entries(w.dlg.m_cbMarkers), (QStringList{"List Marker..", "Marker 1"}));
    }

    void selectingEntriesMovesPositionAndWindow() {
        Window w;
        CSundrelDlg& dlg = w.dlg;
        QVERIFY(w.Load(120.0, kSmall));
        w.AddAt(60.0f);
        w.AddAt(30.0f);
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 50.0f, 25.0f}));
        dlg.m_fPosition = 7.0f;
        w.prompt.messages.clear();

        w.Choose(1);
        QCOMPARE(w.Where(), QStringLiteral("60 0:01:00.000 500"));
        QCOMPARE(w.View(), QStringLiteral("59 61"));
        QCOMPARE(dlg.m_pWaveView->m_nFirstSample, std::int64_t{472024}); // 59/120 * 960044
        QVERIFY(w.prompt.messages.isEmpty());

        // The header entry goes back to the start and disables "ANP".
        w.Choose(0);
        QCOMPARE(w.Where(), QStringLiteral("0 0:00:00.000 0"));
        QCOMPARE(w.View(), QStringLiteral("0 2"));
        QVERIFY(!dlg.m_btnAnp->isEnabled());
        dlg.OnChangeMarker(); // pressed anyway: the start marker stays, nothing is asked
        QCOMPARE(dlg.m_markers.Values().front(), 0.0f);
        QVERIFY(w.prompt.messages.isEmpty());

        // Split sorts the markers; the labels stay, so "Marker 1" now selects 25 %.
        dlg.m_btnSplit->click();
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 25.0f, 50.0f}));
        QCOMPARE(Entries(dlg.m_cbMarkers), (QStringList{"List Marker..", "Marker 1", "Marker 2"}));
        w.Choose(1);
        QCOMPARE(w.Where(), QStringLiteral("30 0:00:30.000 250"));
    }

    void selectingWhilePlayingStopsFirst() {
        Window w; // the silent device of SUNDREL_AUDIO=null
        QVERIFY(w.Load(120.0, kSmall));
        w.AddAt(60.0f);
        w.dlg.m_fPosition = 10.0f;
        w.dlg.OnPlay();
        QVERIFY(w.dlg.m_bPlaying);
        w.Choose(1);
        QVERIFY(!w.dlg.m_pPlayThread->IsActive());
        QVERIFY(w.dlg.m_btnSplit->isEnabled()); // Stop's states
        QVERIFY(w.dlg.m_btnPlay->isEnabled());
        QCOMPARE(w.dlg.m_fViewFrom, 59.0f); // then the selection's window
    }

    void theListHoldsAtMost254Markers() {
        Window w;
        QVERIFY(w.Load(10.0, kSmall));
        w.dlg.m_fPosition = 5.0f;
        for (int i = 0; i < 253; ++i) {
            w.dlg.AddMarker();
        }
        w.dlg.m_btnAddMarker->click(); // the 254th besides the start is still taken
        QCOMPARE(w.dlg.m_cbMarkers->itemText(254), QStringLiteral("Marker 254"));
        w.prompt.messages.clear();
        w.dlg.m_btnAddMarker->click();
        QCOMPARE(w.prompt.messages.size(), 1);
        QCOMPARE(w.prompt.LastText(), QStringLiteral("You can't set more than 254 Markers"));
        QCOMPARE(w.dlg.m_markers.Count(), std::size_t{255});
        QCOMPARE(w.dlg.m_cbMarkers->count(), 255);
    }
};

QTEST_MAIN(MarkersTest)
#include "MarkersTest.moc"
