#pragma once

#include "speech/CVendorStream.h"
#include "speech/CWaveRecorder.h"
#include "speech/IIatCallBack.h"
#include "speech/StreamDelivery.h"
#include "speech/ThreadMessageQueue.h"
#include "speech_vendors/FakeStreamServer.h"

#include <mutex>
#include <utility>
#include <vector>

namespace streamtest {

// The owner: what reached OnResultString and OnReserved1.
class RecordingOwner : public IIatCallBack {
public:
    void OnSpeechEnd() override {}
    void OnResult(const char* text, bool last, std::string mode) override {
        std::lock_guard<std::mutex> guard(m_lock);
        m_results.push_back({text, last, std::move(mode)});
    }
    void OnResultString(const std::string& text, bool last, std::string mode) override {
        OnResult(text.c_str(), last, std::move(mode));
    }
    void OnReserved1(std::int32_t first, std::int32_t second) override {
        std::lock_guard<std::mutex> guard(m_lock);
        m_failures.emplace_back(first, second);
    }
    void OnReserved2(std::int32_t, std::int32_t) override {}

    std::vector<StreamDelivery> Results() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_results;
    }
    std::vector<std::pair<int, int>> Failures() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_failures;
    }

private:
    mutable std::mutex m_lock;
    std::vector<StreamDelivery> m_results;
    std::vector<std::pair<int, int>> m_failures;
};

// Stands in for the shared capture: keeps the senders the stream hands it.
class TestCapture {
public:
    CVendorStream::AttachSender Attach() {
        return [this](std::shared_ptr<ThreadMessageQueue> queue) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_senders.push_back(std::move(queue));
        };
    }
    std::size_t Senders() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_senders.size();
    }
    // Plays blocks to the newest sender, then ends the audio.
    void Play(const std::vector<std::vector<char>>& blocks) {
        std::shared_ptr<ThreadMessageQueue> sender;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            sender = m_senders.back();
        }
        for (const auto& block : blocks) {
            ThreadMessage message;
            message.message = CWaveRecorder::kAudioDataMessage;
            message.data = block;
            sender->Post(std::move(message));
        }
        sender->Post(CWaveRecorder::kAudioEndMessage);
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::shared_ptr<ThreadMessageQueue>> m_senders;
};

inline std::vector<char> Block(char fill) {
    return std::vector<char>(CWaveRecorder::kBlockBytes, fill);
}

} // namespace streamtest
