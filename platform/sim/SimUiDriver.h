#pragma once

#include "platform/SimUiRequests.h"

#include <atomic>
#include <thread>

namespace platform::sim {

// The program's end of the simulator's window requests: one connection on which the world
// pushes {"ui": {...}, "id": N} and the program answers {"op": "ui_reply", "id": N, "ok": ...}.
class SimUiDriver {
public:
    SimUiDriver() = default;
    ~SimUiDriver();
    SimUiDriver(const SimUiDriver&) = delete;
    SimUiDriver& operator=(const SimUiDriver&) = delete;

    bool Start(SimUiRequestHandler handler);
    void Stop();

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

} // namespace platform::sim
