// Plays a generated mix through the real player and the PortAudio backend into a private
// PulseAudio null sink, records the sink's monitor with parec, and checks that what was
// captured is the mix's audio: aligned by cross-correlation, then compared sample by sample.
// Expects the environment of pulse_fixture.sh (PULSE_RUNTIME_PATH etc.); exits 77 when
// PulseAudio's tools are not installed.

#include "core/audio/WaveFile.h"
#include "core/play/PlaybackSession.h"
#include "sound/MakeWaveOut.h"
#include "support/WavFixture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

constexpr int kSkip = 77;
constexpr int kRate = 44100;
constexpr std::size_t kLead = kRate / 4;       // 250 ms of silence before the signal
constexpr std::size_t kSignal = kRate * 6 / 5; // 1.2 s of signal
constexpr std::size_t kTrail = kRate / 50;     // 20 ms: the signal reaches into the last block

std::vector<std::int16_t> Samples(const fixture::Bytes& bytes) {
    std::vector<std::int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

// Starts `parec` recording the null sink's monitor into `out`; returns its PID.
pid_t StartRecorder(const std::filesystem::path& out) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const char* argv[] = {"parec",          "--latency-msec=20", "--device=testsink.monitor",
                          "--format=s16le", "--rate=44100",      "--channels=2",
                          nullptr};
    pid_t pid = 0;
    const int err =
        posix_spawnp(&pid, "parec", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    return err == 0 ? pid : -1;
}

bool RecorderConnected() {
    // One line per recording stream once parec is attached to the monitor.
    return std::system("pactl list short source-outputs 2>/dev/null | grep -q .") == 0;
}

// The lag (capture frame - mix frame) at which the left channel of `ref` best matches `cap`.
std::optional<long> BestLag(const std::vector<std::int16_t>& cap,
                            const std::vector<std::int16_t>& ref, std::size_t refFrom,
                            std::size_t refFrames) {
    const std::size_t capFrames = cap.size() / 2;
    double best = 0.0;
    std::optional<long> bestLag;
    for (std::size_t at = 0; at + refFrames <= capFrames; ++at) {
        double dot = 0.0;
        for (std::size_t i = 0; i < refFrames; ++i) {
            dot += double(cap[2 * (at + i)]) * double(ref[2 * (refFrom + i)]);
        }
        if (dot > best) {
            best = dot;
            bestLag = static_cast<long>(at) - static_cast<long>(refFrom);
        }
    }
    return bestLag;
}

int Run() {
    const char* tools =
        "{ command -v pulseaudio && command -v parec && command -v pactl; } >/dev/null";
    if (std::system(tools) != 0) {
        std::puts("PulseAudio tools not installed: skipping");
        return kSkip;
    }
    if (std::getenv("PULSE_RUNTIME_PATH") == nullptr) {
        std::puts("PULSE_RUNTIME_PATH is not set: run through ctest (pulse fixture)");
        return 1;
    }
    ::unsetenv("SUNDREL_AUDIO"); // the real backend

    fixture::TempDir dir;
    const fixture::Format format{1, 2, kRate, 16};
    fixture::Bytes audio(kLead * 4, std::byte{0});
    const fixture::Bytes signal = fixture::TestSignal(format, kSignal, 7);
    audio.insert(audio.end(), signal.begin(), signal.end());
    audio.resize(audio.size() + kTrail * 4, std::byte{0});
    fixture::WriteFile(dir / "mix.wav", fixture::CanonicalWav(format, audio));
    const CWaveFile wave(dir / "mix.wav");

    const std::filesystem::path capturePath = dir / "capture.raw";
    const pid_t recorder = StartRecorder(capturePath);
    if (recorder < 0) {
        std::puts("cannot start parec");
        return 1;
    }
    for (int i = 0; i < 100 && !RecorderConnected(); ++i) {
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(200ms);

    sundrel::PlaybackSession session([] { return sundrel::audio::MakeWaveOut(); });
    session.Start(wave, 0.0f);
    double lastPosition = 0.0;
    bool clockMonotonic = true;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!session.Result() && std::chrono::steady_clock::now() < deadline) {
        const double p = session.Position().value_or(0.0);
        clockMonotonic = clockMonotonic && p >= lastPosition;
        lastPosition = p;
        std::this_thread::sleep_for(10ms);
    }
    const auto result = session.Result();
    const double endPosition = session.Stop().value_or(-1.0);
    std::this_thread::sleep_for(300ms);
    ::kill(recorder, SIGINT);
    int status = 0;
    ::waitpid(recorder, &status, 0);

    if (!result || result->end != sundrel::PlayEnd::Finished) {
        std::printf("playback did not finish by itself: %s\n",
                    result ? result->message.c_str() : "timed out");
        return 1;
    }
    std::printf("device clock: end position %.4f s of %.4f s, monotonic %s\n", endPosition,
                wave.GetDuration(), clockMonotonic ? "yes" : "no");
    if (!clockMonotonic || std::abs(endPosition - wave.GetDuration()) > 0.01) {
        std::puts("the device clock does not end at the end of the mix");
        return 1;
    }

    const std::vector<std::int16_t> cap = Samples(fixture::ReadFile(capturePath));
    const std::vector<std::int16_t> ref = Samples(audio);
    std::printf("captured %zu frames\n", cap.size() / 2);
    const std::optional<long> found = BestLag(cap, ref, kLead + kSignal / 2, 2048);
    if (!found) {
        std::puts("the signal was not found in the capture");
        return 1;
    }
    const long lag = *found;
    // Playback starts 4 bytes (one frame) into the data, so the mix's frame 0 is never sent;
    // everything from frame 1 to the last frame of the signal must be there, exactly.
    std::size_t compared = 0;
    std::size_t differing = 0;
    int maxDiff = 0;
    for (std::size_t f = kLead; f < kLead + kSignal; ++f) {
        const long at = static_cast<long>(f) + lag;
        for (std::size_t c = 0; c < 2; ++c) {
            const int expected = ref[2 * f + c];
            const int got = at >= 0 && std::size_t(at) < cap.size() / 2 ? cap[2 * at + c] : 0;
            ++compared;
            if (got != expected) {
                ++differing;
                maxDiff = std::max(maxDiff, std::abs(got - expected));
            }
        }
    }
    std::printf("lag %ld frames; %zu samples compared, %zu differ, largest difference %d\n", lag,
                compared, differing, maxDiff);
    if (differing != 0) {
        std::puts("the captured audio is not the mix's audio");
        return 1;
    }
    return 0;
}

} // namespace

int main() {
    // A sound server on a loaded machine may drop a period (an underrun) now and then; that
    // is the machine, not the player. A fault of ours fails every attempt.
    constexpr int kAttempts = 3;
    for (int attempt = 1;; ++attempt) {
        int result = 1;
        try {
            result = Run();
        } catch (const std::exception& e) {
            std::printf("error: %s\n", e.what());
        }
        if (result != 1 || attempt == kAttempts) {
            return result;
        }
        std::printf("attempt %d failed; trying again\n", attempt);
    }
}
