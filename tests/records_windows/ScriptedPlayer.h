#pragma once

#include "platform/IAudioPlayer.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What a ScriptedPlayer was asked and what it answers; shared by the test and the player the
// window owns, so the test can still read it once the window (and its player) is gone.
struct PlayerScript {
    bool openSucceeds = true;
    std::atomic<std::int64_t> position{0};
    std::atomic<std::int64_t> duration{0};

    std::mutex lock;
    std::vector<std::string>
        calls; // "file PATH", "url ADDRESS", "play", "seek 2000", "rate 1.5"...
    platform::IAudioPlayer::Listener listener;

    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> guard(lock);
        return calls;
    }
    void Record(std::string call) {
        std::lock_guard<std::mutex> guard(lock);
        calls.push_back(std::move(call));
    }
    // The listener is called from a thread of its own, as a real player's thread would.
    template <class Call> void FromPlayerThread(Call call) {
        platform::IAudioPlayer::Listener copy;
        {
            std::lock_guard<std::mutex> guard(lock);
            copy = listener;
        }
        std::thread([copy, call] { call(copy); }).join();
    }
    void Finish() {
        FromPlayerThread([](const platform::IAudioPlayer::Listener& l) { l.finished(); });
    }
    void Fail(const std::string& reason) {
        FromPlayerThread([reason](const platform::IAudioPlayer::Listener& l) { l.failed(reason); });
    }
    void AnnounceDuration(std::int64_t ms) {
        duration = ms;
        FromPlayerThread(
            [ms](const platform::IAudioPlayer::Listener& l) { l.durationChanged(ms); });
    }
};

// A player that plays nothing: it records every call and reports what the test scripts.
class ScriptedPlayer : public platform::IAudioPlayer {
public:
    explicit ScriptedPlayer(std::shared_ptr<PlayerScript> script) : m_script(std::move(script)) {}
    ~ScriptedPlayer() override {
        std::lock_guard<std::mutex> guard(m_script->lock);
        m_script->listener = Listener();
    }

    void SetListener(Listener listener) override {
        std::lock_guard<std::mutex> guard(m_script->lock);
        m_script->listener = std::move(listener);
    }
    bool OpenBytes(QByteArray, platform::PlaybackSource) override {
        m_script->Record("bytes");
        return m_script->openSucceeds;
    }
    bool OpenFile(const QString& path) override {
        m_script->Record("file " + path.toStdString());
        return m_script->openSucceeds;
    }
    bool OpenUrl(const QString& address) override {
        m_script->Record("url " + address.toStdString());
        return m_script->openSucceeds;
    }
    void Play() override { m_script->Record("play"); }
    void Pause() override { m_script->Record("pause"); }
    void Stop() override { m_script->Record("stop"); }
    void Seek(std::int64_t positionMs) override {
        m_script->position = positionMs;
        m_script->Record("seek " + std::to_string(positionMs));
    }
    void SetRate(double rate) override {
        m_script->Record("rate " + QString::number(rate).toStdString());
    }
    std::int64_t PositionMs() const override { return m_script->position; }
    std::int64_t DurationMs() const override { return m_script->duration; }

private:
    std::shared_ptr<PlayerScript> m_script;
};
