// The transport through the real window: Play, Pause and Stop with their control states,
// the position following the device's clock, playback that ends by itself, a sound device
// that cannot be opened, one player at a time, and closing while playing.

#include "gui/app/BitmapButton.h"
#include "support/Window.h"

#include "core/play/WaveOut.h"

#include <QLabel>
#include <QSlider>
#include <atomic>
#include <chrono>
#include <thread>

namespace ids = sundrel::gui::ids;
using sundrel::test::kSmall;

using namespace sundrel::test;

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
    std::atomic<int> opens{0}, live{0}, maxLive{0}, writes{0}, resets{0};
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
        m_log->maxLive = std::max(m_log->maxLive.load(), ++m_log->live);
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
        if (std::exchange(m_open, false)) {
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

// A window whose sound devices are TestDevices reporting to `log`; the tests run the tick.
struct Player {
    explicit Player(std::shared_ptr<DeviceLog> deviceLog = std::make_shared<DeviceLog>())
        : log(std::move(deviceLog)), w([l = log] { return std::make_unique<TestDevice>(l); }) {
        Timer(dlg)->stop();
    }
    std::shared_ptr<DeviceLog> log;
    sundrel::test::Window w;
    CSundrelDlg& dlg = w.dlg;

    bool Load(double seconds) { return w.Load(seconds, kSmall); }
    QString Buttons() const {
        return w.Enabled({ids::kPlay, ids::kStop, ids::kPause, ids::kSplit});
    }
    // Presses Play and waits until the new player hands blocks to its device.
    bool PlayUntilWriting() {
        const int before = log->writes;
        Button(dlg, ids::kPlay)->click();
        return QTest::qWaitFor([&] { return log->writes > before; });
    }
};

} // namespace

class TransportTest : public QObject {
    Q_OBJECT
  private slots:
    void pauseAndStopFollowWhatWasHeard() {
        Player p;
        CSundrelDlg& dlg = p.dlg;
        QVERIFY(p.Load(70.0));
        QCOMPARE(p.Buttons(), QStringLiteral("1000")); // Play, Stop, Pause, Split
        dlg.Session().SetPosition(10.0f);
        p.log->clock = 0;
        dlg.OnPlay();
        QCOMPARE(p.Buttons(), QStringLiteral("0110"));
        // The worker reads 20 blocks (20.48 s) ahead and posts that time as the label; the
        // tick's time from the device clock wins over it.
        QVERIFY(WaitQuietly([&] { return p.log->writes >= 20; }));
        dlg.OnPositionTick();
        QCoreApplication::processEvents();
        QCOMPARE(p.w.Where(), QStringLiteral("10 0:00:10.000 142"));

        // 55.25 s heard from 10 s on: the label reads 0:01:05.250 when Pause comes.
        p.log->clock = 55 * 8000 + 2000;
        dlg.OnPositionTick();
        Button(dlg, ids::kPause)->click();
        QCOMPARE(p.Buttons(), QStringLiteral("1101"));
        QCOMPARE(p.w.Where(), QStringLiteral("65.25 0:01:05.250 932"));
        QCOMPARE(p.w.View(), QStringLiteral("64.25 66.25"));
        dlg.OnPositionTick(); // paused: the tick moves nothing
        QCOMPARE(dlg.Session().Position(), 65.25f);

        // Without Auto Jump the window stays where it was.
        dlg.OnAutoJump();
        p.log->clock = 4000;
        QVERIFY(p.PlayUntilWriting());
        dlg.OnPause();
        QCOMPARE(dlg.Session().Position(), 65.75f); // resumed where the sound stopped
        QCOMPARE(p.w.View(), QStringLiteral("64.25 66.25"));
        QVERIFY(p.PlayUntilWriting());
        Button(dlg, ids::kStop)->click();
        QCOMPARE(p.Buttons(), QStringLiteral("1001"));
        QCOMPARE(p.w.Where(), QStringLiteral("0 0:00:00.000 0"));
        QCOMPARE(p.w.View(), QStringLiteral("64.25 66.25"));

        // With Auto Jump, Stop also brings the window back to the start.
        dlg.OnAutoJump();
        QVERIFY(p.PlayUntilWriting());
        dlg.OnStop();
        QCOMPARE(p.w.View(), QStringLiteral("0 2"));
        QVERIFY(!dlg.Session().IsPlayerActive());
        QVERIFY(p.log->resets >= 3); // each Pause and Stop silenced the device at once
        QCOMPARE(p.log->live.load(), 0);
        QVERIFY(p.w.prompt.messages.isEmpty());
    }

