#pragma once

#include "speech/CXfEngineWeb.h"
#include "speech/TranscriberSettings.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace transcribertest {

using namespace std::chrono_literals;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Audio bytes in which every position differs from its neighbours, so a block sent twice, lost
// or out of order shows in the reassembled stream.
inline std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 16777619u ^ static_cast<std::uint32_t>(i);
        bytes[i] = static_cast<char>(state >> 13);
    }
    return bytes;
}

// A fresh folder for one test's recording files.
class Folder {
public:
    Folder() {
        char pattern[] = "/tmp/velmora-transcriber-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            m_path = pattern;
    }
    ~Folder() {
        std::error_code error;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, error);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    bool Valid() const { return !m_path.empty(); }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::string m_path;
};

// The transcriber as the records tab drives it, with the test as its listener.
class TranscriberUnderTest {
public:
    explicit TranscriberUnderTest(TranscriberSettings settings)
        : m_engine(nullptr, nullptr, std::move(settings)) {
        CXfEngineWeb::Listener listener;
        listener.finished = [this](bool failed) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_finished.push_back(failed);
        };
        listener.progress = [this](int percent) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_percents.push_back(percent);
        };
        m_engine.SetListener(std::move(listener));
        m_engine.Start();
    }

    CXfEngineWeb& Engine() { return m_engine; }

    void Transcribe(const std::string& pcm, const std::string& txt,
                    const std::string& language = "zh_cn") {
        m_engine.SetJob({pcm, txt, language});
        m_engine.BeginRecognize();
    }

    bool WaitForFinished(std::size_t count = 1,
                         std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (Finished().size() < count) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
    std::vector<bool> Finished() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_finished;
    }
    std::vector<int> Percents() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_percents;
    }

private:
    mutable std::mutex m_lock;
    std::vector<bool> m_finished;
    std::vector<int> m_percents;
    CXfEngineWeb m_engine; // last: it reports to the members above until it is gone
};

} // namespace transcribertest
