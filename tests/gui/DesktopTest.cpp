// The window as a desktop program: settings kept in a temporary config folder, files opened
// by their content from the command line, drops and Open Recent, the Preferences, the manual
// when the desktop cannot open it, and Help > About Sundrel with its links' look, colours and
// clicks.

#include "gui/about/AboutDlg.h"
#include "gui/about/ManualWindow.h"
#include "gui/app/AppSettings.h"
#include "gui/app/PreferencesDlg.h"
#include "support/Window.h"

#include "sound/MakeWaveOut.h"
#include "sound/OutputDevices.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEnterEvent>
#include <QImage>
#include <QMimeData>
#include <QStandardPaths>
#include <QTextBrowser>

#include <atomic>

namespace ids = sundrel::gui::ids;
using sundrel::app::FileKind;
using sundrel::gui::AppSettings;
using sundrel::test::Window;
using namespace sundrel::test;

namespace {

QString Text(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// Offers `urls` to the window as a drag, then (when it was accepted) drops them; true when
// the window accepted the drag.
bool Drop(CSundrelDlg& dlg, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = dlg.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&dlg, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&dlg, &drop);
    QCoreApplication::processEvents(); // the file opens once the drop has returned
    return drop.isAccepted();
}

QList<QAction*> RecentEntries(CSundrelDlg& dlg) {
    QMenu* menu = Menu(dlg, "menuRecent");
    OpenMenu(menu);
    QList<QAction*> entries;
    for (QAction* action : menu->actions()) {
        if (action->objectName().startsWith(QStringLiteral("recent"))) {
            entries << action;
        }
    }
    return entries;
}

const QColor kLink(0, 0, 255);
const QColor kHover(255, 0, 0);
const QColor kVisited(5, 34, 143);

// True when the link is set to draw in `colour` and its pixels on screen show it.
bool Shows(CLinkStatic& link, const QColor& colour) {
    if (link.palette().color(QPalette::WindowText) != colour) {
        return false;
    }
    const QImage image = link.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

void Hover(QWidget& widget, bool over) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), widget.mapToGlobal(QPointF(1, 1)));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, over ? static_cast<QEvent*>(&enter) : &leave);
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
  private slots:
    // Each case starts from the defaults.
    void init() { QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel")).clear(); }

    void settingsRoundTrip() {
        sundrel::app::Preferences prefs;
        prefs.outputDevice = "ALSA: USB Audio (hw:1,0)";
        prefs.previewBefore = 2.5;
        prefs.previewAfter = 0.0;
        prefs.confirmAddMarker = false;
        prefs.splitSync = true;
        {
            AppSettings settings;
            settings.SetPreferences(prefs);
            settings.SetRecentFiles({"/music/b.sdr", "/music/\xc3\xa9t\xc3\xa9.wav"});
            settings.SetLastFolder(FileKind::Wave, QStringLiteral("/music/mixes"));
            settings.SetLastFolder(FileKind::Project, QStringLiteral("/music/projects"));
            settings.SetWindowGeometry(QByteArray("geometry\0bytes", 14));
            settings.SetZoomSpan(12.5);
        }
        const AppSettings settings;
        QVERIFY(settings.Preferences() == prefs);
        QCOMPARE(settings.RecentFiles(),
                 (std::vector<std::string>{"/music/b.sdr", "/music/\xc3\xa9t\xc3\xa9.wav"}));
        QCOMPARE(settings.LastFolder(FileKind::Wave), QStringLiteral("/music/mixes"));
        QCOMPARE(settings.LastFolder(FileKind::Project), QStringLiteral("/music/projects"));
        QCOMPARE(settings.WindowGeometry(), QByteArray("geometry\0bytes", 14));
        QCOMPARE(settings.ZoomSpan(), 12.5);
    }

    void unusableValuesReadAsTheDefaults() {
        {
            QSettings raw(QStringLiteral("Sundrel"), QStringLiteral("Sundrel"));
            raw.clear();
            raw.setValue(QStringLiteral("preview/before"), QStringLiteral("soon"));
            raw.setValue(QStringLiteral("preview/after"), 3.0);
            raw.setValue(QStringLiteral("view/zoomSpan"), -4.0);
        }
        const AppSettings settings;
        sundrel::app::Preferences prefs = settings.Preferences();
        // Each unreadable value is its default; the pair must still be usable.
        QCOMPARE(prefs.previewBefore, sundrel::kPreviewBeforeSeconds);
        QCOMPARE(prefs.previewAfter, 3.0);
        for (const auto& [before, after] : {std::pair{0.0, 0.0}, {-1.0, 2.0}, {601.0, 1.0}}) {
            QSettings raw(QStringLiteral("Sundrel"), QStringLiteral("Sundrel"));
            raw.setValue(QStringLiteral("preview/before"), before);
            raw.setValue(QStringLiteral("preview/after"), after);
            prefs = AppSettings().Preferences();
            QCOMPARE(prefs.previewBefore, sundrel::kPreviewBeforeSeconds);
            QCOMPARE(prefs.previewAfter, sundrel::kPreviewAfterSeconds);
        }
        QVERIFY(prefs.confirmAddMarker);
        QVERIFY(!prefs.splitSync);
        QVERIFY(prefs.outputDevice.empty());
        QCOMPARE(settings.ZoomSpan(), 0.0);
        QVERIFY(settings.RecentFiles().empty());
    }

    void theWindowRemembersAcrossRuns() {
        fixture::TempDir mixes;
        const auto mix = WriteMix(mixes / "set.wav", 60.0);
        {
            Window w;
            w.dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
            w.dlg.resize(w.dlg.minimumSize() + QSize(60, 40));
            QVERIFY(w.dlg.OpenPath(mix));
            w.dlg.Command(ids::kCmdZoomOut)->trigger();
            w.dlg.Command(ids::kCmdZoomOut)->trigger(); // 8 s wide
            QCOMPARE(w.dlg.Session().ZoomSpan(), 8.0);
            w.dlg.Command(ids::kCmdExit)->trigger();
        }
        {
            Window empty; // a run without a mix keeps the zoom
            empty.dlg.Command(ids::kCmdExit)->trigger();
        }
        Window w;
        w.dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
        QCOMPARE(w.dlg.size(), w.dlg.minimumSize() + QSize(60, 40));
        QCOMPARE(w.dlg.Recent().Entries(), (std::vector<std::string>{mix.string()}));
        // Load Wave file opens in the mix's folder; Open, with no project yet, where it is.
        w.dlg.Command(ids::kCmdLoadWave)->trigger();
        w.dlg.Command(ids::kCmdOpen)->trigger();
        QCOMPARE(w.prompt.startFolders, (QList<QString>{Text(mixes.Path()), QString()}));
        // A mix opens at the zoom of the last run, from its start.
        QVERIFY(w.dlg.OpenPath(mix));
        QCOMPARE(w.View(), QStringLiteral("0 8"));
        QCOMPARE(w.dlg.Session().ZoomSpan(), 8.0);
        const auto shorter = WriteMix(mixes / "short.wav", 5.0); // never wider than the mix
        QVERIFY(w.dlg.OpenPath(shorter));
        QCOMPARE(w.View(), QStringLiteral("0 5"));
    }

    void filesOpenByWhatTheyHold() {
        fixture::TempDir files;
        const auto mix = WriteMix(files / "mix.wav", 30.0);
        std::filesystem::path project = files / "markers.dat"; // a project by its content
        {
            Window w;
            QVERIFY(w.dlg.OpenPath(mix));
            AddMarkerAt(w.dlg, 10.0f);
            w.RunWith(ids::kCmdSaveAs, project);
            QVERIFY(std::filesystem::exists(project));
        }
        const auto disguised = files / "mix.sdr"; // a mix named like a project
        std::filesystem::copy_file(mix, disguised);
        fixture::WriteText(files / "notes.txt", "hi");

        Window w;
        QVERIFY(w.dlg.OpenPath(project));
        QCOMPARE(w.dlg.Session().ProjectPath(), project);
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        QCOMPARE(w.dlg.Session().WavePath(), mix);

        QVERIFY(w.dlg.OpenPath(disguised)); // keeps the markers (first answer)
        QCOMPARE(w.dlg.Session().WavePath(), disguised);

        for (const auto& bad : {files / "notes.txt", files / "gone.wav", files / "gone"}) {
            w.prompt.messages.clear();
            QVERIFY(!w.dlg.OpenPath(bad));
            QCOMPARE(w.prompt.messages.size(), 1);
            QCOMPARE(w.dlg.Session().WavePath(), disguised); // nothing changed
        }
        QVERIFY(w.prompt.LastText().contains(QStringLiteral("does not exist")));
    }

    void dropsOpenOneMixOrProject() {
        Window w;
        const auto mix = w.Mix(20.0);
        const auto other = w.Mix(25.0, {}, "other.wav");
        fixture::WriteText(w.dir / "readme.txt", "x");
        // Refused: the cursor shows it, nothing is asked or opened.
        QVERIFY(!Drop(w.dlg, {QUrl::fromLocalFile(Text(mix)), QUrl::fromLocalFile(Text(other))}));
        QVERIFY(!Drop(w.dlg, {QUrl::fromLocalFile(Text(w.dir / "readme.txt"))}));
        QVERIFY(!Drop(w.dlg, {QUrl(QStringLiteral("https://example.org/mix.wav"))}));
        QVERIFY(!Drop(w.dlg, {}));
        std::filesystem::create_directory(w.dir / "folder.wav");
        QVERIFY(!Drop(w.dlg, {QUrl::fromLocalFile(Text(w.dir / "folder.wav"))}));
        QVERIFY(!w.dlg.Session().IsLoaded());
        QVERIFY(w.prompt.messages.isEmpty());

        QVERIFY(Drop(w.dlg, {QUrl::fromLocalFile(Text(mix))}));
        QCOMPARE(w.dlg.Session().WavePath(), mix);

        // Unsaved markers: the same question as Load Wave file; cancelled, nothing changes.
        AddMarkerAt(w.dlg, 5.0f);
        AddMarkerAt(w.dlg, 8.0f);
        w.prompt.choices.enqueue(2); // Cancel
        QVERIFY(Drop(w.dlg, {QUrl::fromLocalFile(Text(other))}));
        QCOMPARE(w.prompt.questions.size(), 1);
        QVERIFY(w.prompt.questions[0].text.startsWith(QStringLiteral("The marker list holds 2")));
        QCOMPARE(w.dlg.Session().WavePath(), mix);
        w.prompt.choices.enqueue(0); // Keep the markers (the answers: MainWindowTest)
        QVERIFY(Drop(w.dlg, {QUrl::fromLocalFile(Text(other))}));
        QCOMPARE(w.dlg.Session().WavePath(), other);
    }

    void openRecentNewestFirstMissingDisabledAndCleared() {
        Window w;
        const auto first = w.Mix(10.0, {}, "first.wav");
        const auto second = w.Mix(10.0, {}, "second.wav");
        QVERIFY(w.dlg.OpenPath(first));
        QVERIFY(w.dlg.OpenPath(second));
        QVERIFY(w.dlg.OpenPath(first));
        QList<QAction*> entries = RecentEntries(w.dlg);
        QCOMPARE(entries.size(), 2);
        QVERIFY(entries[0]->text().startsWith(QStringLiteral("&1 first.wav")));
        QVERIFY(entries[1]->text().startsWith(QStringLiteral("&2 second.wav")));
        QVERIFY(entries[0]->isEnabled() && entries[1]->isEnabled());

        std::filesystem::remove(second);
        entries = RecentEntries(w.dlg);
        QVERIFY(entries[0]->isEnabled());
        QVERIFY(!entries[1]->isEnabled()); // shown, but it cannot be opened

        // An entry opens its file as the command line would.
        const auto third = w.Mix(12.0, {}, "third.wav");
        QVERIFY(w.dlg.OpenPath(third));
        entries = RecentEntries(w.dlg);
        entries[1]->trigger(); // first.wav
        QCOMPARE(w.dlg.Session().WavePath(), first);

        // Clear Menu empties it, for the next run as well.
        QAction* clear = w.dlg.Command(ids::kCmdClearRecent);
        QVERIFY(clear->isEnabled());
        clear->trigger();
        QVERIFY(RecentEntries(w.dlg).isEmpty());
        QVERIFY(!w.dlg.Command(ids::kCmdClearRecent)->isEnabled());
        QVERIFY(AppSettings().RecentFiles().empty());
    }

    void preferencesListTheNullDeviceAndPlayTheToneThroughTheChosenOne() {
        QCOMPARE(qgetenv("SUNDREL_AUDIO"), QByteArray("null"));
        sundrel::test::ScriptedPrompt prompt;
        std::atomic<int> made{0};
        std::string madeFor = "unset";
        sundrel::app::Preferences current;
        current.outputDevice = "ALSA: gone (hw:3,0)"; // remembered, not connected now
        CPreferencesDlg dlg(prompt, current, sundrel::audio::ListOutputDevices(),
                            [&](const std::string& id) {
                                madeFor = id;
                                ++made;
                                return sundrel::audio::MakeWaveOut(id);
                            });
        auto* box = dlg.findChild<QComboBox*>(QStringLiteral("deviceBox"));
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(0), QStringLiteral("Null device (no sound)"));
        QVERIFY(box->itemText(1).endsWith(QStringLiteral("(not connected)")));
        QCOMPARE(box->currentIndex(), 1);
        QCOMPARE(dlg.Chosen().outputDevice, current.outputDevice);

        box->setCurrentIndex(0);
        auto* tone = dlg.findChild<QPushButton*>(QStringLiteral("toneButton"));
        tone->click();
        QVERIFY(dlg.IsPlayingTone());
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsPlayingTone(), 5000);
        QCOMPARE(made.load(), 1);
        QCOMPARE(madeFor, std::string());
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("toneStatus"))->text(),
                 QStringLiteral("The tone has played."));
    }

    void aToneThatCannotPlayIsReported() {
        sundrel::test::ScriptedPrompt prompt;
        CPreferencesDlg dlg(prompt, {}, sundrel::audio::ListOutputDevices(),
                            [](const std::string&) -> std::unique_ptr<sundrel::WaveOut> {
                                throw std::runtime_error("no such card");
                            });
        dlg.findChild<QPushButton*>(QStringLiteral("toneButton"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsPlayingTone(), 5000);
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("toneStatus"))->text(),
                 QStringLiteral("The test tone could not play: no such card"));
        QVERIFY(prompt.messages.isEmpty());
    }

    void preferencesChangeTheWindowAndAreKept() {
        Window w;
        QVERIFY(w.dlg.Prefs().confirmAddMarker); // on by default
        WhenModal<CPreferencesDlg>([](CPreferencesDlg* dlg) {
            dlg->findChild<QDoubleSpinBox*>(QStringLiteral("previewBefore"))->setValue(1.5);
            dlg->findChild<QDoubleSpinBox*>(QStringLiteral("previewAfter"))->setValue(7.0);
            dlg->findChild<QCheckBox*>(QStringLiteral("confirmAddMarker"))->setChecked(false);
            dlg->findChild<QCheckBox*>(QStringLiteral("splitSync"))->setChecked(true);
            dlg->accept();
        });
        w.dlg.Command(ids::kCmdPreferences)->trigger();
        QVERIFY(!w.dlg.Prefs().confirmAddMarker);
        QVERIFY(w.dlg.Prefs().splitSync);

        // Add Marker no longer asks (nor reports success).
        QVERIFY(w.Load(30.0));
        w.AddAt(4.0f);
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        QVERIFY(w.prompt.messages.isEmpty());

        // Play > Preview Length shows and sets the same lengths.
        w.prompt.texts.enqueue({QStringLiteral("3"), QStringLiteral("4")});
        w.dlg.Command(ids::kCmdPreviewLength)->trigger();
        QCOMPARE(w.prompt.editedValues.last(),
                 (QStringList{QStringLiteral("1.5"), QStringLiteral("7")}));
        const sundrel::app::Preferences kept = AppSettings().Preferences();
        QCOMPARE(kept.previewBefore, 3.0);
        QCOMPARE(kept.previewAfter, 4.0);
        QVERIFY(!kept.confirmAddMarker);
        QVERIFY(kept.splitSync);

        // Both sides 0 is refused; Cancel keeps everything.
        WhenModal<CPreferencesDlg>([&w](CPreferencesDlg* dlg) {
            dlg->findChild<QDoubleSpinBox*>(QStringLiteral("previewBefore"))->setValue(0.0);
            dlg->findChild<QDoubleSpinBox*>(QStringLiteral("previewAfter"))->setValue(0.0);
            dlg->accept();
            QVERIFY(dlg->isVisible());
            QCOMPARE(w.prompt.messages.size(), 1);
            dlg->reject();
        });
        w.dlg.Command(ids::kCmdPreferences)->trigger();
        QCOMPARE(AppSettings().Preferences(), kept);
        QCOMPARE(w.dlg.Prefs(), kept);
    }

    void theManualOpensInsideWhenTheDesktopRefuses() {
        Window w;
        w.prompt.openUrlResult = true;
        // The installed or built copy; a manual in the current folder (the mix's) is no
        // longer looked for.
        std::filesystem::current_path(w.dir.Path());
        fixture::WriteFile(w.dir / "Manual.txt", {});
        w.dlg.Command(ids::kCmdManual)->trigger();
        QCOMPARE(w.prompt.urls.size(), 1);
        const QString opened = w.prompt.urls[0].toLocalFile();
        QVERIFY(opened == QFileInfo(QStringLiteral(SUNDREL_MANUAL_INSTALLED)).canonicalFilePath() ||
                opened == QFileInfo(QStringLiteral(SUNDREL_MANUAL_BUILT)).canonicalFilePath());
        QVERIFY(opened.endsWith(QStringLiteral("/manual.md")));
        QVERIFY(w.dlg.findChildren<CManualWindow*>().isEmpty());

        w.prompt.openUrlResult = false; // no launcher, or it failed
        w.dlg.Command(ids::kCmdManual)->trigger();
        QCOMPARE(w.prompt.urls.size(), 2);
        const QList<CManualWindow*> windows = w.dlg.findChildren<CManualWindow*>();
        QCOMPARE(windows.size(), 1);
        CManualWindow* manual = windows[0];
        QVERIFY(manual->isVisible());
        QTextBrowser* browser = manual->Browser();
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Sundrel")));
        QVERIFY(browser->openExternalLinks());
        // Rendered, not shown as source: no heading marks left.
        QVERIFY(!browser->toPlainText().contains(QStringLiteral("\n# ")));
        // A link to a heading moves within the manual.
        const int top = browser->verticalScrollBar()->value();
        browser->setSource(QUrl(QStringLiteral("#preferences")));
        QVERIFY(browser->verticalScrollBar()->value() > top);
        manual->close();
        QTRY_VERIFY(w.dlg.findChildren<CManualWindow*>().isEmpty()); // deleted on close
        QVERIFY(w.prompt.messages.isEmpty());
    }

    // The box from the window: underlined hands that show their whole address; the manual
    // opened from it (in the program's own window) outlives it.
    void opensFromTheWindowAndItsManualOutlivesIt() {
        sundrel::test::Window w;
        w.prompt.openUrlResult = false; // the program's own manual window
        QStringList links;
        bool looks = true; // underlined, a pointing hand, wide enough for the whole address
        bool closed = false;
        sundrel::test::WhenModal<CAboutDlg>([&](CAboutDlg* dlg) {
            for (CLinkStatic* link : {&dlg->m_linkProduct, &dlg->m_linkMaker}) {
                links << link->text();
                looks = looks && link->font().underline() &&
                        link->cursor().shape() == Qt::PointingHandCursor &&
                        link->width() >= link->sizeHint().width();
            }
            QTest::mouseClick(&dlg->m_linkProduct, Qt::LeftButton, {}, QPoint(2, 2));
            closed = !dlg->isVisible();
            if (!closed) {
                dlg->reject();
            }
        });
        w.dlg.Command(sundrel::gui::ids::kCmdAbout)->trigger();
        QVERIFY(closed);
        const QList<CManualWindow*> manuals = w.dlg.findChildren<CManualWindow*>();
        QCOMPARE(manuals.size(), 1);
        QVERIFY(manuals[0]->isVisible());
        QVERIFY(!manuals[0]->isModal());
        QCOMPARE(links.size(), 2);
        // Where an installed copy keeps them, wherever this copy runs from.
        QCOMPARE(links[0],
                 QUrl::fromLocalFile(QStringLiteral(SUNDREL_MANUAL_INSTALLED)).toString());
        QCOMPARE(links[1], QUrl::fromLocalFile(QStringLiteral(SUNDREL_HOME_INSTALLED)).toString());
        QVERIFY(links[0].endsWith(QStringLiteral("/doc/sundrel/manual.md")));
        const QString source = QUrl::fromLocalFile(QStringLiteral(SUNDREL_MANUAL_BUILT))
                                   .adjusted(QUrl::RemoveFilename)
                                   .toString();
        for (const QString& link : links) {
            QVERIFY(link.startsWith(QStringLiteral("file:///")));
            QVERIFY2(!link.startsWith(source), qPrintable(link)); // nothing in the source tree
        }
        QVERIFY(looks);
    }

    // The links open the folder and the manual as Help > Manual does; their colour follows
    // the mouse until visited.
    void linksOpenAndTheirColourFollowsHoverUntilVisited() {
        ScriptedPrompt prompt;
        prompt.openUrlResult = false; // nothing opens them: not reported, still visited
        CAboutDlg dlg(prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::mouseClick(&dlg.m_linkMaker, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseClick(&dlg.m_linkProduct, Qt::RightButton, {}, QPoint(2, 2));
        QCOMPARE(prompt.urls.size(), 1);
        QCOMPARE(prompt.urls[0].toString(), dlg.m_linkMaker.text());
        QVERIFY(dlg.m_linkMaker.IsVisited());
        CLinkStatic& link = dlg.m_linkProduct;
        QVERIFY(Shows(link, kLink)); // the other link, and a right click, visit nothing
        Hover(link, true);
        QVERIFY(Shows(link, kHover));
        Hover(link, false);
        QVERIFY(Shows(link, kLink));

        // Visited wins over hover, and stays after the mouse leaves and comes back. The
        // manual: the copy there is (installed, or the source's), in the program's own window
        // when the desktop cannot open it.
        Hover(link, true);
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(Shows(link, kVisited));
        Hover(link, false);
        Hover(link, true);
        QVERIFY(Shows(link, kVisited));
        QCOMPARE(prompt.urls.size(), 2);
        QCOMPARE(prompt.urls[1].toLocalFile(), sundrel::gui::ManualPath());
        QCOMPARE(dlg.findChildren<CManualWindow*>().size(), 1);
        QVERIFY(prompt.messages.isEmpty());
    }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
