// Playback costs against the null device:
//  - time from Play to the first block handed to the device, against a baseline of opening
//    the mix and reading the first block's bytes (what Play cannot avoid);
//  - CPU time per second of audio played, against reading the same audio in 1024-byte chunks.
// Prints plain numbers and ratios measured in the same run.

#include "core/audio/WaveFile.h"
#include "core/play/PlaybackSession.h"
#include "core/split/TrackHeader.h"
#include "sound/NullOut.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A canonical 16-bit stereo 44.1 kHz file of `seconds` of a simple tone.
void WriteMix(const std::filesystem::path& path, double seconds) {
    const auto frames = static_cast<std::uint32_t>(seconds * 44100);
    const sundrel::WaveFormatEx format =
        sundrel::MakeWaveFormatEx({sundrel::kFormatPcm, 2, 44100, 16, false});
    const std::vector<std::byte> header = sundrel::MakeTrackHeader(format, frames * 4ull);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::uint32_t>(static_cast<std::uint16_t>((i * 37) % 20000));
        const std::uint32_t both = v | (v << 16);
        const char bytes[4] = {static_cast<char>(both), static_cast<char>(both >> 8),
                               static_cast<char>(both >> 16), static_cast<char>(both >> 24)};
        out.write(bytes, 4);
    }
}

// The null device, noting when the first block arrives.
class FirstBlockOut : public sundrel::WaveOut {
  public:
    std::promise<Clock::time_point> first;
    sundrel::WaveOutStatus Open(const sundrel::WaveFormatEx& f, DoneCallback done) override {
        return m_out.Open(f, std::move(done));
    }
    void Write(std::span<const std::byte> block) override {
        if (!m_noted.exchange(true)) {
            first.set_value(Clock::now());
        }
        m_out.Write(block);
    }
    void Reset() override { m_out.Reset(); }
    void Close() override { m_out.Close(); }
    std::uint64_t FramesPlayed() const override { return m_out.FramesPlayed(); }

  private:
    sundrel::audio::NullOut m_out;
    std::atomic<bool> m_noted{false};
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / "sundrel-play-bench";
    std::filesystem::create_directories(dir);
    const auto path = dir / "mix.wav";
    constexpr double kSeconds = 3.0;
    WriteMix(path, kSeconds);
    const CWaveFile wave(path);
    constexpr int kRuns = 200;

    // Baseline: open the file, seek past the header and read the first block in chunks.
    std::vector<double> baseline;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = Clock::now();
        std::ifstream in(path, std::ios::binary);
        in.seekg(48);
        std::array<char, 1024> chunk{};
        for (int c = 0; c < 8; ++c) {
            in.read(chunk.data(), chunk.size());
        }
        baseline.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }

    // Play to the first block on the device, through the session as the window uses it.
    std::vector<double> firstBlock;
    FirstBlockOut* device = nullptr;
    sundrel::PlaybackSession session([&] {
        auto out = std::make_unique<FirstBlockOut>();
        device = out.get();
        return out;
    });
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = Clock::now();
        session.Start(wave, 0.0f);
        const Clock::time_point t1 = device->first.get_future().get();
        firstBlock.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        session.Stop();
    }
    // The same, with Play on the calling thread: the player's own share, without the
    // scheduling of a new worker thread.
    std::vector<double> direct;
    for (int i = 0; i < kRuns; ++i) {
        FirstBlockOut out;
        std::stop_source stop;
        std::future<Clock::time_point> noted = out.first.get_future();
        std::thread stopper([&] {
            noted.wait();
            stop.request_stop();
        });
        const auto t0 = Clock::now();
        wave.Play(out, {}, 0.0f, stop.get_token());
        stopper.join();
        direct.push_back(std::chrono::duration<double, std::micro>(noted.get() - t0).count());
    }
    const double base = Median(baseline);
    const double first = Median(firstBlock);
    std::printf("open + read first block (baseline): %8.1f us (median of %d)\n", base, kRuns);
    std::printf("Play -> first block at the device:  %8.1f us (median of %d), %.1fx baseline\n",
                first, kRuns, first / base);
    std::printf("  of which Play itself (no thread):  %8.1f us (median of %d), %.1fx baseline\n",
                Median(direct), kRuns, Median(direct) / base);

    // CPU per second of audio: reading the whole mix in chunks, then playing it in real time.
    const double r0 = CpuSeconds();
    {
        std::ifstream in(path, std::ios::binary);
        std::array<char, 1024> chunk{};
        while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        }
    }
    const double readCpu = CpuSeconds() - r0;

    const double c0 = CpuSeconds();
    const auto w0 = Clock::now();
    std::promise<void> ended;
    session.Start(
        wave, 0.0f, [](const std::string&) {},
        [&](const sundrel::PlayResult&) { ended.set_value(); });
    ended.get_future().wait();
    const double wall = std::chrono::duration<double>(Clock::now() - w0).count();
    const double playCpu = CpuSeconds() - c0;
    session.Stop();
    const double audio = wave.GetDuration();
    std::printf("reading the mix (baseline):          %8.3f ms CPU per audio second\n",
                1000 * readCpu / audio);
    std::printf("playing on the null device:          %8.3f ms CPU per audio second "
                "(%.3f %% of one core; %.1fx baseline; wall %.2f s for %.2f s of audio)\n",
                1000 * playCpu / audio, 100 * playCpu / wall, playCpu / readCpu, wall, audio);
    std::filesystem::remove_all(dir);
    return 0;
}
