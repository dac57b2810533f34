#pragma once

// A WaveOut for tests: records every block handed to it and finishes blocks only when the
// test says so (or at once, in auto mode), calling the done-callback on the test's thread.

#include "core/play/PlaybackSession.h"
#include "core/play/WaveOut.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace testing_play {

class RecordingWaveOut : public sundrel::WaveOut {
  public:
    explicit RecordingWaveOut(bool autoComplete = false) : m_autoComplete(autoComplete) {}

    sundrel::WaveOutStatus openResult; // what Open reports

    sundrel::WaveOutStatus Open(const sundrel::WaveFormatEx& format, DoneCallback onDone) override {
        std::lock_guard lock(m_mutex);
        if (!openResult.Ok()) {
            return openResult;
        }
        m_format = format;
        m_onDone = std::move(onDone);
        m_open = true;
        return {};
    }

    void Write(std::span<const std::byte> block) override {
        {
            std::lock_guard lock(m_mutex);
            EXPECT_TRUE(m_open) << "write to a closed device";
            blockSizes.push_back(block.size());
            bytes.insert(bytes.end(), block.begin(), block.end());
            m_pending.push_back(block.size());
        }
        m_cv.notify_all();
        if (m_autoComplete) {
            Complete(1);
        }
    }

    void Reset() override {
        std::lock_guard lock(m_mutex);
        ++resets;
        m_pending.clear();
    }

    void Close() override {
        std::lock_guard lock(m_mutex);
        ++closes;
        m_open = false;
        m_pending.clear();
        m_onDone = nullptr;
    }

    std::uint64_t FramesPlayed() const override {
        std::lock_guard lock(m_mutex);
        return m_playedBytes / (m_format.nBlockAlign > 0 ? m_format.nBlockAlign : 1);
    }

    // Finishes the `n` oldest queued blocks, in order, as the device would.
    void Complete(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            DoneCallback done;
            {
                std::lock_guard lock(m_mutex);
                if (m_pending.empty()) {
                    return;
                }
                m_playedBytes += m_pending.front();
                m_pending.pop_front();
                done = m_onDone;
            }
            if (done) {
                done();
            }
        }
    }

    // Waits until `n` blocks in all have been written; false after a generous timeout.
    bool WaitForBlocks(std::size_t n) {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(10),
                             [&] { return blockSizes.size() >= n; });
    }

    // The bytes written so far, while the player may still write.
    std::vector<std::byte> BytesSoFar() const {
        std::lock_guard lock(m_mutex);
        return bytes;
    }

    std::size_t Written() const {
        std::lock_guard lock(m_mutex);
        return blockSizes.size();
    }
    std::size_t Pending() const {
        std::lock_guard lock(m_mutex);
        return m_pending.size();
    }

    // Recorded by the device (read them once the player is done).
    std::vector<std::byte> bytes;
    std::vector<std::size_t> blockSizes;
    int resets = 0;
    int closes = 0;

  private:
    const bool m_autoComplete;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    sundrel::WaveFormatEx m_format;
    DoneCallback m_onDone;
    std::deque<std::size_t> m_pending;
    std::uint64_t m_playedBytes = 0;
    bool m_open = false;
};

// The session owns its devices; this one forwards to a recording device the test keeps.
class Forwarding : public sundrel::WaveOut {
  public:
    explicit Forwarding(std::shared_ptr<RecordingWaveOut> target) : m_target(std::move(target)) {}
    sundrel::WaveOutStatus Open(const sundrel::WaveFormatEx& f, DoneCallback done) override {
        return m_target->Open(f, std::move(done));
    }
    void Write(std::span<const std::byte> block) override { m_target->Write(block); }
    void Reset() override { m_target->Reset(); }
    void Close() override { m_target->Close(); }
    std::uint64_t FramesPlayed() const override { return m_target->FramesPlayed(); }

  private:
    std::shared_ptr<RecordingWaveOut> m_target;
};

// Makes the devices of a PlaybackSession (or MixSession), keeping each for the test to inspect.
struct Devices {
    bool autoComplete = false;
    sundrel::WaveOutStatus openResult;
    std::vector<std::shared_ptr<RecordingWaveOut>> made;
    sundrel::PlaybackSession::DeviceFactory Factory() {
        return [this] {
            made.push_back(std::make_shared<RecordingWaveOut>(autoComplete));
            made.back()->openResult = openResult;
            return std::make_unique<Forwarding>(made.back());
        };
    }
};

} // namespace testing_play
