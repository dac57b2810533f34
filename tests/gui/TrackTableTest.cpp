// The track table under the controls and the split's choices: rows in time order with their
// names, names edited in place as undoable renames, rows and markers selecting each other,
// keys typed into the table's editor kept from the window's shortcuts, and the split dialog's
// choices remembered and passed on to the split.

#include "gui/view/TrackTable.h"
#include "gui/app/SplitChoicesDlg.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/TrackAnalyser.h"
#include "support/Window.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSettings>

namespace ids = sundrel::gui::ids;
using namespace sundrel::test;
using sundrel::TrackFormat;
using sundrel::gui::SplitChoice;

namespace {

// A row as "number|marker|start|length|artist|title" (the columns shown).
QString Row(const CTrackTable* table, int row) {
    QStringList cells;
    for (int column = 0; column < CTrackTable::kColumns; ++column) {
        if (table->isColumnHidden(column)) {
            continue;
        }
        const QTableWidgetItem* cell = table->item(row, column);
        cells << (cell != nullptr ? cell->text() : QStringLiteral("<none>"));
    }
    return cells.join(QLatin1Char('|'));
}

QStringList Rows(const CTrackTable* table) {
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        rows << Row(table, row);
    }
    return rows;
}

// 60 s at 8000 Hz with markers added out of time order: at 40 s (named), 10 s and 25.5 s.
void LoadNamedMix(Window& w) {
    QVERIFY(w.Load(60.0, kSmall));
    sundrel::MixSession& session = w.dlg.Session();
    session.AddAtFrame(40 * 8000, "Closer", "Artist C");
    session.AddAtFrame(10 * 8000);
    session.AddAtFrame(25 * 8000 + 4000, "Middle", "");
}

// Opens the editor of `row`'s `column` by F2, as a user does, and returns it.
QLineEdit* OpenEditor(CTrackTable* table, int row, int column) {
    table->setFocus();
    table->setCurrentCell(row, column);
    QTest::keyClick(table, Qt::Key_F2);
    return table->findChild<QLineEdit*>();
}

} // namespace

