#pragma once

#include "audio/BlockStream.h"
#include "core/play/WaveOut.h"

#include <atomic>
#include <cstdint>
#include <mutex>

using PaStream = void;
struct PaStreamCallbackTimeInfo;

namespace sundrel::audio {

// The system's default output device through a PortAudio callback stream. The stream
// callback pulls bytes from the queue of written blocks (silence when it runs dry); the
// clock follows the stream's DAC time, so it counts what has reached the output.
// Formats: 8-bit unsigned, 16-, 24- (packed) and 32-bit integer, 32-bit float.
class PortAudioOut final : public WaveOut {
  public:
    PortAudioOut() = default;
    ~PortAudioOut() override;

    WaveOutStatus Open(const WaveFormatEx& format, DoneCallback onDone) override;
    void Write(std::span<const std::byte> block) override;
    void Reset() override;
    void Close() override;
    std::uint64_t FramesPlayed() const override;

  private:
    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, unsigned long flags, void* self);
    int Fill(std::byte* out, unsigned long frames, double dacTime);
    std::uint64_t PlayedLocked(double now) const;

    BlockStream m_blocks;
    PaStream* m_stream = nullptr;
    std::uint32_t m_nFrameSize = 1;
    std::uint32_t m_nRate = 0;
    std::byte m_silence{0};
    double m_fLatency = 0.0; // seconds from the callback to the output
    bool m_bBroken = false;  // the stream could not be restarted: blocks are dropped

    // The clock: the last callback that handed out data, and what it handed out.
    mutable std::mutex m_clockMutex;
    std::uint64_t m_nFramesBefore = 0;   // data frames handed out before that callback
    std::uint64_t m_nFramesInBuffer = 0; // data frames in that callback's buffer
    double m_fDacTime = 0.0;             // stream time its first frame reaches the output
    bool m_bRunning = false;             // the stream is running (else the clock holds)
    mutable std::uint64_t m_nReported = 0;
};

} // namespace sundrel::audio
