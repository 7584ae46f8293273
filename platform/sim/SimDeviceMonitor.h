#pragma once

#include "platform/IDeviceMonitor.h"
#include "platform/sim/SimSubscription.h"

namespace platform::sim {

// Devices plugged into the simulator world: the list of present ones, and a watch connection
// on which the world pushes arrivals and removals.
class SimDeviceMonitor : public IDeviceMonitor {
public:
    SimDeviceMonitor() = default;
    SimDeviceMonitor(const SimDeviceMonitor&) = delete;
    SimDeviceMonitor& operator=(const SimDeviceMonitor&) = delete;

    std::vector<std::string> EnumeratePresentDevices() override;
    bool Start(ChangeHandler handler) override;
    void Stop() override;

private:
    // The world's Bluetooth HID devices, named as the Linux scan names them.
    void AppendBluetoothDevices(std::vector<std::string>& ids);

    SimSubscription m_watch;
};

} // namespace platform::sim
