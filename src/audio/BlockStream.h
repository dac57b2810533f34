#pragma once

#include "core/play/WaveOut.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <thread>

namespace sundrel::audio {

// The queue of written blocks that an output backend consumes as one byte stream, and the
// small notifier thread that reports finished blocks in order. The consumer (an audio
// callback or a timer thread) only copies bytes and counts finished blocks; the done-callback
// runs on the notifier thread, so a writer's lock is never taken on the audio thread.
class BlockStream {
  public:
    BlockStream() = default;
    ~BlockStream();
    BlockStream(const BlockStream&) = delete;
    BlockStream& operator=(const BlockStream&) = delete;

    // Starts the notifier; `onDone` runs once per finished block.
    void Begin(WaveOut::DoneCallback onDone);
    // Drops everything and stops the notifier; no done-callback runs after it returns.
    void End();

    void Push(std::span<const std::byte> block);

    // Takes up to `size` bytes from the front of the queue, copying them to `out` unless it
    // is null. Returns how many bytes were taken (fewer when the queue runs dry).
    std::size_t Pull(std::byte* out, std::size_t size);

    // Drops every queued block. When it returns no done-callback is running and none will
    // run for the dropped blocks or for blocks finished before.
    void Drop();

    // Waits until the queue is empty or `timeout` passed; true when empty.
    bool WaitEmpty(std::chrono::milliseconds timeout);

    std::size_t QueuedBytes() const;
    // Bytes taken by the consumer since Begin; never decreases.
    std::uint64_t BytesConsumed() const { return m_consumed.load(); }

  private:
    void Notify(std::stop_token stop);

    mutable std::mutex m_mutex; // guards the queue and the pending count
    std::condition_variable_any m_cv;
    std::deque<std::span<const std::byte>> m_queue;
    std::size_t m_frontTaken = 0; // bytes of the front block already taken
    std::size_t m_queuedBytes = 0;
    std::uint64_t m_pending = 0; // finished blocks not yet reported
    std::atomic<std::uint64_t> m_generation{0};
    std::atomic<std::uint64_t> m_consumed{0};

    std::mutex m_callbackMutex; // held while done-callbacks run
    WaveOut::DoneCallback m_onDone;
    std::jthread m_notifier;
};

} // namespace sundrel::audio
