#pragma once

#include "platform/IAudioPlayer.h"

#include <memory>

namespace platform::sim {

// IAudioPlayer of the simulator: nothing is heard. A sound held in memory "plays" at once: Play
// reports the playback events "play" and "complete" and tells the listener it finished. A WAV
// file or an http(s) WAV plays on the real-time clock times the rate: its length comes from the
// WAV header (an address is fetched first, its certificate verified), and the end of the
// sound reports "complete" and tells the listener. Anything that is no WAV, or a fetch that
// fails, reports "error" and tells the listener. Every operation is reported as a "playback"
// event with the source (the origin of a sound in memory, else the path or the address), the
// position, the length and the rate.
//
// The clock and the fetches run on a thread of the player's own, which shares the player's
// state and ends on its own once the player is gone, so destroying the player never waits.
class SimAudioPlayer : public IAudioPlayer {
public:
    SimAudioPlayer();
    ~SimAudioPlayer() override;
    SimAudioPlayer(const SimAudioPlayer&) = delete;
    SimAudioPlayer& operator=(const SimAudioPlayer&) = delete;

    void SetListener(Listener listener) override;
    bool OpenBytes(QByteArray bytes, PlaybackSource source) override;
    bool OpenFile(const QString& path) override;
    bool OpenUrl(const QString& address) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Seek(std::int64_t positionMs) override;
    void SetRate(double rate) override;
    std::int64_t PositionMs() const override;
    std::int64_t DurationMs() const override;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace platform::sim
