#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Where the sound being played came from, as the simulator's playback events name it:
// "service" (fetched from a speech endpoint), "local" (synthesised here, with its voice) or
// "file" (a recording on disk).
struct PlaybackSource {
    std::string origin;
    std::string voice;
};

// One media player: a sound in memory, a file or an http(s) address, played through the
// desktop's audio output.
// Built so that a player window can drive it (open, play, pause, stop, seek, rate, position,
// duration) and a worker can play a sound to its end (PlayToEnd). Operations may be called
// from any thread and return at once; the listener's calls come from the player's own thread.
// Destroying the player stops it; no listener call is made once the destructor has returned.
class IAudioPlayer {
public:
    struct Listener {
        // Played to its end.
        std::function<void()> finished;
        // The sound could not be opened or played (no decoder, no output, bad data).
        std::function<void(const std::string& reason)> failed;
        // Milliseconds; reported as they change.
        std::function<void(std::int64_t positionMs)> positionChanged;
        std::function<void(std::int64_t durationMs)> durationChanged;
    };

    virtual ~IAudioPlayer() = default;

    // Set before opening; replaces the previous listener.
    virtual void SetListener(Listener listener) = 0;
    // A whole encoded sound (MP3, WAV...) held in memory. False when it is empty.
    virtual bool OpenBytes(QByteArray bytes, PlaybackSource source) = 0;
    // A sound file. False when it cannot be read.
    virtual bool OpenFile(const QString& path) = 0;
    // A sound at an http or https address (the peer's certificate verified against the system's
    // trusted authorities). False for any other kind of address; a fetch or a certificate that
    // fails later is reported through the listener's `failed`.
    virtual bool OpenUrl(const QString& address) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual void Seek(std::int64_t positionMs) = 0;
    // 1.0 is normal speed.
    virtual void SetRate(double rate) = 0;
    virtual std::int64_t PositionMs() const = 0;
    // 0 while unknown.
    virtual std::int64_t DurationMs() const = 0;
};

// True for an absolute http:// or https:// address (the scheme compared without case).
bool IsHttpAddress(const QString& source);

// A new player of the desktop (Qt Multimedia), or of the simulator when one is attached.
std::unique_ptr<IAudioPlayer> CreateAudioPlayer();

// Plays the sound on the player and blocks the calling thread until it has finished or failed
// (or `limitMs` passed, a guard against a stuck output). True when it played to its end. The
// player's listener is replaced. Never call it on a UI thread.
inline constexpr std::int64_t kPlayToEndLimitMs = 10 * 60 * 1000;
bool PlayToEnd(IAudioPlayer& player, QByteArray bytes, PlaybackSource source,
               std::int64_t limitMs = kPlayToEndLimitMs);

} // namespace platform
