#pragma once

#include <string>

namespace platform {

// "USB\VID_6352&PID_C098\serial": the instance id form the device code parses.
std::string UsbInstanceId(int vendorId, int productId, const std::string& serial);
// "\\?\USB#VID_6352&PID_C098#serial#{a5dcbf10-...}": the interface name of a USB device
// as hot-plug reports it. Separators inside the serial are replaced so the name stays parseable.
std::string UsbInterfaceName(int vendorId, int productId, const std::string& serial);

} // namespace platform
