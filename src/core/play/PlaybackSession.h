#pragma once

#include "core/audio/WaveFile.h"
#include "core/play/PlayRange.h"
#include "core/play/PlayResult.h"
#include "core/play/WaveOut.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace sundrel {

// Runs one CWaveFile::Play at a time on a worker thread, each with a new output device and
// therefore a new ring and free-block count. Starting while a player runs stops that player
// first, so two writers never share a ring or a device.
//
// Start, Stop, Position and Result are called from one controlling thread (the UI thread).
// The label and end callbacks run on the worker thread and must not wait for the
// controlling thread (post the text instead), since Stop waits for the worker.
class PlaybackSession {
  public:
    using DeviceFactory = std::function<std::unique_ptr<WaveOut>()>;
    using Label = std::function<void(const std::string&)>;
    using EndHandler = std::function<void(const PlayResult&)>;

    explicit PlaybackSession(DeviceFactory makeDevice);
    ~PlaybackSession();
    PlaybackSession(const PlaybackSession&) = delete;
    PlaybackSession& operator=(const PlaybackSession&) = delete;

    // Plays `file` from `startSecond` on a new worker. `file` must stay alive until Stop (or
    // the destructor) has returned. `onEnd` runs on the worker when Play returns by itself
    // (end of data, device or read failure), not after Stop.
    void Start(const CWaveFile& file, float startSecond, Label label = {}, EndHandler onEnd = {});
    // The same for the frames of `range` (held within the mix); `onEnd` gets Finished once
    // the range's last frame has played.
    void Start(const CWaveFile& file, PlayRange range, Label label = {}, EndHandler onEnd = {});

    // Ends the running player: nothing more reaches the device and the sound stops at once.
    // Waits for the worker. Returns the position where the sound stopped (as Position), or
    // nothing when no player had been started since the last Stop.
    std::optional<double> Stop();

    // A player was started and Stop has not been called since (it may have ended by itself).
    bool IsActive() const { return m_worker.joinable(); }

    // How the player ended, once it ended by itself; empty while it runs and after Stop.
    std::optional<PlayResult> Result() const;

    // Seconds of the mix at the output: start second (a range's first frame / rate) + frames
    // the device has played / rate. Empty when no player is active.
    std::optional<double> Position() const;

  private:
    using Player = std::function<PlayResult(WaveOut&, std::stop_token)>;
    // Stops the running player, then runs `play` on a new device and worker; the position
    // counts from `startSecond`.
    void Launch(const CWaveFile& file, double startSecond, Player play, EndHandler onEnd);

    DeviceFactory m_makeDevice;
    std::unique_ptr<WaveOut> m_device;
    std::jthread m_worker;
    double m_dStart = 0.0;
    std::uint32_t m_nRate = 0;

    mutable std::mutex m_mutex; // guards m_result
    std::optional<PlayResult> m_result;
};

} // namespace sundrel
