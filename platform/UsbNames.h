#pragma once

#include <optional>
#include <string>

namespace platform {

// "USB\VID_6352&PID_C098\serial": the instance id form the device code parses.
std::string UsbInstanceId(int vendorId, int productId, const std::string& serial);
// "\\?\USB#VID_6352&PID_C098#serial#{a5dcbf10-...}": the interface name of a USB device
// as hot-plug reports it. Separators inside the serial are replaced so the name stays parseable.
std::string UsbInterfaceName(int vendorId, int productId, const std::string& serial);
// The instance id of a Bluetooth HID device in the form above, from the HID_ID ("bus:vendor:
// product", e.g. "0005:000010D6:0000B006") and HID_UNIQ (its address) of its hid parent, so the
// catalogue knows it by its vendor and product id. Nothing for another bus or a malformed HID_ID.
std::optional<std::string> BluetoothHidInstanceId(const std::string& hidId,
                                                  const std::string& uniq);

} // namespace platform
