#pragma once

#include "core/audio/WaveFile.h"
#include "core/play/PlayRange.h"
#include "core/play/PlaybackSession.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace sundrel {

// The part of the session that plays: the position, whether a play runs (from the position or
// over a range), its generation (results of older plays are stale) and the player itself.
class SessionTransport {
  public:
    // What a play reports on the player's thread; the callbacks must only post.
    struct PlayCallbacks {
        PlaybackSession::Label label;
        PlaybackSession::EndHandler ended;
    };
    using MakeCallbacks = std::function<PlayCallbacks(std::uint64_t generation)>;

    explicit SessionTransport(PlaybackSession::DeviceFactory makeDevice);
    ~SessionTransport();
    SessionTransport(const SessionTransport&) = delete;
    SessionTransport& operator=(const SessionTransport&) = delete;

    // Seconds; double precision, so a position set on a zoomed view is exact to the frame.
    double Position() const { return m_position; }
    void SetPosition(double seconds) { m_position = seconds; }
    // The position as the percentage rules and the player take it (a float of seconds).
    float FloatPosition() const { return static_cast<float>(m_position); }

    bool IsPlaying() const { return m_bPlaying; }
    bool AutoJump() const { return m_bAutoJump; }
    void SetAutoJump(bool on) { m_bAutoJump = on; }

    // Ends a running player, then plays `wave` over `range`, or from the position without
    // one, with the callbacks `make` gives for the new play's generation.
    void Start(const CWaveFile& wave, std::optional<PlayRange> range, const MakeCallbacks& make);
    // Ends a running player, making its pending results stale; where the sound stopped.
    std::optional<double> Halt();
    // Halts the player and marks the transport idle; whether it was playing.
    bool End();

    std::optional<PlayRange> PlayingRange() const {
        return m_bPlaying ? m_playingRange : std::nullopt;
    }
    bool IsCurrentPlay(std::uint64_t generation) const { return generation == m_nGeneration; }
    bool IsPlayerActive() const { return m_player->IsActive(); }
    std::optional<PlayResult> PlayerResult() const { return m_player->Result(); }
    // Seconds heard so far while playing (the device clock).
    std::optional<double> PlayedPosition() const;

  private:
    double m_position = 0.0;
    bool m_bPlaying = false;
    bool m_bAutoJump = true;
    std::uint64_t m_nGeneration = 0;
    std::optional<PlayRange> m_playingRange; // the range being played, if any
    std::unique_ptr<PlaybackSession> m_player;
};

} // namespace sundrel
