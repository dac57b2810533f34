#pragma once

#include <string>

namespace sundrel {

// How a run of CWaveFile::Play ended.
enum class PlayEnd {
    Finished,    // every byte from the start position was played
    Stopped,     // a stop was requested; the device was silenced
    DeviceError, // the output device could not be opened; nothing was played
    ReadError,   // the mix could not be read; what was read before was played
};

struct PlayResult {
    PlayEnd end = PlayEnd::Finished;
    std::string message; // for DeviceError and ReadError: what went wrong
};

} // namespace sundrel
