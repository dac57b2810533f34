#include "core/session/SessionTransport.h"

#include <utility>

namespace sundrel {

SessionTransport::SessionTransport(PlaybackSession::DeviceFactory makeDevice)
    : m_player(std::make_unique<PlaybackSession>(std::move(makeDevice))) {}

SessionTransport::~SessionTransport() {
    Halt();
}

void SessionTransport::Start(const CWaveFile& wave, std::optional<PlayRange> range,
                             const MakeCallbacks& make) {
    Halt(); // one player at a time
    PlayCallbacks callbacks = make(m_nGeneration);
    if (range) {
        m_player->Start(wave, *range, std::move(callbacks.label), std::move(callbacks.ended));
    } else {
        m_player->Start(wave, FloatPosition(), std::move(callbacks.label),
                        std::move(callbacks.ended));
    }
    m_playingRange = range;
    m_bPlaying = true;
}

std::optional<double> SessionTransport::Halt() {
    ++m_nGeneration;
    return m_player ? m_player->Stop() : std::nullopt;
}

bool SessionTransport::End() {
    Halt();
    m_playingRange.reset();
    const bool was = m_bPlaying;
    m_bPlaying = false;
    return was;
}

std::optional<double> SessionTransport::PlayedPosition() const {
    return m_bPlaying ? m_player->Position() : std::nullopt;
}

} // namespace sundrel
