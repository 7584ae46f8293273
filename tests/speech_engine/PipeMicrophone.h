#pragma once

#include "PulseTestServer.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace enginetest {

// A PulseAudio pipe source made the default microphone for one test: what the test writes into
// it is what the program's recorders capture.
class PipeMicrophone {
public:
    explicit PipeMicrophone(const std::string& description = "Velmora Engine Test Microphone")
        : m_source(std::make_unique<pulsetest::PipeSource>(
              "velmora_engine_" + std::to_string(getpid()), description)) {
        if (m_source->Loaded())
            m_source->MakeDefault();
    }

    bool Loaded() const { return m_source->Loaded(); }
    bool Play(const std::vector<char>& audio) { return m_source->Write(audio); }

    // Waits until at least count record streams capture from this source.
    bool WaitForRecordStreams(int count, std::chrono::seconds timeout = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            if (RecordStreams() >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

private:
    int RecordStreams() const {
        const std::string index = SourceIndex();
        if (index.empty())
            return 0;
        std::istringstream outputs(pulsetest::Pactl("list short source-outputs"));
        std::string line;
        int streams = 0;
        while (std::getline(outputs, line)) {
            std::istringstream fields(line);
            std::string output, source;
            if (fields >> output >> source && source == index)
                ++streams;
        }
        return streams;
    }
    std::string SourceIndex() const {
        std::istringstream sources(pulsetest::Pactl("list short sources"));
        std::string line;
        while (std::getline(sources, line)) {
            std::istringstream fields(line);
            std::string index, name;
            if (fields >> index >> name && name == m_source->Name())
                return index;
        }
        return {};
    }

    std::unique_ptr<pulsetest::PipeSource> m_source;
};

} // namespace enginetest
