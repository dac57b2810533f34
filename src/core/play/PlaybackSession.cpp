#include "core/play/PlaybackSession.h"

#include <utility>

namespace sundrel {

PlaybackSession::PlaybackSession(DeviceFactory makeDevice) : m_makeDevice(std::move(makeDevice)) {}

PlaybackSession::~PlaybackSession() {
    Stop();
}

void PlaybackSession::Start(const CWaveFile& file, float startSecond, Label label,
                            EndHandler onEnd) {
    Stop();
    m_device = m_makeDevice();
    m_fStart = startSecond;
    m_nRate = file.m_wfx.nSamplesPerSec;
    WaveOut& device = *m_device;
    m_worker = std::jthread([this, &file, &device, startSecond, label = std::move(label),
                             onEnd = std::move(onEnd)](std::stop_token stop) {
        PlayResult result = file.Play(device, label, startSecond, stop);
        if (stop.stop_requested()) {
            return; // ended by Stop: nothing to report
        }
        {
            const std::lock_guard lock(m_mutex);
            m_result = result;
        }
        if (onEnd) {
            onEnd(result);
        }
    });
}

std::optional<double> PlaybackSession::Stop() {
    if (!m_worker.joinable()) {
        return std::nullopt;
    }
    m_worker.request_stop();
    m_worker.join();
    const std::optional<double> position = Position();
    m_worker = std::jthread();
    m_device.reset();
    const std::lock_guard lock(m_mutex);
    m_result.reset();
    return position;
}

std::optional<PlayResult> PlaybackSession::Result() const {
    const std::lock_guard lock(m_mutex);
    return m_result;
}

std::optional<double> PlaybackSession::Position() const {
    if (!m_device || m_nRate == 0) {
        return std::nullopt;
    }
    return static_cast<double>(m_fStart) +
           static_cast<double>(m_device->FramesPlayed()) / static_cast<double>(m_nRate);
}

} // namespace sundrel
