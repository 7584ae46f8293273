#pragma once

#include "platform/IHidTransport.h"

#include <memory>
#include <string>

// Opens the first HID collection of the vendor and product id whose release number, interface
// number, collection number, usage page and usage each equal the given value (-1: any). The
// interface and collection numbers come from the "&mi_" and "&col" parts of the path when it
// has them. Null when nothing matches or the open fails; a collection that exists but may not
// be opened is reported once in the log with the udev rule that grants access.
std::unique_ptr<platform::IHidDevice> hid_open_ext(platform::IHidTransport& transport, int vendorId,
                                                   int productId, int release, int interfaceNumber,
                                                   int collection, int usagePage, int usage);

// The number after marker in a device path (hexadecimal), -1 when the path has none.
int HidPathNumber(const std::string& path, const std::string& marker);

// File name of the udev rule that gives the desktop user access to the devices.
inline const char* VelmoraUdevRuleFile() {
    return "70-velmora.rules";
}
