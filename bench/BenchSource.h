#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// A source clocked in real time, loaded into the PulseAudio server as the default source for
// the run of a capture benchmark, so the figures do not depend on the machine's microphone:
// the monitor of a silent output, which follows the latency its reader asks for (a tone
// source renders seconds ahead and would hide the capture's own timing). With --default on
// the command line the current default source is measured instead.
class BenchSource {
public:
    explicit BenchSource(bool useDefault) {
        m_previous = Run("pactl get-default-source");
        if (useDefault) {
            std::printf("source: %s (current default)\n", m_previous.c_str());
            return;
        }
        m_module = Run("pactl load-module module-null-sink sink_name=velmora_bench_out "
                       "rate=16000 channels=1");
        if (m_module.empty()) {
            std::printf("could not load a clocked source; is a PulseAudio server running?\n");
            return;
        }
        Run("pactl set-default-source velmora_bench_out.monitor");
        std::printf("source: velmora_bench_out.monitor (silent output, 16 kHz mono)\n");
    }
    ~BenchSource() {
        if (m_module.empty())
            return;
        if (!m_previous.empty())
            Run("pactl set-default-source '" + m_previous + "'");
        Run("pactl unload-module " + m_module);
    }
    BenchSource(const BenchSource&) = delete;
    BenchSource& operator=(const BenchSource&) = delete;

private:
    static std::string Run(const std::string& command) {
        std::string out;
        if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
            char chunk[256];
            std::size_t n;
            while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
                out.append(chunk, n);
            if (pclose(pipe) != 0)
                out.clear();
        }
        while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
            out.pop_back();
        return out;
    }

    std::string m_previous;
    std::string m_module;
};
