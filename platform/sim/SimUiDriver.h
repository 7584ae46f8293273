#pragma once

#include "platform/SimUiRequests.h"

#include "platform/sim/SimSubscription.h"

namespace platform::sim {

// The program's end of the simulator's window requests: one connection on which the world
// pushes {"ui": {...}, "id": N} and the program answers {"op": "ui_reply", "id": N, "ok": ...}.
class SimUiDriver {
public:
    SimUiDriver() = default;
    SimUiDriver(const SimUiDriver&) = delete;
    SimUiDriver& operator=(const SimUiDriver&) = delete;

    bool Start(SimUiRequestHandler handler);
    void Stop();

private:
    SimSubscription m_subscription;
};

} // namespace platform::sim
