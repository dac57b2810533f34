#pragma once

#include "core/play/WaveOut.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <stop_token>
#include <vector>

namespace sundrel {

inline constexpr std::size_t kPlayBlockSize = 8192; // bytes a block handed to the device
inline constexpr std::size_t kPlayBlockCount = 20;  // blocks in the ring
inline constexpr std::size_t kPlayChunkSize = 1024; // bytes a read from the file

// The ring of output blocks of one player. Bytes are copied into the current block; each
// block that becomes full is handed to the device, and the writer waits while every block is
// with the device. The device's done-callback (OnBlockDone) returns blocks to the ring.
// Because the device finishes blocks in the order written, a free count of at least one
// means the next block in ring order is no longer with the device.
//
// Each player has its own ring; a ring must outlive the device's callbacks into it (close or
// reset the device before destroying the ring).
class BlockRing {
  public:
    explicit BlockRing(WaveOut& device, std::size_t blockSize = kPlayBlockSize,
                       std::size_t blockCount = kPlayBlockCount);

    // The device's done-callback: one block came back.
    void OnBlockDone();

    // Copies `count` bytes into the ring, handing every block it fills to the device, and
    // waits for a free block whenever none is left. Returns false, with the rest of the bytes
    // not taken, when `stop` is requested during a wait.
    bool WriteAudio(const std::byte* source, std::size_t count, std::stop_token stop);

    // Hands the partly filled current block (if it holds any bytes) to the device, so the
    // end of the data is heard. Ends the writing: nothing may be written after it.
    void WriteTail();

    // Waits until every block handed out has come back. False when `stop` was requested.
    bool WaitAllFree(std::stop_token stop);

    int FreeBlocks() const;
    std::size_t CurrentFill() const { return m_fill[m_nCurBlock]; }

  private:
    void Queue(std::size_t size);

    WaveOut& m_device;
    const std::size_t m_blockSize;
    const std::size_t m_blockCount;
    std::vector<std::byte> m_data;   // blockCount areas of blockSize bytes
    std::vector<std::size_t> m_fill; // bytes already copied into each block
    std::size_t m_nCurBlock = 0;     // the block being filled; touched by the writer only

    mutable std::mutex m_mutex; // guards m_nFreeBlocks
    std::condition_variable_any m_cv;
    int m_nFreeBlocks;
};

} // namespace sundrel
