#include "platform/IAudioPlayer.h"

#include "platform/SimEvents.h"
#include "platform/linux/QtAudioPlayer.h"
#include "platform/sim/SimAudioPlayer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

bool IsHttpAddress(const QString& source) {
    return source.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           source.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

std::unique_ptr<IAudioPlayer> CreateAudioPlayer() {
    if (SimulatorActive())
        return std::make_unique<sim::SimAudioPlayer>();
    return std::make_unique<native::QtAudioPlayer>();
}

namespace {
// What the waiting thread and the player's thread share; outlives either side's use of it.
struct PlayOutcome {
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    bool finished = false;
};
} // namespace

bool PlayToEnd(IAudioPlayer& player, QByteArray bytes, PlaybackSource source,
               std::int64_t limitMs) {
    auto outcome = std::make_shared<PlayOutcome>();
    auto settle = [outcome](bool finished) {
        std::lock_guard<std::mutex> guard(outcome->lock);
        if (outcome->done)
            return;
        outcome->done = true;
        outcome->finished = finished;
        outcome->changed.notify_all();
    };
    IAudioPlayer::Listener listener;
    listener.finished = [settle] { settle(true); };
    listener.failed = [settle](const std::string&) { settle(false); };
    player.SetListener(std::move(listener));
    if (!player.OpenBytes(std::move(bytes), std::move(source)))
        return false;
    player.Play();
    std::unique_lock<std::mutex> lock(outcome->lock);
    const bool settled = outcome->changed.wait_for(lock, std::chrono::milliseconds(limitMs),
                                                   [&] { return outcome->done; });
    const bool finished = settled && outcome->finished;
    lock.unlock();
    if (!settled)
        player.Stop();
    player.SetListener({});
    return finished;
}

} // namespace platform
