#pragma once

#include "core/play/WaveOut.h"
#include "sound/BlockStream.h"
#include "sound/SeqLock.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

using PaStream = void;
struct PaStreamCallbackTimeInfo;

namespace sundrel::audio {

// An output device (the system's default, or one named as OutputDevices lists it) through a
// PortAudio callback stream. The stream callback pulls bytes from the queue of written blocks
// (silence when it runs dry) and publishes what it handed out; it takes no lock, so it never waits
// for the player or the UI. The clock follows the stream's DAC time, so it counts what has reached
// the output. Formats: 8-bit unsigned, 16-, 24- (packed) and 32-bit integer, 32-bit float.
class PortAudioOut final : public WaveOut {
  public:
    // `device` is an id from ListOutputDevices; empty for the system's default.
    explicit PortAudioOut(std::string device = {}) : m_device(std::move(device)) {}
    ~PortAudioOut() override;

    WaveOutStatus Open(const WaveFormatEx& format, DoneCallback onDone) override;
    void Write(std::span<const std::byte> block) override;
    void Reset() override;
    void Close() override;
    std::uint64_t FramesPlayed() const override;

  private:
    // What the audio callback last handed out: published by the callback without a lock.
    struct ClockSnapshot {
        std::uint64_t framesBefore = 0;   // data frames handed out before that callback
        std::uint64_t framesInBuffer = 0; // data frames in that callback's buffer
        double dacTime = 0.0;             // stream time its first frame reaches the output
    };

    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, unsigned long flags, void* self);
    int Fill(std::byte* out, unsigned long frames, double dacTime);
    std::uint64_t PlayedLocked(double now) const;
    void HoldClockLocked(double now);

    std::string m_device;
    BlockStream m_blocks;
    PaStream* m_stream = nullptr;
    std::uint32_t m_frameSize = 1;
    std::uint32_t m_rate = 0;
    std::byte m_silence{0};
    double m_latency = 0.0; // seconds from the callback to the output
    bool m_broken = false;  // the stream could not be restarted: blocks are dropped

    // Written by the callback while the stream runs, by Open, Reset and Close while it is
    // stopped: one writer at a time.
    SeqLock<ClockSnapshot> m_clock;
    // The clock's readers and the stream's owner; the callback never takes it.
    mutable std::mutex m_clockMutex;
    bool m_running = false; // the stream is running (else the clock holds)
    mutable std::uint64_t m_reported = 0;
};

} // namespace sundrel::audio