class TrackTableTest : public QObject {
    Q_OBJECT
  private slots:
    // Every test starts from the default settings (the program's are in a temporary folder).
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }
    void rowsAreTheTracksInTimeOrder() {
        Window w;
        CTrackTable* table = w.dlg.TrackTable();
        QCOMPARE(table->rowCount(), 0); // no mix
        LoadNamedMix(w);
        QCOMPARE(Rows(table), (QStringList{
                                  "1|start|0:00:00.000|0:00:10.000||",
                                  "2|Marker 2|0:00:10.000|0:00:15.500||",
                                  "3|Marker 3|0:00:25.500|0:00:14.500||Middle",
                                  "4|Marker 1|0:00:40.000|0:00:20.000|Artist C|Closer",
                              }));
        // Rows stand for the markers by time, not by their place in the list.
        QCOMPARE(table->MarkerOfRow(1), std::optional<std::size_t>(2));
        QCOMPARE(table->MarkerOfRow(3), std::optional<std::size_t>(1));
        // A marker moved past another moves its row; a removed one goes.
        w.dlg.Session().Move(2, 50 * 8000);
        QCOMPARE(Row(table, 3), QStringLiteral("4|Marker 2|0:00:50.000|0:00:10.000||"));
        QCOMPARE(Row(table, 2),
                 QStringLiteral("3|Marker 1|0:00:40.000|0:00:10.000|Artist C|Closer"));
        w.dlg.Session().Remove(1);
        QCOMPARE(table->rowCount(), 3);
        // The entries keep their names, in the list as in the table.
        QCOMPARE(Row(table, 2), QStringLiteral("3|Marker 2|0:00:50.000|0:00:10.000||"));
        // Only artist and title can be edited.
        for (int column = 0; column < CTrackTable::kColumns; ++column) {
            const bool editable = (table->item(0, column)->flags() & Qt::ItemIsEditable) != 0;
            QCOMPARE(editable, column == CTrackTable::kArtist || column == CTrackTable::kTitle);
        }
    }

    // A recording program's sheet: the rows keep its TRACK numbers, and the File column shows
    // the file each track was played from (its name; the path as written in the tool tip).
    void aSheetsNumbersAndFilesShowInTheTable() {
        Window w;
        QVERIFY(w.Load(60.0, kSmall));
        sundrel::MixSession& session = w.dlg.Session();
        CTrackTable* table = w.dlg.TrackTable();
        QVERIFY(table->isColumnHidden(CTrackTable::kFile));
        sundrel::MarkerSet sheet;
        sheet.leadInIsPregap = true;
        sheet.tracks = {{sundrel::ExactTime{1, 1}, "Cafe Del Mar", "Energy 52",
                         "C:\\Music\\Energy 52 - Cafe Del Mar.mp3", 3},
                        {sundrel::ExactTime{20, 1}, "No file", "", "", 4},
                        {sundrel::ExactTime{40, 1}, "Last", "", "/music/Last.flac", 6}};
        QVERIFY(session.Import(sheet));
        QVERIFY(!table->isColumnHidden(CTrackTable::kFile));
        QCOMPARE(Column(w.dlg, CTrackTable::kNumber), (QStringList{"3", "4", "6"}));
        QCOMPARE(Column(w.dlg, CTrackTable::kFile),
                 (QStringList{"Energy 52 - Cafe Del Mar.mp3", "", "Last.flac"}));
        QCOMPARE(table->item(0, CTrackTable::kFile)->toolTip(),
                 QStringLiteral("C:\\Music\\Energy 52 - Cafe Del Mar.mp3"));
        // The overview's labels carry the same numbers.
        const std::vector<sundrel::gui::ViewMarker>& drawn = w.dlg.Overview()->Markers();
        QCOMPARE(drawn.size(), std::size_t{2});
        QCOMPARE(drawn[0].label, QStringLiteral("4 No file"));
        QCOMPARE(drawn[1].label, QStringLiteral("6 Last"));
        // (The numbers of markers added after a sheet: TrackNumbersTest.) Undone to before the
        // sheet: no files, numbers from 1, the column hidden again.
        while (session.CanUndo()) {
            session.Undo();
        }
        QVERIFY(table->isColumnHidden(CTrackTable::kFile));
        QCOMPARE(table->item(0, CTrackTable::kNumber)->text(), QStringLiteral("1"));
    }

    // The tracks' loudness (and tempo and key, where a track has them) appear once the
    // analysis on its worker is done; a moved boundary analyses only the two tracks beside it.
    void analysisColumnsFollowTheBoundaries() {
        Window w;
        LoadNamedMix(w);
        CTrackTable* table = w.dlg.TrackTable();
        const auto filled = [table] {
            for (int row = 0; row < table->rowCount(); ++row) {
                const QTableWidgetItem* cell = table->item(row, CTrackTable::kLoudness);
                if (cell == nullptr || cell->text().isEmpty()) {
                    return false;
                }
            }
            return table->rowCount() > 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(filled(), 20000);
        QCOMPARE(table->horizontalHeaderItem(CTrackTable::kBpm)->text(), QStringLiteral("BPM"));
        const QString last = table->item(3, CTrackTable::kLoudness)->text();
        QVERIFY(last.startsWith(QLatin1Char('-')) || last == QStringLiteral("-"));
        // Marker 2 (10 s) moves to 12 s: tracks 1 and 2 change, tracks 3 and 4 keep their
        // analyses (shown at once, not analysed again).
        w.dlg.Session().Move(2, 12 * 8000);
        QCOMPARE(table->item(3, CTrackTable::kLoudness)->text(), last);
        QVERIFY(table->item(0, CTrackTable::kLoudness)->text().isEmpty());
        QVERIFY(table->Analyser().Busy());
        QTRY_VERIFY_WITH_TIMEOUT(filled(), 20000);
    }

    void editingANameRenamesWithOneUndoStep() {
        Window w;
        QVERIFY(w.Shown());
        LoadNamedMix(w);
        CTrackTable* table = w.dlg.TrackTable();
        // Track 2 is marker 2 (10 s): type a title and commit it with Enter.
        QLineEdit* editor = OpenEditor(table, 1, CTrackTable::kTitle);
        QVERIFY(editor != nullptr);
        QVERIFY(w.prompt.editedValues.isEmpty()); // F2 edits here, not Edit > Rename's dialog
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("  Opening Song "));
        QTest::keyClick(editor, Qt::Key_Return); // commits once the event loop runs
        QTRY_VERIFY(!editor->isVisible());
        QCOMPARE(w.dlg.Session().Markers().At(2)->title, std::string("Opening Song"));
        QCOMPARE(Row(table, 1), QStringLiteral("2|Marker 2|0:00:10.000|0:00:15.500||Opening Song"));
        // The same names again record nothing: one Undo brings the old title back.
        table->item(1, CTrackTable::kTitle)->setText(QStringLiteral("Opening Song "));
        QCOMPARE(table->item(1, CTrackTable::kTitle)->text(), QStringLiteral("Opening Song"));
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(w.dlg.Session().Markers().At(2)->title, std::string());
        QCOMPARE(Row(table, 1), QStringLiteral("2|Marker 2|0:00:10.000|0:00:15.500||"));
        w.dlg.Command(ids::kCmdRedo)->trigger();
        QCOMPARE(Row(table, 1), QStringLiteral("2|Marker 2|0:00:10.000|0:00:15.500||Opening Song"));
        // The first track's names belong to the start marker.
        table->item(0, CTrackTable::kArtist)->setText(QStringLiteral("DJ"));
        QCOMPARE(w.dlg.Session().Markers().At(0)->artist, std::string("DJ"));
        QCOMPARE(w.dlg.Session().Markers().At(0)->frame, std::int64_t{0});
        w.dlg.Command(ids::kCmdUndo)->trigger();
        QCOMPARE(Row(table, 0), QStringLiteral("1|start|0:00:00.000|0:00:10.000||"));
    }

    void rowsAndMarkersSelectEachOther() {
        Window w;
        QVERIFY(w.Shown());
        LoadNamedMix(w);
        CTrackTable* table = w.dlg.TrackTable();
        // The marker added last (25.5 s, marker 3) is selected, and so is its row.
        QCOMPARE(table->currentRow(), 2);
        // Choosing row 2 (10 s, marker 2) does what choosing it in the marker list does.
        table->selectRow(1);
        QCOMPARE(w.dlg.Session().Selected(), std::size_t{2});
        QCOMPARE(MarkerBox(w.dlg)->currentIndex(), 2);
        QCOMPARE(w.dlg.Session().Position(), 10.0);
        QCOMPARE(Label(w.dlg, ids::kPosition)->text(), QStringLiteral("0:00:10.000"));
        // The table shows the boundary with about a minute around it (the whole 60 s here).
        QCOMPARE(w.View(), QStringLiteral("0 60"));
        // Row 1 is the start, as the header entry.
        table->selectRow(0);
        QCOMPARE(w.dlg.Session().Selected(), std::size_t{0});
        QCOMPARE(w.dlg.Session().Position(), 0.0);
        // The marker list's choice selects the row; so does a key stepping to a marker.
        w.Choose(1);
        QCOMPARE(table->currentRow(), 3);
        w.dlg.Session().SetPosition(12.0);
        w.dlg.Command(ids::kCmdNextMarker)->trigger();
        QCOMPARE(w.dlg.Session().Selected(), std::size_t{3});
        QCOMPARE(table->currentRow(), 2);
        QCOMPARE(table->selectedItems().front()->row(), 2);
        // A marker added with M is selected, and so is its row (the step's preview ended).
        w.dlg.StopPlayback();
        w.dlg.Session().SetPosition(5.0);
        w.dlg.Command(ids::kCmdAddMarkerHere)->trigger();
        QCOMPARE(w.dlg.Session().Selected(), std::size_t{4});
        QCOMPARE(table->currentRow(), 1);
        QCOMPARE(Row(table, 1), QStringLiteral("2|Marker 4|0:00:05.000|0:00:05.000||"));
    }

    void keysTypedInTheEditorStayInIt() {
        Window w;
        QVERIFY(w.Shown());
        LoadNamedMix(w);
        CTrackTable* table = w.dlg.TrackTable();
        const std::size_t markers = w.dlg.Session().Markers().Count();
        // Row 4 is marker 1 at 40 s: choosing it put the position there.
        QLineEdit* editor = OpenEditor(table, 3, CTrackTable::kArtist);
        QVERIFY(editor != nullptr);
        QCOMPARE(w.dlg.Session().Position(), 40.0);
        const sundrel::TimeWindow shown = w.dlg.Session().View();
        QTRY_VERIFY(editor->hasFocus());
        editor->selectAll();
        // Every one of these is a window key outside a text field.
        QTest::keyClicks(editor, QStringLiteral("Mm P [x] N"));
        QTest::keyClick(editor, Qt::Key_Left);
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClick(editor, Qt::Key_Plus);
        QCOMPARE(editor->text(), QStringLiteral("m P [x] N+"));
        QCOMPARE(w.dlg.Session().Markers().Count(), markers); // no marker added
        QVERIFY(!w.dlg.Session().IsPlaying());                // no play, no preview
        QCOMPARE(w.dlg.Session().Position(), 40.0);           // no nudge, no Home or End
        QCOMPARE(w.dlg.Session().Selected(), std::size_t{1}); // the row's marker, kept
        QVERIFY(w.dlg.Session().View() == shown);             // no zoom
        QTest::keyClick(editor, Qt::Key_Return);              // commits once the event loop runs
        QTRY_COMPARE(w.dlg.Session().Markers().At(1)->artist, std::string("m P [x] N+"));
        QCOMPARE(w.dlg.Session().Markers().Count(), markers);
        // Escape leaves the editor without a change and keeps the window open.
        editor = OpenEditor(table, 3, CTrackTable::kTitle);
        QVERIFY(editor != nullptr);
        QTest::keyClicks(editor, QStringLiteral(" M"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_VERIFY(!editor->isVisible());
        QCOMPARE(w.dlg.Session().Markers().At(1)->title, std::string("Closer"));
        QVERIFY(w.dlg.isVisible());
        // Outside the editor the table leaves the keys to the window: M adds a marker.
        QTRY_VERIFY(table->hasFocus());
        QTest::keyClick(table, Qt::Key_M);
        QCOMPARE(w.dlg.Session().Markers().Count(), markers + 1);
    }

    void theSplitChoiceIsRememberedAndPassedOn() {
        Window w;
        LoadNamedMix(w);
        w.dlg.Session().Rename(0, "Intro", "DJ One");
        // A fresh start offers the mix's folder and WAV.
        const std::filesystem::path out = w.dir / "out";
        std::filesystem::create_directory(out);
        w.prompt.folders.enqueue(QString::fromStdString(out.string()));
        w.prompt.splitChoices.enqueue(
            {QString(), QStringLiteral("{nn} {title}"), TrackFormat::Flac});
        w.dlg.OnOK();
        QCOMPARE(w.prompt.offeredSplits.size(), 1);
        // The tracks have names and no pattern was ever chosen: the named pattern is offered.
        QCOMPARE(w.prompt.offeredSplits[0],
                 (SplitChoice{QString::fromStdString(w.dir.Path().string()),
                              sundrel::gui::kNamedTracksTemplate, TrackFormat::Wav}));
        QCOMPARE(w.prompt.splitSummaries[0], QStringLiteral("4 tracks"));
        QCOMPARE(Label(w.dlg, ids::kSplitStatus)->text(), QStringLiteral("Finished Split"));
        // The split got the format and the names of the chosen pattern (each track's tags:
        // SplitNamingTest).
        QVERIFY(w.dlg.LastSplitOptions().has_value());
        const sundrel::SplitOptions& options = *w.dlg.LastSplitOptions();
        QVERIFY(options.format == TrackFormat::Flac);
        QCOMPARE(options.names, (std::vector<std::string>{"01 Intro.flac", "02.flac",
                                                          "03 Middle.flac", "04 Closer.flac"}));
        QCOMPARE(options.tags.size(), std::size_t{4});

        // The next split of the same mix offers the last choice, the folder included.
        w.prompt.folders.enqueue(std::nullopt); // then cancels
        w.dlg.OnOK();
        QCOMPARE(w.prompt.offeredSplits.size(), 2);
        QCOMPARE(w.prompt.offeredSplits[1],
                 (SplitChoice{QString::fromStdString(out.string()), QStringLiteral("{nn} {title}"),
                              TrackFormat::Flac}));
        // So does a new window (the settings outlive it); another mix gets its own folder.
        CSundrelDlg again(w.prompt);
        QVERIFY(again.LoadWaveFile(w.dir / "mix.wav"));
        w.prompt.folders.enqueue(std::nullopt);
        again.OnOK();
        QCOMPARE(w.prompt.offeredSplits.last().folder, QString::fromStdString(out.string()));
        QVERIFY(w.prompt.offeredSplits.last().format == TrackFormat::Flac);
        const std::filesystem::path other = w.Mix(3.0, kSmall, "other.wav");
        QVERIFY(again.LoadWaveFile(other));
        w.prompt.folders.enqueue(std::nullopt);
        again.OnOK();
        QCOMPARE(w.prompt.offeredSplits.last(),
                 (SplitChoice{QString::fromStdString(w.dir.Path().string()),
                              QStringLiteral("{nn} {title}"), TrackFormat::Flac}));
    }
};

QTEST_MAIN(TrackTableTest)
#include "TrackTableTest.moc"
