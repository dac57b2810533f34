// Split and the project files as the main window runs them: tracks that tile the mix, a
// split that fails, Save As and Open with their file layout, and Opens that must change
// nothing.

#include "gui/app/BitmapButton.h"
#include "gui/app/ControlIds.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/WaveViewCtrl.h"
#include "support/ScriptedPrompt.h"
#include "support/WavFixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <cstring>

namespace ids = sundrel::gui::ids;
using sundrel::test::ScriptedPrompt;

namespace {

const fixture::Format kStereo{1, 2, 44100, 16};

std::filesystem::path WriteMix(const std::filesystem::path& path, double seconds) {
    fixture::WriteFile(
        path,
        fixture::CanonicalWav(kStereo, fixture::TestSignal(kStereo, std::size_t(seconds * 44100))));
    return path;
}

QStringList Entries(const QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i) {
        entries << box->itemText(i);
    }
    return entries;
}

void AddAt(CSundrelDlg& dlg, float seconds) {
    dlg.m_fPosition = seconds;
    dlg.m_btnAddMarker->click();
}

// A project file laid out by hand: magic, version, (version 2) the path field, the count and
// the markers.
fixture::Bytes Project(int version, const std::string& path, const std::vector<float>& markers) {
    fixture::Bytes b;
    fixture::PutId(b, "Sndr");
    b.push_back(std::byte{'l'});
    b.push_back(std::byte(version));
    if (version == 2) {
        fixture::Bytes field(260, std::byte{0});
        std::memcpy(field.data(), path.data(), path.size());
        b.insert(b.end(), field.begin(), field.end());
    }
    b.push_back(std::byte(markers.size()));
    for (float m : markers) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &m, 4);
        fixture::Put32(b, bits);
    }
    return b;
}

// What an Open that fails must leave exactly as it was.
struct Snapshot {
    std::vector<float> markers;
    QStringList entries;
    int selected;
    std::shared_ptr<CWaveFile> wave;
    CWaveViewCtrl* view;
    std::filesystem::path wavePath;
    float from, to, position;
    bool split, anp;
    explicit Snapshot(const CSundrelDlg& d)
        : markers(d.m_markers.Values()), entries(Entries(d.m_cbMarkers)),
          selected(d.m_cbMarkers->currentIndex()), wave(d.m_pWaveFile), view(d.m_pWaveView),
          wavePath(d.m_szWavePath), from(d.m_fViewFrom), to(d.m_fViewTo), position(d.m_fPosition),
          split(d.m_btnSplit->isEnabled()), anp(d.m_btnAnp->isEnabled()) {}
    bool operator==(const Snapshot&) const = default;
};

} // namespace

class SplitProjectWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { m_cwd = std::filesystem::current_path(); }
    void cleanup() { std::filesystem::current_path(m_cwd); }

    void splitWritesTracksThatTileTheMix() {
        fixture::TempDir dir;
        const auto mix = WriteMix(dir / "mix.wav", 10.0);
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(mix));
        AddAt(dlg, 7.0f);
        AddAt(dlg, 2.5f);
        fixture::WriteFile(dir / "track02.wav", fixture::Bytes(7)); // replaced
        prompt.messages.clear();

        dlg.m_btnSplit->click();
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(dlg.m_stSplitStatus->text(), QStringLiteral("Finished Split"));
        QVERIFY(dlg.isEnabled());
        const fixture::Bytes source = fixture::ReadFile(mix);
        fixture::Bytes joined;
        std::vector<std::size_t> sizes;
        for (const char* name : {"track01.wav", "track02.wav", "track03.wav"}) {
            const fixture::Bytes track = fixture::ReadFile(dir / name);
            QVERIFY(track.size() >= 44);
            QCOMPARE(std::memcmp(track.data(), "RIFF", 4), 0);
            QCOMPARE(std::memcmp(track.data() + 20, source.data() + 20, 16), 0); // format
            joined.insert(joined.end(), track.begin() + 44, track.end());
            sizes.push_back(track.size() - 44);
        }
        QVERIFY(!std::filesystem::exists(dir / "track04.wav"));
        QVERIFY(joined == fixture::Bytes(source.begin() + 44, source.end()));
        // Cut at 25 % and 70 % of the 1,764,000 data bytes: trunc(25 * 1764000 * 0.01f) =
        // 440999 aligns down to 440996 and carries 1 into the next span (793799 + 1); the last
        // track takes the rest.
        QCOMPARE(sizes, (std::vector<std::size_t>{440996, 793800, 529204}));
    }

    void aFailedSplitIsReportedAndNeverFinished() {
        fixture::TempDir dir;
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.OnOK(); // no mix yet
        QCOMPARE(prompt.LastText(), QStringLiteral("Please load a wave file"));
        QCOMPARE(dlg.m_stSplitStatus->text(), QString());

        std::filesystem::create_directory(dir / "mix");
        QVERIFY(dlg.LoadWaveFile(WriteMix(dir / "mix" / "mix.wav", 4.0)));
        AddAt(dlg, 2.0f);
        dlg.m_btnSplit->click();
        QCOMPARE(dlg.m_stSplitStatus->text(), QStringLiteral("Finished Split"));

        // The output folder disappears: no track can be created in it.
        std::filesystem::create_directory(dir / "gone");
        std::filesystem::current_path(dir / "gone");
        std::filesystem::remove(dir / "gone");
        prompt.messages.clear();
        dlg.m_btnSplit->click();
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].caption, QStringLiteral("Split"));
        QCOMPARE(prompt.messages[0].icon, ScriptedPrompt::Icon::Stop);
        QVERIFY2(prompt.LastText().contains(QStringLiteral("track01.wav")),
                 qPrintable(prompt.LastText()));
        QVERIFY(prompt.LastText().contains(QStringLiteral("No such file or directory")));
        QCOMPARE(dlg.m_stSplitStatus->text(), QStringLiteral("Split failed"));
        QVERIFY(dlg.isEnabled());
    }

    void saveAsAndOpenRoundTrip() {
        fixture::TempDir dir;
        const auto mix = WriteMix(dir / "mix.wav", 10.0);
        const auto one = dir / "one.sdr";
        const auto three = dir / "three.sdr";
        {
            ScriptedPrompt prompt;
            CSundrelDlg dlg(prompt);
            QVERIFY(dlg.LoadWaveFile(mix));
            prompt.files.enqueue(QString::fromStdString(one.string()));
            dlg.Command(ids::kCmdSaveAs)->trigger();
            AddAt(dlg, 2.55f);
            AddAt(dlg, 6.0f);
            prompt.files.enqueue(QString::fromStdString(three.string()));
            dlg.Command(ids::kCmdSaveAs)->trigger();
            prompt.files.enqueue(QString::fromStdString((dir / "no" / "such.sdr").string()));
            dlg.Command(ids::kCmdSaveAs)->trigger();
            QCOMPARE(prompt.filters.size(), 3);
            QCOMPARE(prompt.filters[0], QStringLiteral("Sundrel (*.sdr)"));
            QCOMPARE(prompt.suffixes[0], QStringLiteral("sdr"));
            QCOMPARE(prompt.messages.last().icon, ScriptedPrompt::Icon::Stop);
            QVERIFY(prompt.LastText().contains(QStringLiteral("such.sdr")));
        }
        QCOMPARE(std::filesystem::file_size(one), std::uintmax_t{271});
        QCOMPARE(std::filesystem::file_size(three), std::uintmax_t{279});
        QVERIFY(fixture::ReadFile(three) == Project(2, mix.string(), {0.0f, 25.5f, 60.0f}));

        // Opened in a fresh window: the mix, the view of its first two seconds, the markers.
        std::filesystem::current_path(m_cwd);
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.m_fPosition = 5.0f;
        prompt.files.enqueue(QString::fromStdString(three.string()));
        dlg.Command(ids::kCmdOpen)->trigger();
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(prompt.filters, QList<QString>{QStringLiteral("Sundrel (*.sdr)")});
        QVERIFY(dlg.m_bLoaded);
        QCOMPARE(dlg.m_szWavePath, mix);
        QCOMPARE(dlg.m_pWaveFile->m_strPath, mix);
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 25.5f, 60.0f}));
        QCOMPARE(Entries(dlg.m_cbMarkers), (QStringList{"List Marker--", "Marker 1", "Marker 2"}));
        QCOMPARE(dlg.m_cbMarkers->currentIndex(), 0);
        for (int id : {ids::kSplit, ids::kPlay, ids::kAddMarker, ids::kMarkers, ids::kSlider}) {
            QVERIFY2(dlg.Control(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QVERIFY(!dlg.m_btnAnp->isEnabled()); // the header entry is selected
        QCOMPARE(dlg.m_stDuration->text(), QStringLiteral("0:00:10.000"));
        QCOMPARE(std::filesystem::current_path(), std::filesystem::canonical(dir.Path()));
        QCOMPARE(dlg.m_fViewFrom, 0.0f);
        QCOMPARE(dlg.m_fViewTo, 2.0f);
        QVERIFY(dlg.m_pWaveView->m_bMapped);
        // trunc(2 / 10 * 1764044) = 352808, halved for 16-bit elements.
        QCOMPARE(dlg.m_pWaveView->m_nLastSample, std::int64_t{176404});
        // Position, trackbar and cursor line are left alone.
        QCOMPARE(dlg.m_fPosition, 5.0f);
        QCOMPARE(dlg.m_slider->value(), 0);
        QCOMPARE(dlg.m_pWaveView->m_nCursorX, -1);

        // Opening while playing ends the playback of the mix being replaced first.
        dlg.OnPlay();
        QVERIFY(dlg.m_bPlaying);
        prompt.files.enqueue(QString::fromStdString(three.string()));
        dlg.Command(ids::kCmdOpen)->trigger();
        QVERIFY(!dlg.m_bPlaying);
        QVERIFY(!dlg.m_pPlayThread->IsActive());
        QVERIFY(dlg.m_btnPlay->isEnabled());

        // One marker: Split stays off.
        CSundrelDlg fresh(prompt);
        prompt.files.enqueue(QString::fromStdString(one.string()));
        fresh.Command(ids::kCmdOpen)->trigger();
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(Entries(fresh.m_cbMarkers), QStringList{"List Marker--"});
        QVERIFY(!fresh.m_btnSplit->isEnabled());
        QVERIFY(fresh.m_btnPlay->isEnabled());
    }

    void aFailedOpenChangesNothing() {
        fixture::TempDir dir;
        const auto mix = WriteMix(dir / "mix.wav", 10.0);
        const fixture::Bytes good = Project(2, mix.string(), {0.0f, 30.0f, 40.0f});
        const struct {
            const char* name;
            fixture::Bytes bytes;
            const char* text;
            const char* caption;
        } cases[] = {
            {"moved.sdr", Project(2, (dir / "moved.wav").string(), {0.0f, 30.0f}),
             "Wave file doesn't exist", "error"},
            {"future.sdr", Project(3, mix.string(), {0.0f, 30.0f}), "future.sdr", "Sundrel"},
            {"cut.sdr", fixture::Bytes(good.begin(), good.end() - 1), "cut.sdr", "Sundrel"},
            {"short.sdr", fixture::Bytes(good.begin(), good.begin() + 100), "short.sdr", "Sundrel"},
            {"range.sdr", Project(2, mix.string(), {0.0f, 130.0f}), "range.sdr", "Sundrel"},
        };
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(mix));
        AddAt(dlg, 5.0f);
        dlg.m_fPosition = 3.0f;
        prompt.messages.clear();
        const Snapshot before(dlg);

        dlg.Command(ids::kCmdOpen)->trigger(); // cancelled
        QVERIFY(Snapshot(dlg) == before);
        for (const auto& c : cases) {
            fixture::WriteFile(dir / c.name, c.bytes);
            prompt.files.enqueue(QString::fromStdString((dir / c.name).string()));
            dlg.Command(ids::kCmdOpen)->trigger();
            QCOMPARE(prompt.messages.size(), 1);
            QVERIFY2(prompt.LastText().contains(QString::fromLatin1(c.text)),
                     qPrintable(prompt.LastText()));
            QCOMPARE(prompt.messages[0].caption, QString::fromLatin1(c.caption));
            QCOMPARE(prompt.messages[0].icon, ScriptedPrompt::Icon::Stop);
            prompt.messages.clear();
            QVERIFY2(Snapshot(dlg) == before, c.name);
        }
        QCOMPARE(prompt.messages.size(), 0);
    }

    void versionOneReplacesOnlyTheMarkers() {
        fixture::TempDir dir;
        const auto v1 = dir / "old.sdr";
        fixture::WriteFile(v1, Project(1, "", {0.0f, 10.0f, 20.0f}));

        // Without a mix, Split comes on but says what it needs.
        ScriptedPrompt prompt;
        CSundrelDlg empty(prompt);
        prompt.files.enqueue(QString::fromStdString(v1.string()));
        empty.Command(ids::kCmdOpen)->trigger();
        QCOMPARE(empty.m_markers.Values(), (std::vector<float>{0.0f, 10.0f, 20.0f}));
        QVERIFY(empty.m_btnSplit->isEnabled());
        QVERIFY(!empty.m_btnPlay->isEnabled());
        empty.m_btnSplit->click();
        QCOMPARE(prompt.LastText(), QStringLiteral("Please load a wave file"));

        // With a mix, the mix, its view and its path stay.
        const auto mix = WriteMix(dir / "mix.wav", 10.0);
        CSundrelDlg dlg(prompt);
        QVERIFY(dlg.LoadWaveFile(mix));
        AddAt(dlg, 5.0f);
        const auto wave = dlg.m_pWaveFile;
        CWaveViewCtrl* view = dlg.m_pWaveView;
        prompt.messages.clear();
        prompt.files.enqueue(QString::fromStdString(v1.string()));
        dlg.Command(ids::kCmdOpen)->trigger();
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(dlg.m_markers.Values(), (std::vector<float>{0.0f, 10.0f, 20.0f}));
        QCOMPARE(Entries(dlg.m_cbMarkers), (QStringList{"List Marker--", "Marker 1", "Marker 2"}));
        QCOMPARE(dlg.m_pWaveFile, wave);
        QCOMPARE(dlg.m_pWaveView, view);
        QCOMPARE(dlg.m_szWavePath, mix);
        QVERIFY(!dlg.m_btnAnp->isEnabled());
    }

    void openingAShortMixWarnsAndShowsABlankView() {
        fixture::TempDir dir;
        const auto mix = WriteMix(dir / "short.wav", 1.5);
        fixture::WriteFile(dir / "short.sdr", Project(2, mix.string(), {0.0f}));
        ScriptedPrompt prompt;
        CSundrelDlg dlg(prompt);
        prompt.files.enqueue(QString::fromStdString((dir / "short.sdr").string()));
        dlg.Command(ids::kCmdOpen)->trigger();
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.LastText(), QStringLiteral("The period of time view chosen is not valid"));
        QVERIFY(dlg.m_bLoaded);
        QVERIFY(!dlg.m_pWaveView->m_bMapped);
    }

  private:
    std::filesystem::path m_cwd;
};

QTEST_MAIN(SplitProjectWindowTest)
#include "SplitProjectWindowTest.moc"
