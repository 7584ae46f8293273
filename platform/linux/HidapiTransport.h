#pragma once

#include "platform/IHidTransport.h"

namespace platform::native {

// HID access through hidapi's hidraw back end.
class HidapiTransport : public IHidTransport {
public:
    HidapiTransport();
    std::vector<HidDeviceInfo> Enumerate(int vendorId, int productId) override;
    std::unique_ptr<IHidDevice> OpenPath(const std::string& path, HidOpenError& error) override;
};

} // namespace platform::native
