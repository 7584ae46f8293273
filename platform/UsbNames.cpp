#include "platform/UsbNames.h"

#include "platform/IDeviceMonitor.h"

#include <cstdio>

namespace platform {

namespace {
std::string VidPid(int vendorId, int productId) {
    char text[32];
    std::snprintf(text, sizeof(text), "VID_%04X&PID_%04X", vendorId & 0xFFFF, productId & 0xFFFF);
    return text;
}

// A serial with '\' or '#' in it would shift the fields of both name forms.
std::string SafeSerial(const std::string& serial) {
    std::string out = serial;
    for (char& c : out) {
        if (c == '\\' || c == '#' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    }
    return out;
}
} // namespace

std::string UsbInstanceId(int vendorId, int productId, const std::string& serial) {
    return "USB\\" + VidPid(vendorId, productId) + "\\" + SafeSerial(serial);
}

std::string UsbInterfaceName(int vendorId, int productId, const std::string& serial) {
    return "\\\\?\\USB#" + VidPid(vendorId, productId) + "#" + SafeSerial(serial) + "#" +
           UsbInterfaceClassSuffix();
}

} // namespace platform
