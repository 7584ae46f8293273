#include "platform/SimEvents.h"

#include "platform/sim/SimClient.h"

namespace platform {

bool SimulatorActive() {
    static const bool active = !sim::SimClient::SocketFromEnvironment().empty();
    return active;
}

void EmitSimEvent(const Json::Value& event) {
    if (!SimulatorActive())
        return;
    Json::Value request;
    request["op"] = "emit";
    request["event"] = event;
    sim::SimClient::Control().Send(request);
}

} // namespace platform
