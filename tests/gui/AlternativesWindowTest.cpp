// The other places of a suggestion and the flags on implausible track lengths: O moves the
// suggestion being looked at through its alternatives and back, previewing each; the track
// table marks a track far shorter or longer than the mix's average, and stops marking it once
// the markers are right.

#include "gui/view/TrackLengthFlags.h"
#include "gui/view/TrackTable.h"
#include "support/Window.h"

namespace ids = sundrel::gui::ids;
using namespace sundrel::test;

namespace {

constexpr std::int64_t kRate = 8000; // kSmall

sundrel::Suggestion WithAlternatives(double seconds, std::initializer_list<double> others) {
    sundrel::Suggestion s;
    s.frame = static_cast<std::int64_t>(seconds * kRate);
    s.confidence = 0.6;
    for (const double other : others) {
        s.alternatives.push_back({static_cast<std::int64_t>(other * kRate), 0.2});
    }
    return s;
}

bool Flagged(const CTrackTable* table, int row) {
    const QTableWidgetItem* cell = table->item(row, CTrackTable::kLength);
    return cell != nullptr && cell->data(kImplausibleLengthRole).toBool();
}

} // namespace

class AlternativesWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }

    void oCyclesTheCurrentSuggestionThroughItsPlaces() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.Load(300.0, kSmall));
        sundrel::MixSession& session = w.dlg.Session();
        session.SetSuggestions(
            {WithAlternatives(100.0, {110.0, 90.0}), WithAlternatives(200.0, {})});
        QAction* other = w.dlg.Command(ids::kCmdOtherPlace);
        QVERIFY(other != nullptr);
        QCOMPARE(other->shortcut(), QKeySequence(Qt::Key_O));
        QVERIFY(!other->isEnabled()); // no suggestion is being looked at yet

        // N steps to the first suggestion; O moves it to its best alternative and previews it.
        w.dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.dlg));
        session.SetPosition(0.0f);
        QTest::keyClick(&w.dlg, Qt::Key_N);
        QCOMPARE(session.CurrentSuggestion(), std::optional<std::size_t>(0));
        QVERIFY(other->isEnabled());
        QTest::keyClick(&w.dlg, Qt::Key_O);
        QCOMPARE(session.Suggestions()[0].frame, 110 * kRate);
        QCOMPARE(session.CurrentSuggestion(), std::optional<std::size_t>(0));
        QVERIFY(std::abs(session.Position() - 110.0) < 1e-3);
        QVERIFY(w.dlg.IsPlayingRange());
        const sundrel::TimeWindow shown = session.View();
        QVERIFY(std::abs((shown.from + shown.to) / 2 - 110.0) < 1e-3);
        // (The order of the places and the way back: AlternativesTest, MixSessionImportTest.)
        QCOMPARE(session.Markers().Count(), std::size_t{1}); // still only suggestions

        // A suggestion without alternatives: the command is off and the key changes nothing.
        QTest::keyClick(&w.dlg, Qt::Key_N);
        QCOMPARE(session.CurrentSuggestion(), std::optional<std::size_t>(1));
        QVERIFY(!other->isEnabled());
        QTest::keyClick(&w.dlg, Qt::Key_O);
        QCOMPARE(session.Suggestions()[1].frame, 200 * kRate);

        // Enter accepts the suggestion where it now is (its next place, 90 s).
        session.SetCurrentSuggestion(0);
        QVERIFY(other->isEnabled());
        QTest::keyClick(&w.dlg, Qt::Key_O);
        QTest::keyClick(&w.dlg, Qt::Key_Return);
        QCOMPARE(session.Markers().Count(), std::size_t{2});
        QCOMPARE(session.Markers().At(1)->frame, 90 * kRate);
    }

    void theTableFlagsTracksOfImplausibleLength() {
        Window w;
        QVERIFY(w.Load(300.0, kSmall));
        sundrel::MixSession& session = w.dlg.Session();
        CTrackTable* table = w.dlg.TrackTable();
        // One track: nothing to compare with.
        QCOMPARE(table->rowCount(), 1);
        QVERIFY(!Flagged(table, 0));
        // 0-100, 100-120, 120-300: the mean is 100 s; 20 s is under a third of it.
        session.AddAtFrame(100 * kRate);
        session.AddAtFrame(120 * kRate);
        QCOMPARE(table->rowCount(), 3);
        QVERIFY(!Flagged(table, 0));
        QVERIFY(Flagged(table, 1));
        QVERIFY(!Flagged(table, 2));
        const QTableWidgetItem* cell = table->item(1, CTrackTable::kLength);
        QVERIFY2(cell->toolTip().contains(QStringLiteral("third")), qPrintable(cell->toolTip()));
        QVERIFY(cell->font().bold());
        QVERIFY(!table->item(0, CTrackTable::kLength)->font().bold());
        QVERIFY(table->item(0, CTrackTable::kLength)->toolTip().isEmpty());
        // Back to one track, then ten: 0-120 and nine of 20 s. The mean is 30 s; 120 s is over
        // three times it, 20 s is not under a third.
        QVERIFY(session.Undo());
        QVERIFY(session.Undo());
        QCOMPARE(table->rowCount(), 1);
        QVERIFY(!Flagged(table, 0));
        for (int s = 120; s <= 280; s += 20) {
            session.AddAtFrame(s * kRate);
        }
        QCOMPARE(table->rowCount(), 10);
        QVERIFY(Flagged(table, 0));
        QVERIFY2(table->item(0, CTrackTable::kLength)->toolTip().contains(QStringLiteral("three")),
                 qPrintable(table->item(0, CTrackTable::kLength)->toolTip()));
        QVERIFY(!Flagged(table, 1)); // (which lengths are implausible: AlternativesTest)
    }
};

QTEST_MAIN(AlternativesWindowTest)
#include "AlternativesWindowTest.moc"
