#include "platform/sim/SimAudioPlayer.h"

#include "platform/SimEvents.h"

#include <QFileInfo>

#include <json/value.h>

namespace platform::sim {

void SimAudioPlayer::SetListener(Listener listener) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_listener = std::move(listener);
}

bool SimAudioPlayer::OpenBytes(QByteArray bytes, PlaybackSource source) {
    if (bytes.isEmpty())
        return false;
    std::lock_guard<std::mutex> guard(m_lock);
    m_open = true;
    m_bytes = bytes.size();
    m_source = std::move(source);
    m_position = 0;
    return true;
}

bool SimAudioPlayer::OpenFile(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_open = true;
        m_bytes = file.size();
        m_source = PlaybackSource{"file", std::string()};
        m_position = 0;
    }
    Report("open");
    return true;
}

void SimAudioPlayer::Report(const char* action) const {
    Json::Value event;
    event["kind"] = "playback";
    event["action"] = action;
    std::lock_guard<std::mutex> guard(m_lock);
    event["bytes"] = static_cast<Json::Int64>(m_bytes);
    event["source"] = m_source.origin;
    if (!m_source.voice.empty())
        event["voice"] = m_source.voice;
    event["position_ms"] = static_cast<Json::Int64>(m_position);
    event["rate"] = m_rate;
    EmitSimEvent(event);
}

void SimAudioPlayer::Play() {
    Listener listener;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open)
            return;
        listener = m_listener;
    }
    Report("play");
    Report("complete");
    if (listener.finished)
        listener.finished();
}

void SimAudioPlayer::Pause() {
    Report("pause");
}

void SimAudioPlayer::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_position = 0;
    }
    Report("stop");
}

void SimAudioPlayer::Seek(std::int64_t positionMs) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_position = positionMs;
    }
    Report("seek");
}

void SimAudioPlayer::SetRate(double rate) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_rate = rate;
    }
    Report("rate");
}

std::int64_t SimAudioPlayer::PositionMs() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_position;
}

} // namespace platform::sim
