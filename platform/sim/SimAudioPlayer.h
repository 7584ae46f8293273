#pragma once

#include "platform/IAudioPlayer.h"

#include <mutex>

namespace platform::sim {

// IAudioPlayer of the simulator: nothing is heard. A sound "plays" at once: Play reports a
// playback event "play" and then "complete" (with the sound's size and source) and tells the
// listener it finished. Pause, stop, seek and rate are reported as they are asked for.
class SimAudioPlayer : public IAudioPlayer {
public:
    void SetListener(Listener listener) override;
    bool OpenBytes(QByteArray bytes, PlaybackSource source) override;
    bool OpenFile(const QString& path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Seek(std::int64_t positionMs) override;
    void SetRate(double rate) override;
    std::int64_t PositionMs() const override;
    std::int64_t DurationMs() const override { return 0; }

private:
    void Report(const char* action) const;

    mutable std::mutex m_lock;
    Listener m_listener;
    bool m_open = false;
    std::int64_t m_bytes = 0;
    PlaybackSource m_source;
    std::int64_t m_position = 0;
    double m_rate = 1.0;
};

} // namespace platform::sim
