#include "platform/IDeviceMonitor.h"
#include "platform/IHidTransport.h"
#include "platform/SimEvents.h"
#include "platform/linux/HidapiTransport.h"
#include "platform/linux/UdevDeviceMonitor.h"
#include "platform/sim/SimDeviceMonitor.h"
#include "platform/sim/SimHidTransport.h"

namespace platform {

std::shared_ptr<IHidTransport> CreateHidTransport() {
    if (SimulatorActive())
        return std::make_shared<sim::SimHidTransport>();
    return std::make_shared<native::HidapiTransport>();
}

std::unique_ptr<IDeviceMonitor> CreateDeviceMonitor() {
    if (SimulatorActive())
        return std::make_unique<sim::SimDeviceMonitor>();
    return std::make_unique<native::UdevDeviceMonitor>();
}

} // namespace platform
