// Split and the project files as the main window runs them: the Split dialog says what it
// will write and takes the keyboard in order, a new folder is made (one that cannot be is
// reported before anything is written), the result is said in the status line with a button
// to open the folder; tracks that tile the mix, a split that fails, Save As and Open with
// their file layout, and Opens that must change nothing. Also the keys that judge a boundary
// and move a marker.

#include "gui/app/BitmapButton.h"
#include "gui/app/SplitChoicesDlg.h"
#include "gui/view/TrackTable.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/Window.h"

#include "core/time/TimeCode.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTimer>
#include <cmath>

namespace ids = sundrel::gui::ids;
using sundrel::gui::SplitChoice;
using sundrel::test::Entries;
using sundrel::test::ScriptedPrompt;
using sundrel::test::Window;

using namespace sundrel::test;

namespace {

// What an Open that fails must leave exactly as it was.
struct Snapshot {
    std::vector<float> markers;
    QStringList entries;
    int selected;
    std::shared_ptr<CWaveFile> wave;
    CWaveViewCtrl* view;
    std::filesystem::path wavePath;
    double from, to, position;
    bool split, anp;
    explicit Snapshot(const CSundrelDlg& d)
        : markers(Percents(d)), entries(Entries(MarkerBox(d))),
          selected(MarkerBox(d)->currentIndex()), wave(d.Session().Wave()), view(d.WaveView()),
          wavePath(d.Session().WavePath()), from(d.Session().View().from),
          to(d.Session().View().to), position(d.Session().Position()),
          split(Button(d, ids::kSplit)->isEnabled()), anp(Button(d, ids::kAnp)->isEnabled()) {}
    bool operator==(const Snapshot&) const = default;
};

QPushButton* OpenFolder(const Window& w) {
    return w.dlg.findChild<QPushButton*>(QStringLiteral("openFolder"));
}

} // namespace

class SplitProjectWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }

    void theDialogSaysWhatItWritesAndTabsInOrder() {
        const SplitChoice offered{QStringLiteral("/no/such/folder"), QString(),
                                  sundrel::TrackFormat::Flac};
        sundrel::gui::CSplitChoicesDlg dialog(offered, QStringLiteral("1 track: the whole mix"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.Choice(), offered);
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
        // What it returns: the fields as typed (the pattern trimmed) and the format chosen.
        dialog.TemplateField()->setText(QStringLiteral(" {n}-{artist} "));
        dialog.FormatBox()->setCurrentIndex(0);
        QCOMPARE(dialog.Choice(), (SplitChoice{QDir::tempPath(), QStringLiteral("{n}-{artist}"),
                                               sundrel::TrackFormat::Wav}));
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

    void splitWritesTracksThatTileTheMix() {
        Window w;
        QVERIFY(w.Load(10.0));
        w.AddAt(7.0f);
        w.AddAt(2.5f);
        fixture::WriteFile(w.dir / "track02.wav", fixture::Bytes(7)); // replaced
        w.prompt.messages.clear();

        Button(w.dlg, ids::kSplit)->click();
        // The mix's folder is offered, the one track file there is replaced after asking, and
        // the end says where the tracks went.
        QCOMPARE(w.prompt.offeredFolders.size(), 1);
        QCOMPARE(std::filesystem::path(w.prompt.offeredFolders[0].toStdString()), w.dir.Path());
        QCOMPARE(w.prompt.questions.size(), 1);
        QVERIFY(w.prompt.questions[0].text.startsWith(QStringLiteral("1 track file in")));
        QVERIFY(w.prompt.questions[0].text.contains(QStringLiteral("track02.wav")));
        // Said in the status line, not in a box to dismiss.
        QVERIFY(w.prompt.messages.isEmpty());
        QVERIFY(StatusText(w.dlg).startsWith(QStringLiteral("Wrote 3 tracks")));
        QCOMPARE(Label(w.dlg, ids::kSplitStatus)->text(), QStringLiteral("Finished Split"));
        // The window cut at its markers (25 % and 70 %, as PlanTracks aligns them); the core
        // tests check the bytes of the tracks.
        std::vector<std::uintmax_t> sizes;
        for (const char* name : {"track01.wav", "track02.wav", "track03.wav"}) {
            sizes.push_back(std::filesystem::file_size(w.dir / name) - 44);
        }
        QVERIFY(!std::filesystem::exists(w.dir / "track04.wav"));
        QCOMPARE(sizes, (std::vector<std::uintmax_t>{440996, 793800, 529204}));
    }

    void aFailedSplitIsReportedAndNeverFinished() {
        Window w;
        w.dlg.OnOK(); // no mix yet
        QCOMPARE(w.prompt.LastText(), QStringLiteral("Please load a wave file"));
        QCOMPARE(Label(w.dlg, ids::kSplitStatus)->text(), QString());

        QVERIFY(w.Load(4.0));
        w.AddAt(2.0f);
        Button(w.dlg, ids::kSplit)->click();
        QCOMPARE(Label(w.dlg, ids::kSplitStatus)->text(), QStringLiteral("Finished Split"));

        // A folder (not empty) stands where the first track goes: it cannot be written.
        std::filesystem::create_directories(w.dir / "busy" / "track01.wav" / "inside");
        w.prompt.folders.enqueue(QString::fromStdString((w.dir / "busy").string()));
        w.prompt.messages.clear();
        Button(w.dlg, ids::kSplit)->click();
        QCOMPARE(w.prompt.messages.size(), 1);
        QCOMPARE(w.prompt.messages[0].caption, QStringLiteral("Split"));
        QVERIFY2(w.prompt.LastText().contains(QStringLiteral("track01.wav")),
                 qPrintable(w.prompt.LastText()));
        QVERIFY(std::filesystem::is_directory(w.dir / "busy" / "track01.wav" / "inside"));
        QCOMPARE(Label(w.dlg, ids::kSplitStatus)->text(), QStringLiteral("Split failed"));
    }

    // Cancel in the split's progress stops it: no track of it is left, the files it would have
    // replaced stay as they were, and the window says so and works on.
    void cancelledSplitLeavesEverythingAsItWas() {
        Window w;
        QVERIFY(w.Load(240.0)); // FLAC of four minutes: longer than the first check of Cancel
        for (const float at : {60.0f, 120.0f, 180.0f}) {
            w.AddAt(at);
        }
        const fixture::Bytes old(9, std::byte{3});
        fixture::WriteFile(w.dir / "track02.flac", old);
        w.prompt.splitChoices.enqueue({QString(), QString(), sundrel::TrackFormat::Flac});
        w.prompt.messages.clear();
        QTimer::singleShot(0, &w.dlg, [&] {
            auto* progress = w.dlg.findChild<QProgressDialog*>(QStringLiteral("splitProgress"));
            QVERIFY(progress != nullptr);
            // As a click on its Cancel button does.
            QMetaObject::invokeMethod(progress, &QProgressDialog::canceled);
        });
        w.dlg.OnOK();
        // The FLAC track there was asked about (and replacing it answered) before the split.
        QCOMPARE(w.prompt.questions.size(), 1);
        QVERIFY(w.prompt.questions[0].text.contains(QStringLiteral("track02.flac")));
        QCOMPARE(Label(w.dlg, ids::kSplitStatus)->text(), QStringLiteral("Split cancelled"));
        QVERIFY(w.prompt.messages.isEmpty());
        QCOMPARE(fixture::ReadFile(w.dir / "track02.flac"), old);
        for (const char* name : {"track01.flac", "track03.flac", "track04.flac"}) {
            QVERIFY2(!std::filesystem::exists(w.dir / name), name);
        }
        QVERIFY(w.dlg.isEnabled());
        QVERIFY(w.dlg.findChild<QProgressDialog*>(QStringLiteral("splitProgress")) == nullptr);
    }

    void saveAsAndOpenRoundTrip() {
        Window saved;
        const auto mix = saved.Mix(10.0);
        QVERIFY(saved.dlg.LoadWaveFile(mix));
        saved.RunWith(ids::kCmdSaveAs, saved.dir / "one.sdr");
        saved.AddAt(2.55f);
        saved.AddAt(6.0f);
        saved.RunWith(ids::kCmdSaveAs, saved.dir / "three.sdr");
        saved.RunWith(ids::kCmdSaveAs, saved.dir / "no" / "such.sdr");
        QCOMPARE(saved.prompt.filters[0], QStringLiteral("Sundrel (*.sdr)"));
        QCOMPARE(saved.prompt.suffixes[0], QStringLiteral("sdr"));
        QCOMPARE(saved.prompt.messages.last().icon, ScriptedPrompt::Icon::Stop);
        QVERIFY(saved.prompt.LastText().contains(QStringLiteral("such.sdr")));
        QVERIFY(fixture::ReadFile(saved.dir / "one.sdr") == ProjectBytes(mix, {0.0f}));
        QVERIFY(fixture::ReadFile(saved.dir / "three.sdr") ==
                ProjectBytes(mix, {0.0f, 25.5f, 60.0f}));

        // Opened in a fresh window: the mix, the view of its first two seconds, the markers;
        // one marker leaves Split off.
        Window w;
        CSundrelDlg& dlg = w.dlg;
        w.RunWith(ids::kCmdOpen, saved.dir / "one.sdr");
        QCOMPARE(Entries(MarkerBox(dlg)), QStringList{"List Marker--"});
        QCOMPARE(w.Enabled({ids::kSplit, ids::kPlay}), QStringLiteral("01"));
        dlg.Session().SetPosition(5.0f);
        w.RunWith(ids::kCmdOpen, saved.dir / "three.sdr");
        QVERIFY(w.prompt.messages.isEmpty());
        QCOMPARE(dlg.Session().Wave()->m_strPath, mix);
        QCOMPARE(Percents(dlg), (std::vector<float>{0.0f, 25.5f, 60.0f}));
        QCOMPARE(Entries(MarkerBox(dlg)), (QStringList{"List Marker--", "Marker 1", "Marker 2"}));
        QCOMPARE(w.Enabled({ids::kSplit, ids::kPlay, ids::kAddMarker, ids::kAnp}),
                 QStringLiteral("1110"));
        QCOMPARE(std::filesystem::current_path(), std::filesystem::canonical(saved.dir.Path()));
        QCOMPARE(dlg.Session().View().to, 2.0f);
        // trunc(2 / 10 * 1764044) = 352808, halved for 16-bit elements.
        QCOMPARE(dlg.WaveView()->m_nLastSample, std::int64_t{176404});
        QCOMPARE(dlg.Session().Position(), 5.0f); // position and trackbar are left alone
        QCOMPARE(Slider(dlg)->value(), 0);

        // Opening while playing ends the playback of the mix being replaced first.
        dlg.OnPlay();
        QVERIFY(dlg.Session().IsPlaying());
        w.RunWith(ids::kCmdOpen, saved.dir / "three.sdr");
        QVERIFY(!dlg.Session().IsPlayerActive());
        QVERIFY(Button(dlg, ids::kPlay)->isEnabled());
    }

    // A folder and a mix whose names are not UTF-8 (Latin-1 'é'): a file dialog gives them
    // as Qt decodes them, with the byte lost; loading, Save As, Open and Split still reach the
    // files by their bytes, whether the mix came from the dialog or the command line.
    void namesThatAreNotUtf8() {
        for (const bool fromDialog : {true, false}) {
            Window w;
            const std::filesystem::path folder = w.dir / "d\xe9";
            std::filesystem::create_directory(folder);
            const auto mix = WriteMix(folder / "mix\xe9.wav", 4.0);
            const auto shown = [](const std::filesystem::path& p) {
                return QFile::decodeName(p.c_str());
            };
            if (fromDialog) {
                w.prompt.files.enqueue(shown(mix));
                w.dlg.Command(ids::kCmdLoadWave)->trigger();
            } else {
                QVERIFY(w.dlg.LoadWaveFile(mix));
            }
            QVERIFY2(w.prompt.messages.isEmpty(), qPrintable(w.prompt.LastText()));
            QCOMPARE(w.dlg.Session().WavePath(), mix);
            w.AddAt(2.0f);
            w.prompt.messages.clear();
            // Saved over a project picked in the dialog; a new name is typed, so it is UTF-8.
            fixture::WriteFile(folder / "set\xe9.sdr", fixture::Bytes(3));
            w.prompt.files.enqueue(shown(folder / "set\xe9.sdr"));
            w.dlg.Command(ids::kCmdSaveAs)->trigger();
            QVERIFY2(w.prompt.messages.isEmpty(), qPrintable(w.prompt.LastText()));
            QVERIFY(fixture::ReadFile(folder / "set\xe9.sdr") == ProjectBytes(mix, {0.0f, 50.0f}));

            Button(w.dlg, ids::kSplit)->click(); // into the folder offered, the mix's
            const QString status = StatusText(w.dlg);
            QVERIFY2(status.startsWith(QStringLiteral("Wrote 2 tracks")), qPrintable(status));
            QVERIFY(std::filesystem::exists(folder / "track02.wav"));

            Window opened;
            opened.prompt.files.enqueue(shown(folder / "set\xe9.sdr"));
            opened.dlg.Command(ids::kCmdOpen)->trigger();
            QVERIFY2(opened.prompt.messages.isEmpty(), qPrintable(opened.prompt.LastText()));
            QCOMPARE(opened.dlg.Session().WavePath(), mix);
            QCOMPARE(Percents(opened.dlg), (std::vector<float>{0.0f, 50.0f}));
        }
    }

    void aFailedOpenChangesNothing() {
        Window w;
        const auto mix = w.Mix(10.0);
        const fixture::Bytes good = ProjectBytes(mix, {0.0f, 30.0f, 40.0f});
        fixture::Bytes future = good;
        future[5] = std::byte{3}; // version
        const struct {
            const char* name;
            fixture::Bytes bytes;
            const char* text;
            const char* caption;
        } cases[] = {
            {"moved.sdr", ProjectBytes(w.dir / "moved.wav", {0.0f, 30.0f}),
             "Wave file doesn't exist", "error"},
            // Every damaged file takes this way (which are damaged: ProjectFileTest).
            {"future.sdr", future, "future.sdr", "Sundrel"},
        };
        QVERIFY(w.dlg.LoadWaveFile(mix));
        w.AddAt(5.0f);
        w.dlg.Session().SetPosition(3.0f);
        w.prompt.messages.clear();
        const Snapshot before(w.dlg);

        w.dlg.Command(ids::kCmdOpen)->trigger(); // cancelled
        QVERIFY(Snapshot(w.dlg) == before);
        for (const auto& c : cases) {
            fixture::WriteFile(w.dir / c.name, c.bytes);
            w.Pick(w.dir / c.name);
            w.prompt.choices.enqueue(1); // discard the unsaved marker
            w.dlg.Command(ids::kCmdOpen)->trigger();
            QCOMPARE(w.prompt.messages.size(), 1);
            QVERIFY2(w.prompt.LastText().contains(QString::fromLatin1(c.text)),
                     qPrintable(w.prompt.LastText()));
            QCOMPARE(w.prompt.messages[0].caption, QString::fromLatin1(c.caption));
            w.prompt.messages.clear();
            QVERIFY2(Snapshot(w.dlg) == before, c.name);
        }
    }

    void versionOneReplacesOnlyTheMarkers() {
        Window w;
        const auto v1 = w.dir / "old.sdr";
        fixture::WriteFile(v1, ProjectBytes("", {0.0f, 10.0f, 20.0f}));
        // With a mix, its view stays (which markers, on which mix: MixSessionTest).
        QVERIFY(w.Load(10.0));
        w.AddAt(5.0f);
        CWaveViewCtrl* view = w.dlg.WaveView();
        w.prompt.messages.clear();
        w.Pick(v1);
        w.prompt.choices.enqueue(1); // discard the unsaved marker
        w.dlg.Command(ids::kCmdOpen)->trigger();
        QVERIFY(w.prompt.messages.isEmpty());
        QCOMPARE(MarkerBox(w.dlg)->count(), 3);
        QCOMPARE(MarkerBox(w.dlg)->itemText(0), QStringLiteral("List Marker--"));
        QCOMPARE(w.dlg.WaveView(), view);
    }

    void openingAShortMixWarnsAndShowsABlankView() {
        Window w;
        fixture::WriteFile(w.dir / "short.sdr", ProjectBytes(w.Mix(1.5), {0.0f}));
        w.RunWith(ids::kCmdOpen, w.dir / "short.sdr");
        QCOMPARE(w.prompt.messages.size(), 1);
        QCOMPARE(w.prompt.LastText(),
                 QStringLiteral("The period of time view chosen is not valid"));
        QVERIFY(w.dlg.Session().IsLoaded());
        QVERIFY(!w.dlg.WaveView()->m_bMapped);
    }
};

QTEST_MAIN(SplitProjectWindowTest)
#include "SplitProjectWindowTest.moc"
