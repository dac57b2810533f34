// Split and the project files as the main window runs them: tracks that tile the mix, a
// split that fails, Save As and Open with their file layout, and Opens that must change
// nothing.

#include "gui/app/BitmapButton.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/Window.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTimer>

namespace ids = sundrel::gui::ids;
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

} // namespace

class SplitProjectWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }

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
