#pragma once

#include "speech/IIatCallBack.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The owner's side of an engine in tests: keeps every report with the thread it came on.
class RecordingCallBack : public IIatCallBack {
public:
    struct Result {
        std::string text;
        bool last = false;
        std::string mode;
        std::thread::id thread;
    };

    void OnSpeechEnd() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_speechEnds;
        m_changed.notify_all();
    }
    void OnResult(const char* text, bool last, std::string mode) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_results.push_back({text ? text : "", last, std::move(mode), std::this_thread::get_id()});
        m_changed.notify_all();
    }
    void OnResultString(const std::string& text, bool last, std::string mode) override {
        OnResult(text.c_str(), last, std::move(mode));
    }
    void OnReserved1(std::int32_t, std::int32_t) override {}
    void OnReserved2(std::int32_t, std::int32_t) override {}

    // Waits for a result with last set.
    bool WaitForLast(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] {
            for (const auto& result : m_results)
                if (result.last)
                    return true;
            return false;
        });
    }
    bool WaitForSpeechEnd(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_speechEnds > 0; });
    }

    // Every text in order, settled pieces appended.
    std::string Transcript() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string text;
        for (const auto& result : m_results)
            text += result.text;
        return text;
    }
    std::vector<Result> Results() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_results;
    }
    int SpeechEnds() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_speechEnds;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Result> m_results;
    int m_speechEnds = 0;
};
