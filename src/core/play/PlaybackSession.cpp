#include "core/play/PlaybackSession.h"

#include "core/markers/Marker.h"

#include <utility>

namespace sundrel {

PlaybackSession::PlaybackSession(DeviceFactory makeDevice) : m_makeDevice(std::move(makeDevice)) {}

PlaybackSession::~PlaybackSession() {
    Stop();
}

void PlaybackSession::Start(const CWaveFile& file, float startSecond, Label label,
                            EndHandler onEnd) {
    Launch(
        file, static_cast<double>(startSecond),
        [&file, startSecond, label = std::move(label)](WaveOut& device, std::stop_token stop) {
            return file.Play(device, label, startSecond, stop);
        },
        std::move(onEnd));
}

void PlaybackSession::Start(const CWaveFile& file, PlayRange range, Label label, EndHandler onEnd) {
    // The player holds the range within the mix the same way, so the position starts where
    // the sound does.
    const std::uint32_t frame = file.m_wfx.nBlockAlign > 0 ? file.m_wfx.nBlockAlign : 1u;
    const PlayRange held = range.Within(static_cast<std::int64_t>(file.m_nDataSize / frame));
    Launch(
        file, SecondsAtFrame(held.firstFrame, file.m_wfx.nSamplesPerSec),
        [&file, held, label = std::move(label)](WaveOut& device, std::stop_token stop) {
            return file.Play(device, label, held, stop);
        },
        std::move(onEnd));
}

void PlaybackSession::Launch(const CWaveFile& file, double startSecond, Player play,
                             EndHandler onEnd) {
    Stop();
    m_device = m_makeDevice();
    m_dStart = startSecond;
    m_nRate = file.m_wfx.nSamplesPerSec;
    WaveOut& device = *m_device;
    m_worker = std::jthread(
        [this, &device, play = std::move(play), onEnd = std::move(onEnd)](std::stop_token stop) {
            PlayResult result = play(device, stop);
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
    return m_dStart + static_cast<double>(m_device->FramesPlayed()) / static_cast<double>(m_nRate);
}

} // namespace sundrel
