#include "audio/PortAudioOut.h"

#include "core/riff/WaveLayout.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <portaudio.h>
#include <string>
#include <thread>

#ifdef SUNDREL_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif
#ifdef SUNDREL_HAVE_JACK
#include <jack/jack.h>
#endif

namespace sundrel::audio {

namespace {

#ifdef SUNDREL_HAVE_ALSA
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif
#ifdef SUNDREL_HAVE_JACK
void QuietJack(const char*) {}
#endif

// PortAudio for the whole process: initialised on first use, terminated at exit. The
// probing of ALSA and JACK devices prints many lines on stderr on machines without those
// servers; they are silenced first.
class PortAudioLibrary {
  public:
    static PaError Status() {
        static PortAudioLibrary library;
        return library.m_status;
    }
    ~PortAudioLibrary() {
        if (m_status == paNoError) {
            Pa_Terminate();
        }
    }
    PortAudioLibrary(const PortAudioLibrary&) = delete;
    PortAudioLibrary& operator=(const PortAudioLibrary&) = delete;

  private:
    PortAudioLibrary() {
#ifdef SUNDREL_HAVE_ALSA
        snd_lib_error_set_handler(QuietAlsa);
#endif
#ifdef SUNDREL_HAVE_JACK
        jack_set_error_function(QuietJack);
        jack_set_info_function(QuietJack);
#endif
        m_status = Pa_Initialize();
    }
    PaError m_status = paNoError;
};

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
    if (const PaError status = PortAudioLibrary::Status(); status != paNoError) {
        return {WaveOutError::Failed, Pa_GetErrorText(status)};
    }
    PaSampleFormat sampleFormat = 0;
    if (!SampleFormatOf(format, sampleFormat) || format.nChannels == 0 || format.nBlockAlign == 0) {
        return {WaveOutError::UnsupportedFormat,
                "the sound device cannot play " + Describe(format)};
    }
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice) {
        return {WaveOutError::NoDevice, "no sound output device"};
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
    m_nFrameSize = format.nBlockAlign;
    m_nRate = format.nSamplesPerSec;
    m_silence = sampleFormat == paUInt8 ? std::byte{0x80} : std::byte{0};
    {
        const std::lock_guard lock(m_clockMutex);
        m_nFramesBefore = m_nFramesInBuffer = 0;
        m_fDacTime = 0.0;
        m_nReported = 0;
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
        m_fLatency = streamInfo->outputLatency;
    }
    m_blocks.Begin(std::move(onDone));
    if (err = Pa_StartStream(stream); err != paNoError) {
        m_blocks.End();
        Pa_CloseStream(stream);
        return {WaveOutError::Failed, Pa_GetErrorText(err)};
    }
    m_bBroken = false;
    const std::lock_guard lock(m_clockMutex);
    m_stream = stream;
    m_bRunning = true;
    return {};
}

void PortAudioOut::Write(std::span<const std::byte> block) {
    m_blocks.Push(block);
    if (m_bBroken) {
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
        m_nReported = PlayedLocked(Pa_GetStreamTime(m_stream));
        m_nFramesBefore = m_nReported;
        m_nFramesInBuffer = 0;
        m_bRunning = false;
    }
    m_blocks.Drop();
    if (Pa_StartStream(m_stream) == paNoError) {
        const std::lock_guard lock(m_clockMutex);
        m_bRunning = true;
    } else {
        m_bBroken = true;
    }
}

void PortAudioOut::Close() {
    if (m_stream == nullptr) {
        return;
    }
    // Let the written blocks reach the callback, then keep the stream running until the last
    // data frame has left the output (plus a margin), so the end of the mix is heard.
    const auto playTime = std::chrono::milliseconds(
        1000 * static_cast<std::int64_t>(m_blocks.QueuedBytes()) / (m_nRate * m_nFrameSize));
    m_blocks.WaitEmpty(playTime + std::chrono::seconds(2));
    double until = 0.0;
    {
        const std::lock_guard lock(m_clockMutex);
        if (m_nFramesInBuffer > 0) {
            const double end = m_fDacTime > 0.0
                                   ? m_fDacTime + static_cast<double>(m_nFramesInBuffer) / m_nRate
                                   : Pa_GetStreamTime(m_stream) + m_fLatency;
            until = end + 0.1;
        }
    }
    for (int i = 0; i < 100 && !m_bBroken && Pa_GetStreamTime(m_stream) < until; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    PaStream* stream = m_stream;
    {
        const std::lock_guard lock(m_clockMutex);
        m_nReported = PlayedLocked(Pa_GetStreamTime(stream));
        m_nFramesBefore = m_nReported;
        m_nFramesInBuffer = 0;
        m_bRunning = false;
        m_stream = nullptr;
    }
    Pa_AbortStream(stream);
    Pa_CloseStream(stream);
    m_blocks.End();
}

std::uint64_t PortAudioOut::FramesPlayed() const {
    const std::lock_guard lock(m_clockMutex);
    if (!m_bRunning || m_stream == nullptr) {
        return m_nReported;
    }
    return PlayedLocked(Pa_GetStreamTime(m_stream));
}

std::uint64_t PortAudioOut::PlayedLocked(double now) const {
    const std::uint64_t handedOut = m_nFramesBefore + m_nFramesInBuffer;
    if (!m_bRunning) {
        return m_nReported;
    }
    double played = 0.0;
    if (m_fDacTime > 0.0) {
        played = static_cast<double>(m_nFramesBefore) + (now - m_fDacTime) * m_nRate;
    } else { // the host gives no DAC time: assume the reported output latency
        played = static_cast<double>(handedOut) - m_fLatency * m_nRate;
    }
    const double clamped = std::clamp(played, 0.0, static_cast<double>(handedOut));
    m_nReported = std::max(m_nReported, static_cast<std::uint64_t>(clamped));
    return m_nReported;
}

int PortAudioOut::Callback(const void*, void* output, unsigned long frames,
                           const PaStreamCallbackTimeInfo* time, unsigned long, void* self) {
    return static_cast<PortAudioOut*>(self)->Fill(
        static_cast<std::byte*>(output), frames, time != nullptr ? time->outputBufferDacTime : 0.0);
}

int PortAudioOut::Fill(std::byte* out, unsigned long frames, double dacTime) {
    const std::size_t size = static_cast<std::size_t>(frames) * m_nFrameSize;
    const std::size_t taken = m_blocks.Pull(out, size);
    std::fill(out + taken, out + size, m_silence);
    if (taken > 0) {
        const std::lock_guard lock(m_clockMutex);
        m_nFramesBefore += m_nFramesInBuffer;
        m_nFramesInBuffer = taken / m_nFrameSize;
        m_fDacTime = dacTime;
    }
    return paContinue;
}

} // namespace sundrel::audio
