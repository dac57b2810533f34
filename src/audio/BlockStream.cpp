#include "audio/BlockStream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace sundrel::audio {

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
        m_notifier.join();
    }
    m_notifier = std::jthread();
    m_onDone = nullptr;
}

void BlockStream::Push(std::span<const std::byte> block) {
    if (block.empty()) {
        return;
    }
    const std::lock_guard lock(m_mutex);
    m_queue.push_back(block);
    m_queuedBytes += block.size();
}

std::size_t BlockStream::Pull(std::byte* out, std::size_t size) {
    std::size_t taken = 0;
    bool finished = false;
    {
        const std::lock_guard lock(m_mutex);
        while (taken < size && !m_queue.empty()) {
            const std::span<const std::byte> front = m_queue.front();
            const std::size_t n = std::min(size - taken, front.size() - m_frontTaken);
            if (out != nullptr) {
                std::memcpy(out + taken, front.data() + m_frontTaken, n);
            }
            taken += n;
            m_frontTaken += n;
            if (m_frontTaken == front.size()) {
                m_queue.pop_front();
                m_frontTaken = 0;
                ++m_pending;
                finished = true;
            }
        }
        m_queuedBytes -= taken;
        m_consumed.fetch_add(taken);
    }
    if (finished) {
        m_cv.notify_all();
    }
    return taken;
}

void BlockStream::Drop() {
    {
        const std::lock_guard lock(m_mutex);
        m_queue.clear();
        m_frontTaken = 0;
        m_queuedBytes = 0;
        m_pending = 0;
        m_generation.fetch_add(1);
    }
    m_cv.notify_all();
    // Wait for a batch of callbacks that may be running; later batches see the new
    // generation and skip.
    const std::lock_guard wait(m_callbackMutex);
}

bool BlockStream::WaitEmpty(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, timeout, [this] { return m_queue.empty(); });
}

std::size_t BlockStream::QueuedBytes() const {
    const std::lock_guard lock(m_mutex);
    return m_queuedBytes;
}

void BlockStream::Notify(std::stop_token stop) {
    for (;;) {
        std::uint64_t count = 0;
        std::uint64_t generation = 0;
        {
            std::unique_lock lock(m_mutex);
            if (!m_cv.wait(lock, stop, [this] { return m_pending > 0; })) {
                return;
            }
            count = std::exchange(m_pending, 0);
            generation = m_generation.load();
        }
        const std::lock_guard callbacks(m_callbackMutex);
        for (std::uint64_t i = 0; i < count && m_generation.load() == generation; ++i) {
            if (m_onDone) {
                m_onDone();
            }
        }
    }
}

} // namespace sundrel::audio
