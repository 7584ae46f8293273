#pragma once

#include "platform/IHidTransport.h"

namespace platform::sim {

// Virtual HID devices of the simulator world. Enumeration asks over the control connection;
// every opened handle is a connection of its own to which the world pushes the device's input
// reports, and which the world closes when the device is unplugged.
class SimHidTransport : public IHidTransport {
public:
    std::vector<HidDeviceInfo> Enumerate(int vendorId, int productId) override;
    std::unique_ptr<IHidDevice> OpenPath(const std::string& path, HidOpenError& error) override;
};

} // namespace platform::sim
