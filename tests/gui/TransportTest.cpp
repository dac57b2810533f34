// The transport through the real window: Play, Pause and Stop with their control states,
// the position following the device's clock, playback that ends by itself, a sound device
// that cannot be opened, one player at a time, and closing while playing.

#include "gui/app/BitmapButton.h"
#include "gui/app/SundrelDlg.h"
#include "support/ScriptedPrompt.h"
#include "support/WavFixture.h"

#include "core/play/WaveOut.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

using sundrel::test::ScriptedPrompt;

namespace {

// Waits for a worker without running the event loop, so what it posts stays queued.
template <class Pred> bool WaitQuietly(Pred pred) {
    for (int i = 0; i < 10000 && !pred(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return pred();
}

// What the devices of one window did, and how the test wants them to behave.
struct DeviceLog {
    std::atomic<bool> failOpen{false};
    std::atomic<bool> autoComplete{false}; // finish each block as soon as it is written
    std::atomic<std::int64_t> clock{-1};   // frames played; -1: the frames of finished blocks
    std::atomic<int> opens{0};
    std::atomic<int> live{0}; // devices open at this moment
    std::atomic<int> maxLive{0};
    std::atomic<int> writes{0};
    std::atomic<int> resets{0};
    std::atomic<std::uint32_t> lastRate{0};
};

// An output device that plays nothing: it records, finishes blocks when told to, and reports
// the clock the test sets.
class TestDevice final : public sundrel::WaveOut {
  public:
    explicit TestDevice(std::shared_ptr<DeviceLog> log) : m_log(std::move(log)) {}
    ~TestDevice() override { Close(); }

    sundrel::WaveOutStatus Open(const sundrel::WaveFormatEx& format, DoneCallback onDone) override {
        ++m_log->opens;
        if (m_log->failOpen) {
            return {sundrel::WaveOutError::NoDevice, "no device"};
        }
        m_frame = std::max<std::uint32_t>(format.nBlockAlign, 1);
        m_log->lastRate = format.nSamplesPerSec;
        m_onDone = std::move(onDone);
        m_open = true;
        const int live = ++m_log->live;
        m_log->maxLive = std::max(m_log->maxLive.load(), live);
        return {};
    }
    void Write(std::span<const std::byte> block) override {
        ++m_log->writes;
        if (m_log->autoComplete) {
            m_played += block.size() / m_frame;
            m_onDone();
        }
    }
    void Reset() override { ++m_log->resets; }
    void Close() override {
        if (m_open) {
            m_open = false;
            --m_log->live;
        }
    }
    std::uint64_t FramesPlayed() const override {
        const std::int64_t clock = m_log->clock;
        return clock >= 0 ? static_cast<std::uint64_t>(clock) : m_played.load();
    }

  private:
    std::shared_ptr<DeviceLog> m_log;
    DoneCallback m_onDone;
    std::uint32_t m_frame = 1;
    std::atomic<std::uint64_t> m_played{0};
    bool m_open = false;
};

// 8000 frames per second of 8-bit mono: one second is 8000 bytes and 8000 frames.
constexpr fixture::Format kSmall{1, 1, 8000, 8};

std::filesystem::path WriteMix(const fixture::TempDir& dir, const std::string& name, double seconds,
                               fixture::Format format = kSmall) {
    const auto path = dir / name;
    const auto frames = static_cast<std::size_t>(seconds * format.rate);
    fixture::WriteFile(path, fixture::CanonicalWav(format, fixture::TestSignal(format, frames)));
    return path;
}

// A window whose sound devices are TestDevices reporting to `log`.
struct Window {
    explicit Window(std::shared_ptr<DeviceLog> deviceLog = std::make_shared<DeviceLog>())
        : log(std::move(deviceLog)),
          dlg(prompt, nullptr, [l = log] { return std::make_unique<TestDevice>(l); }) {
        dlg.m_pTimer->stop(); // the tests run the tick themselves
    }
    std::shared_ptr<DeviceLog> log;
    ScriptedPrompt prompt;
    CSundrelDlg dlg;

    QString Label() const { return dlg.m_stPosition->text(); }
    // Play, Stop, Pause, Split enabled.
    QString Buttons() const {
        QString s;
        for (const QWidget* w : {static_cast<const QWidget*>(dlg.m_btnPlay),
                                 static_cast<const QWidget*>(dlg.m_btnStop),
                                 static_cast<const QWidget*>(dlg.m_btnPause),
                                 static_cast<const QWidget*>(dlg.m_btnSplit)}) {
            s += w->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        }
        return s;
    }
    // Presses Play and waits until the new player hands blocks to its device.
    bool PlayUntilWriting() {
        const int before = log->writes;
        dlg.m_btnPlay->click();
        return QTest::qWaitFor([&] { return log->writes > before; });
    }
};

} // namespace

class TransportTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { m_cwd = std::filesystem::current_path(); }
    void cleanup() { std::filesystem::current_path(m_cwd); }

    void buttonsFollowPlayPauseStop() {
        fixture::TempDir dir;
        Window w;
        QVERIFY(w.dlg.LoadWaveFile(WriteMix(dir, "mix.wav", 30.0)));
        QCOMPARE(w.Buttons(), QStringLiteral("1000"));
        w.log->clock = 5 * 8000; // Pause at 5 s: its window 4..6 lies inside the mix
        QVERIFY(w.PlayUntilWriting());
        QVERIFY(w.dlg.m_bPlaying);
        QCOMPARE(w.Buttons(), QStringLiteral("0110"));
        w.dlg.m_btnPause->click();
        QVERIFY(!w.dlg.m_bPlaying);
        QVERIFY(!w.dlg.m_pPlayThread->IsActive());
        QCOMPARE(w.Buttons(), QStringLiteral("1101"));
        QVERIFY(w.PlayUntilWriting());
        QCOMPARE(w.Buttons(), QStringLiteral("0110"));
        w.dlg.m_btnStop->click();
        QCOMPARE(w.Buttons(), QStringLiteral("1001"));
        QVERIFY(!w.dlg.m_pPlayThread->IsActive());
        QVERIFY(w.log->resets >= 2); // Pause and Stop silenced the device at once
        QCOMPARE(w.log->live.load(), 0);
        QVERIFY(w.prompt.messages.isEmpty());
    }

    void pauseAndStopFollowWhatWasHeard() {
        fixture::TempDir dir;
        Window w;
        QVERIFY(w.dlg.LoadWaveFile(WriteMix(dir, "mix.wav", 70.0)));
        w.dlg.m_fPosition = 10.0f;
        w.log->clock = 0;
        w.dlg.OnPlay();
        // The worker reads 20 blocks (20.48 s) ahead and posts that time as the label; the
        // tick's time from the device clock wins over it.
        QVERIFY(WaitQuietly([&] { return w.log->writes >= 20; }));
        w.dlg.OnPositionTick();
        QCoreApplication::processEvents();
        QCOMPARE(w.Label(), QStringLiteral("0:00:10.000"));

        // 55.25 s heard from 10 s on: the label reads 0:01:05.250 when Pause comes.
        w.log->clock = 55 * 8000 + 2000;
        w.dlg.OnPositionTick();
        QCOMPARE(w.Label(), QStringLiteral("0:01:05.250"));
        QCOMPARE(w.dlg.m_slider->value(), 932); // 65250 / 70
        w.dlg.OnPause();
        QCOMPARE(w.dlg.m_fPosition, 65.25f);
        QCOMPARE(w.Label(), QStringLiteral("0:01:05.250"));
        QCOMPARE(w.dlg.m_fViewFrom, 64.25f);
        QCOMPARE(w.dlg.m_fViewTo, 66.25f);
        w.dlg.OnPositionTick(); // paused: the tick moves nothing
        QCOMPARE(w.dlg.m_fPosition, 65.25f);

        // Without Auto Jump the window stays where it was.
        w.dlg.OnAutoJump();
        w.log->clock = 4000;
        QVERIFY(w.PlayUntilWriting());
        w.dlg.OnPause();
        QCOMPARE(w.dlg.m_fPosition, 65.75f); // resumed where the sound stopped
        QCOMPARE(w.dlg.m_fViewFrom, 64.25f);
        QCOMPARE(w.dlg.m_fViewTo, 66.25f);
        w.dlg.OnStop();
        QCOMPARE(w.dlg.m_fPosition, 0.0f);
        QCOMPARE(w.Label(), QStringLiteral("0:00:00.000"));
        QCOMPARE(w.dlg.m_slider->value(), 0);
        QCOMPARE(w.dlg.m_fViewFrom, 64.25f);

        // With Auto Jump, Stop also brings the window back to the start.
        w.dlg.OnAutoJump();
        QVERIFY(w.PlayUntilWriting());
        w.dlg.OnStop();
        QCOMPARE(w.dlg.m_fViewFrom, 0.0f);
        QCOMPARE(w.dlg.m_fViewTo, 2.0f);
        QCOMPARE(w.dlg.m_slider->value(), 0);
        QVERIFY(w.prompt.messages.isEmpty());
    }

    void tickHoldsAtTheDuration() {
        fixture::TempDir dir;
        Window w;
        QVERIFY(w.dlg.LoadWaveFile(WriteMix(dir, "mix.wav", 5.0)));
        w.log->clock = 9 * 8000; // a clock past the end of the data
        QVERIFY(w.PlayUntilWriting());
        for (int i = 0; i < 2; ++i) {
            w.dlg.OnPositionTick();
            QCOMPARE(w.dlg.m_fPosition, 5.0f);
            QCOMPARE(w.dlg.m_slider->value(), 1000);
            QCOMPARE(w.Label(), QStringLiteral("0:00:05.000"));
        }
        w.dlg.OnStop();
    }

    void playbackEndingByItselfReturnsToTheStart() {
        fixture::TempDir dir;
        Window w;
        w.log->autoComplete = true;
        QVERIFY(w.dlg.LoadWaveFile(WriteMix(dir, "mix.wav", 3.0)));
        w.dlg.m_fPosition = 1.0f;
        w.dlg.m_btnPlay->click();
        QTRY_VERIFY(!w.dlg.m_bPlaying);
        QVERIFY(!w.dlg.m_pPlayThread->IsActive());
        QCOMPARE(w.Buttons(), QStringLiteral("1001"));
        QCOMPARE(w.dlg.m_fPosition, 0.0f);
        QCOMPARE(w.Label(), QStringLiteral("0:00:00.000"));
        QCOMPARE(w.dlg.m_fViewFrom, 0.0f);
        QCOMPARE(w.log->live.load(), 0);

        // An end posted by a player that Pause has already ended changes nothing.
        w.dlg.OnAutoJump(); // (a window around the end would reach past it)
        w.dlg.m_btnPlay->click();
        QVERIFY(WaitQuietly([&] { return w.dlg.m_pPlayThread->Result().has_value(); }));
        w.dlg.OnPause(); // joins the worker, so its end is already posted
        QCoreApplication::processEvents();
        QCOMPARE(w.Buttons(), QStringLiteral("1101")); // still paused
        // Where the sound ended: playing from 0 s skips the first 4 bytes of the data.
        QCOMPARE(w.dlg.m_fPosition, 2.999f);
        QVERIFY(w.prompt.messages.isEmpty());
    }

    void deviceThatCannotOpenKeepsEverything() {
        fixture::TempDir dir;
        Window w;
        w.log->failOpen = true;
        QVERIFY(w.dlg.LoadWaveFile(WriteMix(dir, "mix.wav", 10.0)));
        w.dlg.m_markers.Replace(std::vector<float>{0.0f, 25.0f, 50.0f});
        w.dlg.m_fPosition = 4.0f;
        w.dlg.m_btnPlay->click();
        QTRY_VERIFY(!w.dlg.m_bPlaying);
        QCOMPARE(w.prompt.messages.size(), 1);
        QCOMPARE(w.prompt.messages[0].text, QStringLiteral("error sound"));
        QCOMPARE(w.prompt.messages[0].caption, QString());
        QCOMPARE(w.dlg.m_markers.Values(), (std::vector<float>{0.0f, 25.0f, 50.0f}));
        QCOMPARE(w.dlg.m_fPosition, 4.0f);
        QCOMPARE(w.Buttons().left(3), QStringLiteral("100"));
        QVERIFY(!w.dlg.m_pPlayThread->IsActive());

        // The program goes on: once a device opens, Play plays.
        w.log->failOpen = false;
        QVERIFY(w.PlayUntilWriting());
        QVERIFY(w.dlg.m_bPlaying);
        w.dlg.OnStop();
    }

    void oneWriterAtATime() {
        fixture::TempDir dir;
        Window w;
        QVERIFY(w.dlg.LoadWaveFile(WriteMix(dir, "a.wav", 30.0)));
        QVERIFY(w.PlayUntilWriting());
        // Play again while playing (the button is off, the handler is not).
        const int before = w.log->writes;
        w.dlg.OnPlay();
        QVERIFY(QTest::qWaitFor([&] { return w.log->writes > before; }));
        QCOMPARE(w.log->opens.load(), 2);
        QCOMPARE(w.log->maxLive.load(), 1);

        // Loading another mix ends the player before the old mix goes away.
        QVERIFY(w.dlg.LoadWaveFile(WriteMix(dir, "b.wav", 30.0, {1, 1, 11025, 8})));
        QVERIFY(!w.dlg.m_bPlaying);
        QVERIFY(!w.dlg.m_pPlayThread->IsActive());
        QCOMPARE(w.log->live.load(), 0);
        QCOMPARE(w.Buttons().left(3), QStringLiteral("100"));
        QVERIFY(w.PlayUntilWriting());
        QCOMPARE(w.log->lastRate.load(), 11025u);
        QCOMPARE(w.log->maxLive.load(), 1);
        w.dlg.OnStop();
    }

    void closingWhilePlayingEndsThePlayer() {
        fixture::TempDir dir;
        const auto mix = WriteMix(dir, "mix.wav", 30.0);
        for (const bool escape : {false, true}) {
            Window w;
            w.dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
            QVERIFY(w.dlg.LoadWaveFile(mix));
            QVERIFY(w.PlayUntilWriting());
            if (escape) {
                QTest::keyClick(&w.dlg, Qt::Key_Escape);
            } else {
                w.dlg.close();
            }
            QVERIFY(!w.dlg.isVisible());
            QVERIFY(!w.dlg.m_pPlayThread->IsActive());
            QCOMPARE(w.log->live.load(), 0);
        }
        // Destroying the window while it plays ends the player with it.
        auto log = std::make_shared<DeviceLog>();
        {
            Window w(log);
            QVERIFY(w.dlg.LoadWaveFile(mix));
            QVERIFY(w.PlayUntilWriting());
        }
        QCOMPARE(log->live.load(), 0);
    }

  private:
    std::filesystem::path m_cwd;
};

QTEST_MAIN(TransportTest)
#include "TransportTest.moc"
