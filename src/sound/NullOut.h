#pragma once

#include "core/play/WaveOut.h"
#include "sound/BlockStream.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace sundrel::audio {

// An output device without sound: a thread of its own consumes the written blocks at the
// format's byte rate, so blocks come back and the clock advances in real time. Used where
// there is no sound server (SUNDREL_AUDIO=null), in widget tests and in benchmarks.
class NullOut final : public WaveOut {
  public:
    NullOut() = default;
    ~NullOut() override;

    WaveOutStatus Open(const WaveFormatEx& format, DoneCallback onDone) override;
    void Write(std::span<const std::byte> block) override;
    void Reset() override;
    void Close() override;
    std::uint64_t FramesPlayed() const override;

  private:
    void Consume(std::stop_token stop);

    BlockStream m_blocks;
    std::uint32_t m_byteRate = 0;
    // Read by FramesPlayed on the controlling thread while the player's thread opens.
    std::atomic<std::uint32_t> m_frameSize{1};
    std::atomic<std::uint64_t> m_openedAt{0}; // bytes consumed when the device was opened
    bool m_open = false;

    std::mutex m_mutex; // wakes the consumer when blocks arrive
    std::condition_variable_any m_cv;
    std::mutex m_pullMutex; // held by the consumer while it pulls, and by Reset to stop it
    std::jthread m_consumer;
};

} // namespace sundrel::audio
