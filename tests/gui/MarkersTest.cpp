// The marker commands in the main window: Add Marker with its limits and questions, selecting
// entries of the marker list, "ANP", and the list's limit.

#include "gui/app/BitmapButton.h"
#include "gui/app/ControlIds.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/ScriptedPrompt.h"
#include "support/WavFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

namespace ids = sundrel::gui::ids;
using sundrel::test::ScriptedPrompt;
using Icon = ScriptedPrompt::Icon;
using Buttons = ScriptedPrompt::Buttons;

namespace {

// `seconds` of 8-bit mono at 8000 Hz: small files, exact durations.
std::filesystem::path WriteMix(const fixture::TempDir& dir, double seconds) {
    const fixture::Format format{1, 1, 8000, 8};
    const auto path = dir / "mix.wav";
    fixture::WriteFile(path, fixture::CanonicalWav(
                                 format, fixture::TestSignal(format, std::size_t(seconds * 8000))));
    return path;
}

QStringList Entries(const QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i) {
        entries << box->itemText(i);
    }
    return entries;
}

// The user picks entry k of the marker list.
void Choose(CSundrelDlg& dlg, int k) {
    dlg.m_cbMarkers->setCurrentIndex(k);
    emit dlg.m_cbMarkers->activated(k);
}

void AddAt(CSundrelDlg& dlg, float seconds) {
    dlg.m_fPosition = seconds;
    dlg.m_btnAddMarker->click();
}

} // namespace

class MarkersTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { m_cwd = std::filesystem::current_path(); }
    void cleanup() { std::filesystem::current_path(m_cwd); }

    void addMarkerKeepsASecondFromEitherEnd() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(WriteMix(dir, 100.0)));
        prompt.messages.clear();

        for (const auto& [at, text] : {std::pair{0.5f, "You can't set Marker at the begin point"},
                                       std::pair{99.5f, "You can't set Marker at the end point"}}) {
            AddAt(dlg, at);
            QCOMPARE(prompt.messages.size(), 1);
            QCOMPARE(prompt.messages[0].text, QString::fromLatin1(text));
            QCOMPARE(prompt.messages[0].caption, QStringLiteral("Error"));
            QCOMPARE(prompt.messages[0].buttons, Buttons::Ok);
            prompt.messages.clear();
            QCOMPARE(dlg.m_markers.Values(), std::vector<float>{0.0f});
            QCOMPARE(dlg.m_cbMarkers->count(), 1);
            QVERIFY(!dlg.m_btnSplit->isEnabled());
        }

        // Exactly one second from either end is accepted.
        AddAt(dlg, 1.0f);
        QCOMPARE(prompt.messages.size(), 2);
        QCOMPARE(prompt.messages[0].text, QStringLiteral("Do you really want to add Marker"));
        QCOMPARE(prompt.messages[0].caption, QStringLiteral("Change Marker"));
        QCOMPARE(prompt.messages[0].buttons, Buttons::YesNo);
        QCOMPARE(prompt.messages[0].icon, Icon::Question);
        QCOMPARE(prompt.messages[1].text, QStringLiteral("Added Marker successfully"));
        QCOMPARE(prompt.messages[1].caption, QString());
        QCOMPARE(prompt.messages[1].icon, Icon::Information);
        AddAt(dlg, 99.0f);
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 1.0f, 99.0f}));
        QCOMPARE(Entries(dlg.m_cbMarkers), (QStringList{"List Marker..", "Marker 1", "Marker 2"}));
        // The new entry is selected without moving position or view.
        QCOMPARE(dlg.m_cbMarkers->currentIndex(), 2);
        QCOMPARE(dlg.m_fPosition, 99.0f);
        QCOMPARE(dlg.m_fViewFrom, 0.0f);
        QVERIFY(dlg.m_btnSplit->isEnabled());
        QVERIFY(dlg.m_btnAnp->isEnabled());
    }

    void noAnswersChangeNothing() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(WriteMix(dir, 120.0)));
        AddAt(dlg, 60.0f);
        prompt.messages.clear();

        prompt.answers.enqueue(ScriptedPrompt::Answer::No);
        AddAt(dlg, 30.0f);
        prompt.answers.enqueue(ScriptedPrompt::Answer::No);
        dlg.m_btnAnp->click();
        QCOMPARE(prompt.messages.size(), 2); // the two questions, no success message
        QCOMPARE(prompt.messages[1].text,
                 QStringLiteral("Do you really want to change the selected Marker"));
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 50.0f}));
        QCOMPARE(dlg.m_cbMarkers->count(), 2);

        // Yes moves the selected marker, keeping its place and its label.
        dlg.m_btnAnp->click();
        QCOMPARE(prompt.LastText(), QStringLiteral("Changed position of Marker successfully"));
        QCOMPARE(prompt.messages.last().caption, QString());
        QCOMPARE(prompt.messages.last().icon, Icon::Information);
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 25.0f}));
        QCOMPARE(Entries(dlg.m_cbMarkers), (QStringList{"List Marker..", "Marker 1"}));
    }

    void selectingEntriesMovesPositionAndWindow() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(WriteMix(dir, 120.0)));
        AddAt(dlg, 60.0f);
        AddAt(dlg, 30.0f);
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 50.0f, 25.0f}));
        dlg.m_fPosition = 7.0f;
        prompt.messages.clear();

        Choose(dlg, 1);
        QCOMPARE(dlg.m_slider->value(), 500);
        QCOMPARE(dlg.m_fPosition, 60.0f);
        QCOMPARE(dlg.m_stPosition->text(), QStringLiteral("0:01:00.000"));
        QCOMPARE(dlg.m_fViewFrom, 59.0f);
        QCOMPARE(dlg.m_fViewTo, 61.0f);
        QVERIFY(dlg.m_pWaveView->m_bMapped);
        QCOMPARE(dlg.m_pWaveView->m_nFirstSample,
                 std::int64_t{472024}); // 59 / 120 * 960044, aligned
        QVERIFY(dlg.m_btnAnp->isEnabled());
        QVERIFY(prompt.messages.isEmpty());

        // The header entry goes back to the start and disables "ANP".
        Choose(dlg, 0);
        QCOMPARE(dlg.m_fPosition, 0.0f);
        QCOMPARE(dlg.m_slider->value(), 0);
        QCOMPARE(dlg.m_stPosition->text(), QStringLiteral("0:00:00.000"));
        QCOMPARE(dlg.m_fViewFrom, 0.0f);
        QCOMPARE(dlg.m_fViewTo, 2.0f);
        QVERIFY(!dlg.m_btnAnp->isEnabled());
        // Pressed anyway, it leaves the start marker alone and asks nothing.
        dlg.OnChangeMarker();
        QCOMPARE(dlg.m_markers.Values().front(), 0.0f);
        QVERIFY(prompt.messages.isEmpty());

        // Split sorts the markers; the labels stay, so "Marker 1" now selects 25 %.
        dlg.m_btnSplit->click();
        QCOMPARE(dlg.m_stSplitStatus->text(), QStringLiteral("Finished Split"));
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 25.0f, 50.0f}));
        QCOMPARE(Entries(dlg.m_cbMarkers), (QStringList{"List Marker..", "Marker 1", "Marker 2"}));
        Choose(dlg, 1);
        QCOMPARE(dlg.m_fPosition, 30.0f);
        QCOMPARE(dlg.m_slider->value(), 250);
    }

    void selectingWhilePlayingStopsFirst() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt); // the silent device of SUNDREL_AUDIO=null
        QVERIFY(dlg.LoadWaveFile(WriteMix(dir, 120.0)));
        AddAt(dlg, 60.0f);
        dlg.m_fPosition = 10.0f;
        dlg.OnPlay();
        QVERIFY(dlg.m_bPlaying);
        QVERIFY(!dlg.m_btnSplit->isEnabled());
        Choose(dlg, 1);
        QVERIFY(!dlg.m_bPlaying);
        QVERIFY(!dlg.m_pPlayThread->IsActive());
        QVERIFY(dlg.m_btnSplit->isEnabled()); // Stop's states
        QVERIFY(dlg.m_btnPlay->isEnabled());
        QCOMPARE(dlg.m_fPosition, 60.0f); // then the selection's position
        QCOMPARE(dlg.m_fViewFrom, 59.0f);
    }

    void aMarkerNearTheEndGivesTheViewsWarning() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(WriteMix(dir, 100.0)));
        AddAt(dlg, 50.0f);
        dlg.m_fPosition = 99.8f; // "ANP" knows no limits
        dlg.m_btnAnp->click();
        prompt.messages.clear();
        Choose(dlg, 1);
        QCOMPARE(prompt.LastText(), QStringLiteral("The period of time view chosen is not valid"));
        QVERIFY(!dlg.m_pWaveView->m_bMapped);
    }

    void theListHoldsAtMost254Markers() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(WriteMix(dir, 10.0)));
        dlg.m_fPosition = 5.0f;
        for (int i = 0; i < 253; ++i) {
            dlg.AddMarker();
        }
        dlg.m_btnAddMarker->click(); // the 254th besides the start
        QCOMPARE(dlg.m_markers.Count(), std::size_t{255});
        QCOMPARE(dlg.m_cbMarkers->itemText(254), QStringLiteral("Marker 254"));
        prompt.messages.clear();

        dlg.m_btnAddMarker->click();
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].text, QStringLiteral("You can't set more than 254 Markers"));
        QCOMPARE(prompt.messages[0].caption, QStringLiteral("Error"));
        QCOMPARE(dlg.m_markers.Count(), std::size_t{255});
        QCOMPARE(dlg.m_cbMarkers->count(), 255);
    }

  private:
    std::filesystem::path m_cwd;
};

QTEST_MAIN(MarkersTest)
#include "MarkersTest.moc"
