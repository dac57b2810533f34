#include "core/play/TestTone.h"

#include "core/riff/WaveLayout.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <numbers>

namespace sundrel {

namespace {

constexpr double kFadeSeconds = 0.01;

WaveFormatEx ToneFormat(std::uint32_t rate) {
    WaveFormat format;
    format.formatTag = kFormatPcm;
    format.channels = 2;
    format.sampleRate = rate;
    format.bitsPerSample = 16;
    return MakeWaveFormatEx(format);
}

} // namespace

std::vector<std::byte> SineBlock(const WaveFormatEx& format, double hz, double seconds,
                                 double amplitude) {
    const auto frames = static_cast<std::size_t>(std::max(0.0, seconds) * format.nSamplesPerSec);
    const std::size_t channels = format.nChannels;
    std::vector<std::byte> bytes(frames * channels * 2);
    const double rate = format.nSamplesPerSec;
    const double fadeFrames = std::max(1.0, kFadeSeconds * rate);
    for (std::size_t i = 0; i < frames; ++i) {
        const double edge = std::min(static_cast<double>(i), static_cast<double>(frames - 1 - i));
        const double gain = std::min(1.0, edge / fadeFrames) * std::clamp(amplitude, 0.0, 1.0);
        const double value =
            gain * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate);
        const auto sample = static_cast<std::int16_t>(std::lround(value * 32767.0));
        const auto word = static_cast<std::uint16_t>(sample);
        for (std::size_t c = 0; c < channels; ++c) {
            const std::size_t at = (i * channels + c) * 2;
            bytes[at] = static_cast<std::byte>(word & 0xFFu);
            bytes[at + 1] = static_cast<std::byte>(word >> 8);
        }
    }
    return bytes;
}

WaveOutStatus PlayTestTone(WaveOut& device, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any cv;
    bool done = false;
    const auto onDone = [&] {
        const std::lock_guard lock(mutex);
        done = true;
        cv.notify_all();
    };
    WaveFormatEx format = ToneFormat(44100);
    WaveOutStatus status = device.Open(format, onDone);
    if (status.error == WaveOutError::UnsupportedFormat) {
        format = ToneFormat(48000);
        status = device.Open(format, onDone);
    }
    if (!status.Ok()) {
        return status;
    }
    const std::vector<std::byte> tone =
        SineBlock(format, kTestToneHz, kTestToneSeconds, kTestToneAmplitude);
    device.Write(tone);
    {
        std::unique_lock lock(mutex);
        cv.wait(lock, stop, [&] { return done; });
    }
    if (stop.stop_requested()) {
        device.Reset();
    }
    device.Close(); // lets the last of the tone reach the output
    return status;
}

} // namespace sundrel