    void playbackEndingByItselfReturnsToTheStart() {
        Player p;
        p.log->autoComplete = true;
        QVERIFY(p.Load(3.0));
        p.dlg.Session().SetPosition(1.0f);
        Button(p.dlg, ids::kPlay)->click();
        QTRY_VERIFY(!p.dlg.Session().IsPlaying());
        QVERIFY(!p.dlg.Session().IsPlayerActive());
        QCOMPARE(p.Buttons(), QStringLiteral("1001"));
        QCOMPARE(p.w.Where(), QStringLiteral("0 0:00:00.000 0"));
        QCOMPARE(p.log->live.load(), 0);

        // An end posted by a player that Pause has already ended changes nothing.
        p.dlg.OnAutoJump(); // (a window around the end would reach past it)
        Button(p.dlg, ids::kPlay)->click();
        QVERIFY(WaitQuietly([&] { return p.dlg.Session().PlayerResult().has_value(); }));
        p.dlg.OnPause(); // joins the worker, so its end is already posted
        QCoreApplication::processEvents();
        QCOMPARE(p.Buttons(), QStringLiteral("1101")); // still paused
        // Where the sound ended: playing from 0 s skips the first 4 bytes of the data.
        QCOMPARE(p.dlg.Session().Position(), 2.999f);
    }

    void deviceThatCannotOpenKeepsEverything() {
        Player p;
        p.log->failOpen = true;
        QVERIFY(p.Load(10.0));
        AddMarkerAt(p.dlg, 2.5f);
        AddMarkerAt(p.dlg, 5.0f);
        p.dlg.Session().SetPosition(4.0f);
        Button(p.dlg, ids::kPlay)->click();
        QTRY_VERIFY(!p.dlg.Session().IsPlaying());
        QCOMPARE(p.w.prompt.messages.size(), 1);
        QCOMPARE(p.w.prompt.LastText(), QStringLiteral("error sound"));
        QCOMPARE(p.w.prompt.messages[0].caption, QString());
        QCOMPARE(Percents(p.dlg), (std::vector<float>{0.0f, 25.0f, 50.0f}));
        QCOMPARE(p.dlg.Session().Position(), 4.0f);
        QCOMPARE(p.Buttons().left(3), QStringLiteral("100"));
    }

    // Loading another mix ends the player before the old mix goes away (a second Play while
    // playing: PlaybackSessionTest).
    void oneWriterAtATime() {
        Player p;
        QVERIFY(p.Load(30.0));
        QVERIFY(p.PlayUntilWriting());
        QVERIFY(p.dlg.LoadWaveFile(p.w.Mix(30.0, {1, 1, 11025, 8}, "b.wav")));
        QVERIFY(!p.dlg.Session().IsPlayerActive());
        QCOMPARE(p.log->live.load(), 0);
        QCOMPARE(p.Buttons().left(3), QStringLiteral("100"));
        QVERIFY(p.PlayUntilWriting());
        QCOMPARE(p.log->lastRate.load(), 11025u);
        QCOMPARE(p.log->maxLive.load(), 1);
        p.dlg.OnStop();
    }

    void closingWhilePlayingEndsThePlayer() {
        for (const bool close : {true, false}) { // the close box, or the window destroyed
            auto log = std::make_shared<DeviceLog>();
            {
                Player p(log);
                p.dlg.show();
                QVERIFY(p.Load(30.0));
                QVERIFY(p.PlayUntilWriting());
                if (close) {
                    p.dlg.close();
                    QVERIFY(!p.dlg.Session().IsPlayerActive());
                    QCOMPARE(log->live.load(), 0);
                }
            }
            QCOMPARE(log->live.load(), 0);
        }
    }
};

QTEST_MAIN(TransportTest)
#include "TransportTest.moc"
