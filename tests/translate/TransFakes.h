#pragma once

#include "platform/IAudioPlayer.h"
#include "platform/ISpeechSynthesizer.h"
#include "translate/ITransCallBack.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// What the fakes saw, shared by every player the engine makes.
struct PlayLog {
    struct Played {
        std::string bytes;
        std::string origin;
        std::string voice;
    };
    std::mutex lock;
    std::vector<Played> played;
};

// A player that "plays" at once and tells the listener it finished.
class FakePlayer : public platform::IAudioPlayer {
public:
    explicit FakePlayer(std::shared_ptr<PlayLog> log) : m_log(std::move(log)) {}
    void SetListener(Listener listener) override { m_listener = std::move(listener); }
    bool OpenBytes(QByteArray bytes, platform::PlaybackSource source) override {
        std::lock_guard<std::mutex> guard(m_log->lock);
        m_log->played.push_back({bytes.toStdString(), source.origin, source.voice});
        return !bytes.isEmpty();
    }
    bool OpenFile(const QString&) override { return false; }
    bool OpenUrl(const QString&) override { return false; }
    void Play() override {
        if (m_listener.finished)
            m_listener.finished();
    }
    void Pause() override {}
    void Stop() override {}
    void Seek(std::int64_t) override {}
    void SetRate(double) override {}
    std::int64_t PositionMs() const override { return 0; }
    std::int64_t DurationMs() const override { return 0; }

private:
    std::shared_ptr<PlayLog> m_log;
    Listener m_listener;
};

// Speaks only the codes it is given a voice for; the sound is the text itself.
class FakeSynthesizer : public platform::ISpeechSynthesizer {
public:
    explicit FakeSynthesizer(std::set<std::string> voices) : m_voices(std::move(voices)) {}
    std::optional<platform::SynthesizedSpeech> Synthesize(const std::string& text,
                                                          const std::string& code) override {
        if (m_voices.count(code) == 0)
            return std::nullopt;
        return platform::SynthesizedSpeech{QByteArray::fromStdString(text), "voice-" + code};
    }

private:
    std::set<std::string> m_voices;
};

// Records the answers and lets the test wait for them.
class RecordingTransCallBack : public ITransCallBack {
public:
    void OnTranslated(const std::string& text) override {
        std::lock_guard<std::mutex> guard(m_lock);
        m_translations.push_back(text);
        m_changed.notify_all();
    }
    void OnSpeakEnd() override {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_speakEnds;
        m_changed.notify_all();
    }
    bool WaitForTranslations(std::size_t count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, kHangGuard, [&] { return m_translations.size() >= count; });
    }
    bool WaitForSpeakEnds(int count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, kHangGuard, [&] { return m_speakEnds >= count; });
    }
    std::vector<std::string> Translations() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_translations;
    }

private:
    static constexpr std::chrono::seconds kHangGuard{30};
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_translations;
    int m_speakEnds = 0;
};
