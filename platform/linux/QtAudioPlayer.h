#pragma once

#include "platform/IAudioPlayer.h"

#include <QThread>

#include <atomic>
#include <mutex>

class QAudioOutput;
class QBuffer;
class QMediaPlayer;

namespace platform {
class CTaskReceiver;
}

namespace platform::native {

// IAudioPlayer on Qt Multimedia (QMediaPlayer with a QAudioOutput on the default device).
// The Qt objects live on a thread of the player's own with an event loop, so a caller that
// blocks (PlayToEnd) or a busy UI thread never stalls playback. Needs a Qt application object.
// Addresses are streamed by the media stack's own HTTP source, which refuses a peer whose
// certificate the system does not trust (GStreamer's souphttpsrc is strict by default).
class QtAudioPlayer : public IAudioPlayer {
public:
    QtAudioPlayer();
    ~QtAudioPlayer() override;
    QtAudioPlayer(const QtAudioPlayer&) = delete;
    QtAudioPlayer& operator=(const QtAudioPlayer&) = delete;

    void SetListener(Listener listener) override;
    bool OpenBytes(QByteArray bytes, PlaybackSource source) override;
    bool OpenFile(const QString& path) override;
    bool OpenUrl(const QString& address) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Seek(std::int64_t positionMs) override;
    void SetRate(double rate) override;
    std::int64_t PositionMs() const override { return m_position.load(); }
    std::int64_t DurationMs() const override { return m_duration.load(); }

private:
    // Runs the work on the player's thread and returns at once.
    template <class Work> void Post(Work work);
    // Runs the work on the player's thread and waits for it.
    template <class Work> void Run(Work work);
    void MakePlayer();
    void DropSource();
    void Finished();
    void Failed(const std::string& reason);

    QThread m_thread;
    CTaskReceiver* m_home = nullptr; // lives on m_thread; parent of the Qt objects below
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_output = nullptr;
    QBuffer* m_buffer = nullptr;
    std::mutex m_listenerLock;
    Listener m_listener;
    std::atomic<std::int64_t> m_position{0};
    std::atomic<std::int64_t> m_duration{0};
};

} // namespace platform::native
