#include "sound/NullOut.h"

namespace sundrel::audio {

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kStep = std::chrono::milliseconds(5);
} // namespace

NullOut::~NullOut() {
    Reset();
    Close();
}

WaveOutStatus NullOut::Open(const WaveFormatEx& format, DoneCallback onDone) {
    Close();
    if (format.nAvgBytesPerSec == 0 || format.nBlockAlign == 0) {
        return {WaveOutError::UnsupportedFormat, "the format has no byte rate"};
    }
    m_byteRate = format.nAvgBytesPerSec;
    m_frameSize = format.nBlockAlign;
    m_blocks.Begin(std::move(onDone));
    m_openedAt = m_blocks.BytesConsumed(); // the clock starts at 0
    m_consumer = std::jthread([this](std::stop_token stop) { Consume(stop); });
    m_open = true;
    return {};
}

void NullOut::Write(std::span<const std::byte> block) {
    m_blocks.Push(block);
    {
        const std::lock_guard lock(m_mutex); // the consumer checks under this lock
    }
    m_cv.notify_all();
}

void NullOut::Reset() {
    const std::lock_guard hold(m_pullMutex); // the queue is dropped with the consumer held off
    m_blocks.Drop();
}

void NullOut::Close() {
    if (!m_open) {
        return;
    }
    // Let what was written play out in real time (bounded in case the clock stalls).
    const auto playTime = std::chrono::milliseconds(
        1000 * static_cast<std::int64_t>(m_blocks.QueuedBytes()) / m_byteRate);
    m_blocks.WaitEmpty(playTime + std::chrono::seconds(1));
    m_consumer.request_stop();
    m_consumer.join();
    m_consumer = std::jthread();
    m_blocks.End();
    m_open = false;
}

std::uint64_t NullOut::FramesPlayed() const {
    return (m_blocks.BytesConsumed() - m_openedAt) / m_frameSize;
}

void NullOut::Consume(std::stop_token stop) {
    // Bytes are due at the byte rate from the moment data arrives; an empty queue ends a run
    // and the next block starts a new one (as a real device plays silence in between).
    bool running = false;
    Clock::time_point anchor;
    std::uint64_t anchorBytes = 0;
    while (!stop.stop_requested()) {
        if (!running) {
            std::unique_lock lock(m_mutex);
            if (!m_cv.wait(lock, stop, [this] { return m_blocks.QueuedBytes() > 0; })) {
                return;
            }
            running = true;
            anchor = Clock::now();
            anchorBytes = m_blocks.BytesConsumed();
        }
        std::this_thread::sleep_for(kStep);
        const auto elapsed = std::chrono::duration<double>(Clock::now() - anchor).count();
        const auto due = anchorBytes + static_cast<std::uint64_t>(elapsed * m_byteRate);
        const std::uint64_t consumed = m_blocks.BytesConsumed();
        if (due > consumed) {
            const std::size_t want = static_cast<std::size_t>(due - consumed);
            const std::lock_guard pulling(m_pullMutex);
            if (m_blocks.Pull(nullptr, want) < want) {
                running = false; // ran dry
            }
        }
    }
}

} // namespace sundrel::audio
