#pragma once

// Shared set-up of the device benchmarks: a velmora-sim world in a child process, the
// device link of this process on the simulator back ends, and a poster that timestamps
// every message.

#include "app/CConfig.h"
#include "device/CDeviceLink.h"
#include "platform/sim/SimClient.h"

#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// "0a000000<dpi><key>000a": a generation 1, sensor 2 mouse report with this key code.
inline std::string MouseKeyReport(const char* keyHex) {
    return std::string("0a00000025") + keyHex + "000a";
}

class DeviceBenchWorld {
public:
    using Clock = std::chrono::steady_clock;
    struct Posted {
        unsigned msg;
        uintptr_t wParam;
        Clock::time_point at;
    };

    // Must run before anything asks whether a simulator is attached.
    DeviceBenchWorld() : m_socket("/tmp/velmora-bench-" + std::to_string(::getpid()) + ".sock") {
        ::setenv("VELMORA_SIMULATOR", m_socket.c_str(), 1);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execl(VELMORA_SIM_PATH, VELMORA_SIM_PATH, "serve", "--socket", m_socket.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 300 && !m_tool.Connect(m_socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        config = std::make_shared<CConfig>(m_dir.path() + "/");
        link = std::make_unique<CDeviceLink>(config);
        link->SetPoster([this](unsigned msg, uintptr_t wParam, intptr_t) {
            const auto now = Clock::now();
            std::lock_guard<std::mutex> guard(m_lock);
            m_posted.push_back({msg, wParam, now});
            m_changed.notify_all();
        });
    }

    ~DeviceBenchWorld() {
        link->StopReadingThread(kDeviceMouse);
        link->StopReadingThread(kDevicePen);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        link.reset();
        Json::Value stop;
        stop["op"] = "stop";
        m_tool.Request(stop);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }

    bool Ready() const { return m_tool.IsConnected(); }

    // One tool request to the world; false when refused.
    bool Tool(Json::Value request) {
        return m_tool.Request(request, 5000).get("ok", false).asBool();
    }
    bool Plug(const char* kind) {
        Json::Value r;
        r["op"] = "plug";
        r["device"] = kind;
        return Tool(r);
    }
    bool Unplug(const char* kind) {
        Json::Value r;
        r["op"] = "unplug";
        r["device"] = kind;
        return Tool(r);
    }
    bool Report(const char* kind, const std::string& hex) {
        Json::Value r;
        r["op"] = "report";
        r["device"] = kind;
        r["bytes"] = hex;
        return Tool(r);
    }

    // Plugs a mouse, finds it, starts its reading thread and lets its first report announce
    // generation and sensor, so a benchmark starts from a settled thread. False when the
    // world could not be started.
    bool StartMouseThread() {
        if (!Ready() || !Plug("mouse"))
            return false;
        link->ScanPresentDevices();
        link->StartReadingThread(kDeviceMouse);
        Report("mouse", MouseKeyReport("22"));
        return WaitPosted(2, std::chrono::seconds(5));
    }

    size_t PostedCount() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_posted.size();
    }
    // Waits until at least count messages were posted.
    bool WaitPosted(size_t count, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, limit, [&] { return m_posted.size() >= count; });
    }
    std::vector<Posted> PostedMessages() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_posted;
    }

    std::shared_ptr<CConfig> config;
    std::unique_ptr<CDeviceLink> link;

private:
    std::string m_socket;
    pid_t m_pid = -1;
    platform::sim::SimClient m_tool;
    QTemporaryDir m_dir;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Posted> m_posted;
};
