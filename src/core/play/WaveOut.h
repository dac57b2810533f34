#pragma once

#include "core/audio/WaveFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace sundrel {

// Why a device could not be opened.
enum class WaveOutError {
    None,
    NoDevice,          // no output device on this machine (no sound card, no sound server)
    UnsupportedFormat, // the device cannot play this sample format, rate or channel count
    Failed,            // anything else the audio system reported
};

struct WaveOutStatus {
    WaveOutError error = WaveOutError::None;
    std::string message; // what the audio system said; empty when ok

    bool Ok() const { return error == WaveOutError::None; }
};

// A waveform output device: plays blocks of audio bytes in the order they are written and
// reports each finished block through a callback, so a writer can keep a fixed ring of blocks
// in flight. Blocks are consumed as one continuous byte stream in the opened format; a frame
// may straddle two blocks.
//
// Threads: Open, Write, Reset and Close are called from one thread (the player's). The
// done-callback runs on a thread of the device, never inside those calls' callers' locks.
// FramesPlayed may be called from any thread at any time.
class WaveOut {
  public:
    // Called once per written block, in the order written, after the device has finished
    // reading that block's memory.
    using DoneCallback = std::function<void()>;

    WaveOut() = default;
    virtual ~WaveOut() = default;
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    // Opens the device for `format`. On failure the device stays closed and the status says
    // why. The clock starts at 0.
    virtual WaveOutStatus Open(const WaveFormatEx& format, DoneCallback onDone) = 0;

    // Queues one block behind those already written. The device reads the memory in place:
    // it must stay valid and unchanged until the block's done-callback has run, or until
    // Reset or Close has returned.
    virtual void Write(std::span<const std::byte> block) = 0;

    // Silences the output at once and drops every queued block without calling its
    // done-callback. When Reset returns no done-callback is running and none will run for a
    // block written before. The device stays open and accepts new blocks.
    virtual void Reset() = 0;

    // Lets the blocks already written play to the end (Reset first to drop them), then
    // closes the device. No done-callback runs after Close returns. Closing a closed device
    // does nothing.
    virtual void Close() = 0;

    // Frames of written audio that have actually reached the output since Open: the clock
    // that position displays follow. It never decreases and keeps its value after Reset and
    // Close.
    virtual std::uint64_t FramesPlayed() const = 0;
};

} // namespace sundrel
