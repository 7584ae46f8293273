#include "platform/SimEvents.h"

// The fuzz targets run without the simulator: the debug channel's events go nowhere.
namespace platform {

bool SimulatorActive() {
    return false;
}

void EmitSimEvent(const Json::Value&) {}

} // namespace platform
