// Suggested boundaries in the window: the analysis with its count, stepping to a suggestion
// with its preview, Enter to accept, Delete to dismiss, Accept All as one undo step.

#include "support/Window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProgressDialog>
#include <cmath>
#include <random>

namespace ids = sundrel::gui::ids;
using namespace sundrel::test;

namespace {

constexpr std::uint32_t kRate = 22050;
constexpr double kTrack = 65.0; // seconds of each track
constexpr double kGap = 2.0;    // seconds of digital silence between them

// Four tracks of noise at different levels and colours with silence between: the analysis
// puts each boundary in the middle of its silence.
std::filesystem::path WriteSilenceMix(const std::filesystem::path& path) {
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    fixture::Bytes audio;
    for (int track = 0; track < 4; ++track) {
        const double level = 3000.0 * (track + 1);
        double previous = 0.0;
        for (int i = 0; i < static_cast<int>(kTrack * kRate); ++i) {
            // Each track smooths its noise differently, so its spectrum differs too.
            const double smoothing = 0.2 * track;
            previous = smoothing * previous + (1.0 - smoothing) * noise(random);
            fixture::Put16(audio, static_cast<std::uint16_t>(static_cast<std::int16_t>(
                                      std::clamp(previous * level, -32767.0, 32767.0))));
        }
        if (track < 3) {
            audio.resize(audio.size() + static_cast<std::size_t>(kGap * kRate) * 2);
        }
    }
    fixture::WriteFile(path, fixture::CanonicalWav({1, 1, kRate, 16}, audio));
    return path;
}

bool Suggested(Window& w, const QString& count) {
    w.prompt.texts.enqueue({count});
    w.dlg.Command(ids::kCmdSuggest)->trigger();
    return QTest::qWaitFor([&] { return !w.dlg.IsSuggesting(); }, 60000) &&
           QTest::qWaitFor([&] { return !w.dlg.Session().Suggestions().empty(); }, 2000);
}

double SecondsOfSuggestion(const Window& w, std::size_t i) {
    return static_cast<double>(w.dlg.Session().Suggestions()[i].frame) / kRate;
}

} // namespace

class SuggestionsWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void suggestStepAcceptDismissAcceptAllAndUndo() {
        Window w;
        QVERIFY(w.Shown());
        QVERIFY(w.dlg.LoadWaveFile(WriteSilenceMix(w.dir / "mix.wav")));
        QVERIFY(Suggested(w, QStringLiteral("4")));
        // Where they lie is the analysis's (SilenceTest, SuggestApiTest).
        QCOMPARE(w.dlg.Session().Suggestions().size(), std::size_t{3});
        QVERIFY(w.prompt.messages.isEmpty());
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{1}); // nothing is a marker yet
        QVERIFY2(StatusText(w.dlg).startsWith(QStringLiteral("3 suggestions to look at")),
                 qPrintable(StatusText(w.dlg)));

        // N steps to the first suggestion and plays around it; the position goes there.
        QVERIFY(w.dlg.Command(ids::kCmdNextSuggestion)->isEnabled());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        w.dlg.activateWindow(); // back from the progress dialog
        QVERIFY(QTest::qWaitForWindowActive(&w.dlg));
        QTest::keyClick(&w.dlg, Qt::Key_N);
        QCOMPARE(w.dlg.Session().CurrentSuggestion(), std::optional<std::size_t>(0));
        QVERIFY(std::abs(w.dlg.Session().Position() - SecondsOfSuggestion(w, 0)) < 1e-6);
        QVERIFY(w.dlg.IsPlayingRange());
        // It is shown in the middle of about a minute.
        const sundrel::TimeWindow shown = w.dlg.Session().View();
        QVERIFY(std::abs(shown.to - shown.from - 60.0) < 1e-6);
        QVERIFY(std::abs((shown.from + shown.to) / 2 - SecondsOfSuggestion(w, 0)) < 1e-3);
        // Enter accepts it: a marker exactly there.
        const std::int64_t first = w.dlg.Session().Suggestions()[0].frame;
        QTest::keyClick(&w.dlg, Qt::Key_Return);
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        QCOMPARE(w.dlg.Session().Markers().At(1)->frame, first);
        QCOMPARE(w.dlg.Session().Suggestions().size(), std::size_t{2});
        QVERIFY2(StatusText(w.dlg).startsWith(QStringLiteral("2 suggestions to look at")),
                 qPrintable(StatusText(w.dlg)));
        // The next one is dismissed with Delete; the marker stays.
        QTest::keyClick(&w.dlg, Qt::Key_N);
        QCOMPARE(w.dlg.Session().CurrentSuggestion(), std::optional<std::size_t>(0));
        QTest::keyClick(&w.dlg, Qt::Key_Delete);
        QCOMPARE(w.dlg.Session().Suggestions().size(), std::size_t{1});
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{2});
        // Accept All: the rest become markers (in one undo step: MixSessionImportTest).
        w.dlg.Command(ids::kCmdAcceptAllSuggestions)->trigger();
        QCOMPARE(w.dlg.Session().Markers().Count(), std::size_t{3});
        QVERIFY(!w.dlg.Command(ids::kCmdNextSuggestion)->isEnabled());
        // The status says what is true now, not what the analysis found.
        QCOMPARE(StatusText(w.dlg),
                 QStringLiteral("No suggestions left; the markers make 3 tracks."));
    }

    void aBadCountIsRefusedAndCancelEndsTheAnalysis() {
        Window w;
        QVERIFY(w.dlg.LoadWaveFile(WriteSilenceMix(w.dir / "mix.wav")));
        for (const char* bad : {"0", "three", "-2", "9999"}) {
            w.prompt.texts.enqueue({QString::fromLatin1(bad)});
            w.dlg.Command(ids::kCmdSuggest)->trigger();
            QVERIFY(!w.dlg.IsSuggesting());
            QCOMPARE(w.prompt.messages.size(), 1);
            QVERIFY(w.prompt.LastText().contains(QStringLiteral("whole number")));
            w.prompt.messages.clear();
        }
        // Cancel in the progress dialog: no suggestions, no message.
        w.prompt.texts.enqueue({QString()});
        w.dlg.Command(ids::kCmdSuggest)->trigger();
        auto* progress = w.dlg.findChild<QProgressDialog*>(QStringLiteral("suggestProgress"));
        QVERIFY(progress != nullptr);
        progress->findChild<QPushButton*>()->click();
        QVERIFY(QTest::qWaitFor([&] { return !w.dlg.IsSuggesting(); }, 60000));
        QTest::qWait(50);
        QVERIFY(w.dlg.Session().Suggestions().empty());
        QVERIFY(w.prompt.messages.isEmpty());
    }

    void namesWithoutTimesWaitForTheBoundariesFound() {
        Window w;
        QVERIFY(w.dlg.LoadWaveFile(WriteSilenceMix(w.dir / "mix.wav")));
        // A tracklist without times for a mix without markers: the analysis looks for that
        // many tracks, and accepting them all names them in the same undo step.
        w.prompt.choices.enqueue(0); // Find Boundaries
        QGuiApplication::clipboard()->setText(QStringLiteral("A - One\nB - Two\nC - Three\nD\n"));
        w.dlg.Command(ids::kCmdPasteTracklist)->trigger();
        QCOMPARE(w.prompt.questions.size(), 1);
        QVERIFY(w.prompt.questions[0].text.contains(QStringLiteral("boundaries of 4 tracks")));
        QVERIFY(w.prompt.messages.isEmpty());
        QVERIFY(QTest::qWaitFor([&] { return !w.dlg.IsSuggesting(); }, 60000));
        // The outcome reaches the window through its event loop, a moment after the worker.
        QVERIFY(QTest::qWaitFor([&] { return !w.dlg.Session().Suggestions().empty(); }, 5000));
        const sundrel::MixSession& session = w.dlg.Session();
        QCOMPARE(session.Suggestions().size(), std::size_t{3});
        QCOMPARE(session.Markers().Count(), std::size_t{1});
        // Suggesting again offers the list's count (the answer is cancelled here).
        w.dlg.Command(ids::kCmdSuggest)->trigger();
        QCOMPARE(w.prompt.editedValues.last(), QStringList{QStringLiteral("4")});
        // The names wait in the session, which gives them to the accepted boundaries in time
        // order and in one undo step (MixSessionImportTest).
        QVERIFY(session.HeldNames());

        // Cancelled, or with markers already placed: the counts are reported, nothing changes.
        Window placed;
        QVERIFY(placed.dlg.LoadWaveFile(WriteSilenceMix(placed.dir / "mix.wav")));
        placed.dlg.Session().AddAtFrame(100 * kRate);
        placed.dlg.Command(ids::kCmdPasteTracklist)->trigger();
        QVERIFY(placed.prompt.questions.isEmpty());
        QVERIFY(placed.prompt.LastText().contains(QStringLiteral("names 4 tracks")));
        QVERIFY(!placed.dlg.IsSuggesting());
    }
};

QTEST_MAIN(SuggestionsWindowTest)
#include "SuggestionsWindowTest.moc"
