#include "sound/BlockStream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace sundrel::audio {

namespace {
// How often Push looks for room in a full queue and WaitEmpty for an empty one; both wait
// on a consumer that works in real time, so a short sleep is all they need.
constexpr auto kPoll = std::chrono::milliseconds(1);
} // namespace

BlockStream::~BlockStream() {
    End();
}

void BlockStream::Begin(WaveOut::DoneCallback onDone) {
    End();
    m_onDone = std::move(onDone);
    m_notifier = std::jthread([this](std::stop_token stop) { Notify(stop); });
}

void BlockStream::End() {
    Drop();
    if (m_notifier.joinable()) {
        m_notifier.request_stop();
        WakeNotifier();
        m_notifier.join();
    }
    m_notifier = std::jthread();
    m_onDone = nullptr;
}

void BlockStream::Push(std::span<const std::byte> block) {
    if (block.empty()) {
        return;
    }
    // Count the bytes first, so the queue never looks emptier than it is.
    m_pushed.fetch_add(block.size(), std::memory_order_release);
    while (!m_queue.Push(block)) {
        std::this_thread::sleep_for(kPoll);
    }
}

std::size_t BlockStream::Pull(std::byte* out, std::size_t size) {
    std::size_t taken = 0;
    std::uint64_t finished = 0;
    while (taken < size) {
        const auto front = m_queue.Front();
        if (!front) {
            break;
        }
        const std::size_t n = std::min(size - taken, front->size() - m_frontTaken);
        if (out != nullptr) {
            std::memcpy(out + taken, front->data() + m_frontTaken, n);
        }
        taken += n;
        m_frontTaken += n;
        if (m_frontTaken == front->size()) {
            m_queue.Pop(); // the block's memory is no longer read
            m_frontTaken = 0;
            ++finished;
        }
    }
    m_consumed.fetch_add(taken, std::memory_order_release);
    if (finished > 0) {
        m_finished.fetch_add(finished, std::memory_order_release);
        WakeNotifier();
    }
    return taken;
}

void BlockStream::WakeNotifier() {
    // With a 32-bit atomic, notify is a futex wake (only when the notifier sleeps): it never
    // waits for a lock.
    m_wake.fetch_add(1, std::memory_order_release);
    m_wake.notify_one();
}

void BlockStream::Drop() {
    {
        const std::lock_guard lock(m_stateMutex);
        m_generation.fetch_add(1);
        m_queue.Clear();
        m_frontTaken = 0;
        m_pushed.store(m_consumed.load(std::memory_order_acquire), std::memory_order_release);
        m_reported = m_finished.load(std::memory_order_acquire);
    }
    // Wait for a batch of callbacks that may be running; it sees the new generation and
    // stops after the callback in progress.
    const std::lock_guard wait(m_callbackMutex);
}

bool BlockStream::WaitEmpty(std::chrono::milliseconds timeout) const {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (QueuedBytes() > 0) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

std::size_t BlockStream::QueuedBytes() const {
    const std::uint64_t consumed = m_consumed.load(std::memory_order_acquire);
    const std::uint64_t pushed = m_pushed.load(std::memory_order_acquire);
    return pushed > consumed ? static_cast<std::size_t>(pushed - consumed) : 0;
}

void BlockStream::Notify(std::stop_token stop) {
    for (;;) {
        // Read the wake count before the stop request: End requests the stop and then wakes,
        // so either the stop is seen here or the wait below returns.
        const std::uint32_t seen = m_wake.load(std::memory_order_acquire);
        if (stop.stop_requested()) {
            return;
        }
        std::uint64_t from = 0;
        std::uint64_t to = 0;
        std::uint64_t generation = 0;
        {
            const std::lock_guard lock(m_stateMutex);
            generation = m_generation.load();
            from = m_reported;
            to = m_finished.load(std::memory_order_acquire);
            m_reported = to;
        }
        if (from < to) {
            const std::lock_guard callbacks(m_callbackMutex);
            for (std::uint64_t i = from; i < to && m_generation.load() == generation; ++i) {
                if (m_onDone) {
                    m_onDone();
                }
            }
        }
        m_wake.wait(seen, std::memory_order_acquire);
    }
}

} // namespace sundrel::audio
