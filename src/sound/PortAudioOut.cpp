#include "sound/PortAudioOut.h"

#include "sound/OutputDevices.h"
#include "sound/PortAudioLibrary.h"

#include "core/riff/WaveLayout.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <portaudio.h>
#include <string>
#include <thread>

namespace sundrel::audio {

namespace {

bool SampleFormatOf(const WaveFormatEx& format, PaSampleFormat& out) {
    if (format.wFormatTag == kFormatFloat) {
        out = paFloat32;
        return format.wBitsPerSample == 32;
    }
    switch (format.wBitsPerSample) {
    case 8:
        out = paUInt8;
        return true;
    case 16:
        out = paInt16;
        return true;
    case 24:
        out = paInt24;
        return true;
    case 32:
        out = paInt32;
        return true;
    default:
        return false;
    }
}

std::string Describe(const WaveFormatEx& f) {
    WaveFormat format;
    format.formatTag = f.wFormatTag;
    format.channels = f.nChannels;
    format.sampleRate = f.nSamplesPerSec;
    format.bitsPerSample = f.wBitsPerSample;
    return DescribeFormat(format);
}

} // namespace

PortAudioOut::~PortAudioOut() {
    Reset();
    Close();
}

WaveOutStatus PortAudioOut::Open(const WaveFormatEx& format, DoneCallback onDone) {
    Close();
    if (const PaError status = PortAudioStatus(); status != paNoError) {
        return {WaveOutError::Failed, Pa_GetErrorText(status)};
    }
    PaSampleFormat sampleFormat = 0;
    if (!SampleFormatOf(format, sampleFormat) || format.nChannels == 0 || format.nBlockAlign == 0) {
        return {WaveOutError::UnsupportedFormat,
                "the sound device cannot play " + Describe(format)};
    }
    const PaDeviceIndex device = FindOutputDevice(m_device);
    if (device == paNoDevice) {
        // A chosen device that is gone (a USB card unplugged) is not replaced by the default:
        // a preview meant for the headphones must not reach the room.
        return {WaveOutError::NoDevice,
                m_device.empty() ? std::string("no sound output device")
                                 : "the sound device \"" + m_device + "\" is not connected"};
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = format.nChannels;
    params.sampleFormat = sampleFormat;
    params.suggestedLatency = info != nullptr ? info->defaultHighOutputLatency : 0.1;
    if (Pa_IsFormatSupported(nullptr, &params, format.nSamplesPerSec) != paFormatIsSupported) {
        return {WaveOutError::UnsupportedFormat,
                "the sound device cannot play " + Describe(format)};
    }
    m_frameSize = format.nBlockAlign;
    m_rate = format.nSamplesPerSec;
    m_silence = sampleFormat == paUInt8 ? std::byte{0x80} : std::byte{0};
    {
        const std::lock_guard lock(m_clockMutex);
        m_clock.Store({});
        m_reported = 0;
    }
    PaStream* stream = nullptr;
    PaError err =
        Pa_OpenStream(&stream, nullptr, &params, format.nSamplesPerSec,
                      paFramesPerBufferUnspecified, paNoFlag, &PortAudioOut::Callback, this);
    if (err != paNoError) {
        return {err == paDeviceUnavailable ? WaveOutError::NoDevice : WaveOutError::Failed,
                Pa_GetErrorText(err)};
    }
    if (const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream)) {
        m_latency = streamInfo->outputLatency;
    }
    m_blocks.Begin(std::move(onDone));
    if (err = Pa_StartStream(stream); err != paNoError) {
        m_blocks.End();
        Pa_CloseStream(stream);
        return {WaveOutError::Failed, Pa_GetErrorText(err)};
    }
    m_broken = false;
    const std::lock_guard lock(m_clockMutex);
    m_stream = stream;
    m_running = true;
    return {};
}

void PortAudioOut::Write(std::span<const std::byte> block) {
    m_blocks.Push(block);
    if (m_broken) {
        m_blocks.Pull(nullptr, m_blocks.QueuedBytes()); // no stream: hand blocks back
    }
}

void PortAudioOut::Reset() {
    if (m_stream == nullptr) {
        return;
    }
    // Abort drops what the host still buffers, so the sound stops at once.
    Pa_AbortStream(m_stream);
    {
        const std::lock_guard lock(m_clockMutex);
        HoldClockLocked(Pa_GetStreamTime(m_stream));
    }
    m_blocks.Drop(); // the callback is not running
    if (Pa_StartStream(m_stream) == paNoError) {
        const std::lock_guard lock(m_clockMutex);
        m_running = true;
    } else {
        m_broken = true;
    }
}

void PortAudioOut::Close() {
    if (m_stream == nullptr) {
        return;
    }
    // Let the written blocks reach the callback, then keep the stream running until the last
    // data frame has left the output (plus a margin), so the end of the mix is heard.
    const auto playTime = std::chrono::milliseconds(
        1000 * static_cast<std::int64_t>(m_blocks.QueuedBytes()) / (m_rate * m_frameSize));
    m_blocks.WaitEmpty(playTime + std::chrono::seconds(2));
    double until = 0.0;
    if (const ClockSnapshot clock = m_clock.Load(); clock.framesInBuffer > 0) {
        const double end = clock.dacTime > 0.0
                               ? clock.dacTime + static_cast<double>(clock.framesInBuffer) / m_rate
                               : Pa_GetStreamTime(m_stream) + m_latency;
        until = end + 0.1;
    }
    for (int i = 0; i < 100 && !m_broken && Pa_GetStreamTime(m_stream) < until; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    PaStream* stream = m_stream;
    Pa_AbortStream(stream);
    {
        const std::lock_guard lock(m_clockMutex);
        HoldClockLocked(Pa_GetStreamTime(stream));
        m_stream = nullptr;
    }
    Pa_CloseStream(stream);
    m_blocks.End();
}

std::uint64_t PortAudioOut::FramesPlayed() const {
    const std::lock_guard lock(m_clockMutex);
    if (!m_running || m_stream == nullptr) {
        return m_reported;
    }
    return PlayedLocked(Pa_GetStreamTime(m_stream));
}

std::uint64_t PortAudioOut::PlayedLocked(double now) const {
    if (!m_running) {
        return m_reported;
    }
    const ClockSnapshot clock = m_clock.Load();
    const std::uint64_t handedOut = clock.framesBefore + clock.framesInBuffer;
    double played = 0.0;
    if (clock.dacTime > 0.0) {
        played = static_cast<double>(clock.framesBefore) + (now - clock.dacTime) * m_rate;
    } else { // the host gives no DAC time: assume the reported output latency
        played = static_cast<double>(handedOut) - m_latency * m_rate;
    }
    const double clamped = std::clamp(played, 0.0, static_cast<double>(handedOut));
    m_reported = std::max(m_reported, static_cast<std::uint64_t>(clamped));
    return m_reported;
}

// With the stream stopped: the clock holds at what had played, and the next callback counts
// on from there.
void PortAudioOut::HoldClockLocked(double now) {
    m_reported = PlayedLocked(now);
    m_clock.Store({m_reported, 0, 0.0});
    m_running = false;
}

int PortAudioOut::Callback(const void*, void* output, unsigned long frames,
                           const PaStreamCallbackTimeInfo* time, unsigned long, void* self) {
    return static_cast<PortAudioOut*>(self)->Fill(
        static_cast<std::byte*>(output), frames, time != nullptr ? time->outputBufferDacTime : 0.0);
}

int PortAudioOut::Fill(std::byte* out, unsigned long frames, double dacTime) {
    const std::size_t size = static_cast<std::size_t>(frames) * m_frameSize;
    const std::size_t taken = m_blocks.Pull(out, size);
    std::fill(out + taken, out + size, m_silence);
    if (taken > 0) {
        ClockSnapshot clock = m_clock.Load(); // its own last store, or the stopped stream's
        clock.framesBefore += clock.framesInBuffer;
        clock.framesInBuffer = taken / m_frameSize;
        clock.dacTime = dacTime;
        m_clock.Store(clock);
    }
    return paContinue;
}

} // namespace sundrel::audio
