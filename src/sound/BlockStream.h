#pragma once

#include "core/play/WaveOut.h"
#include "sound/SpscRing.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>

namespace sundrel::audio {

// The queue of written blocks that an output backend consumes as one byte stream, and the
// small notifier thread that reports finished blocks in order.
//
// Three threads meet here. The producer (the player, through WaveOut::Write, Reset and
// Close) pushes blocks; the consumer (an audio callback or a timer thread) pulls bytes; the
// notifier runs the done-callbacks. The consumer takes no lock and never waits: blocks reach
// it through a single-producer single-consumer ring, and it reports finished blocks by
// counting them and waking the notifier. Producer and notifier share a mutex that the
// consumer never touches.
class BlockStream {
  public:
    // Blocks that may be queued at once; Push waits for room beyond that.
    static constexpr std::size_t kMaxQueuedBlocks = 256;

    BlockStream() = default;
    ~BlockStream();
    BlockStream(const BlockStream&) = delete;
    BlockStream& operator=(const BlockStream&) = delete;

    // Starts the notifier; `onDone` runs once per finished block. Producer side.
    void Begin(WaveOut::DoneCallback onDone);
    // Drops everything and stops the notifier; no done-callback runs after it returns.
    // Producer side, with the consumer stopped.
    void End();

    // Producer: queues a block behind the others. Waits while kMaxQueuedBlocks are queued.
    void Push(std::span<const std::byte> block);

    // Consumer: takes up to `size` bytes from the front of the queue, copying them to `out`
    // unless it is null. Returns how many bytes were taken (fewer when the queue runs dry).
    // Takes no lock and never waits.
    std::size_t Pull(std::byte* out, std::size_t size);

    // Producer, with the consumer stopped (a stream aborted, a thread held off): drops every
    // queued block. When it returns no done-callback is running and none will run for the
    // dropped blocks or for blocks finished before.
    void Drop();

    // Waits until the queue is empty or `timeout` passed; true when empty.
    bool WaitEmpty(std::chrono::milliseconds timeout) const;

    // Bytes queued and not yet taken; exact on the producer's and the consumer's side.
    std::size_t QueuedBytes() const;
    // Bytes taken by the consumer since Begin; never decreases.
    std::uint64_t BytesConsumed() const { return m_consumed.load(std::memory_order_acquire); }

  private:
    void Notify(std::stop_token stop);
    void WakeNotifier();

    // Producer to consumer.
    SpscRing<std::span<const std::byte>, kMaxQueuedBlocks> m_queue;
    std::atomic<std::uint64_t> m_pushed{0}; // bytes pushed since Begin, less those dropped
    // The consumer's own.
    std::size_t m_frontTaken = 0;             // bytes of the front block already taken
    std::atomic<std::uint64_t> m_consumed{0}; // bytes taken since Begin
    std::atomic<std::uint64_t> m_finished{0}; // blocks taken whole since Begin
    // Bumped (and waited on) to wake the notifier; 32 bits, the width the futex-based
    // atomic wait and notify work on without a lock.
    std::atomic<std::uint32_t> m_wake{0};

    // Producer and notifier.
    std::mutex m_stateMutex;                    // guards m_reported and generation changes
    std::uint64_t m_reported = 0;               // finished blocks reported or skipped
    std::atomic<std::uint64_t> m_generation{0}; // bumped by Drop: running batches stop
    std::mutex m_callbackMutex;                 // held while done-callbacks run
    WaveOut::DoneCallback m_onDone;
    std::jthread m_notifier;
};

} // namespace sundrel::audio
