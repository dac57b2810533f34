#include "core/play/BlockRing.h"

#include <algorithm>
#include <cstring>

namespace sundrel {

BlockRing::BlockRing(WaveOut& device, std::size_t blockSize, std::size_t blockCount)
    : m_device(device), m_blockSize(blockSize), m_blockCount(blockCount),
      m_data(blockSize * blockCount), m_fill(blockCount, 0),
      m_nFreeBlocks(static_cast<int>(blockCount)) {}

void BlockRing::OnBlockDone() {
    {
        const std::lock_guard lock(m_mutex);
        ++m_nFreeBlocks;
    }
    m_cv.notify_all();
}

int BlockRing::FreeBlocks() const {
    const std::lock_guard lock(m_mutex);
    return m_nFreeBlocks;
}

void BlockRing::Queue(std::size_t size) {
    {
        const std::lock_guard lock(m_mutex);
        --m_nFreeBlocks;
    }
    m_device.Write(std::span(m_data.data() + m_nCurBlock * m_blockSize, size));
}

bool BlockRing::WriteAudio(const std::byte* source, std::size_t count, std::stop_token stop) {
    while (count > 0) {
        std::size_t& fill = m_fill[m_nCurBlock];
        std::byte* area = m_data.data() + m_nCurBlock * m_blockSize;
        const std::size_t room = m_blockSize - fill;
        if (count < room) {
            std::memcpy(area + fill, source, count);
            fill += count;
            return true;
        }
        std::memcpy(area + fill, source, room);
        source += room;
        count -= room;
        fill = m_blockSize;
        Queue(m_blockSize);
        {
            std::unique_lock lock(m_mutex);
            if (!m_cv.wait(lock, stop, [this] { return m_nFreeBlocks > 0; })) {
                return false;
            }
        }
        m_nCurBlock = (m_nCurBlock + 1) % m_blockCount;
        m_fill[m_nCurBlock] = 0;
    }
    return true;
}

void BlockRing::WriteTail() {
    const std::size_t fill = m_fill[m_nCurBlock];
    if (fill == 0) {
        return;
    }
    Queue(fill);
}

bool BlockRing::WaitAllFree(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait(lock, stop,
                     [this] { return m_nFreeBlocks >= static_cast<int>(m_blockCount); });
}

} // namespace sundrel
