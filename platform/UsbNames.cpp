#include "platform/UsbNames.h"

#include "platform/IDeviceMonitor.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
constexpr long kBusBluetooth = 0x0005;

// One field of HID_ID: hexadecimal digits only, up to maxDigits of them.
std::optional<long> HexField(const std::string& text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    return std::strtol(text.c_str(), nullptr, 16);
}

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

std::optional<std::string> BluetoothHidInstanceId(const std::string& hidId,
                                                  const std::string& uniq) {
    const size_t first = hidId.find(':');
    const size_t second = first == std::string::npos ? first : hidId.find(':', first + 1);
    if (second == std::string::npos)
        return std::nullopt;
    const auto bus = HexField(hidId.substr(0, first), 4);
    const auto vendor = HexField(hidId.substr(first + 1, second - first - 1), 8);
    const auto product = HexField(hidId.substr(second + 1), 8);
    if (!bus || !vendor || !product || *bus != kBusBluetooth || *vendor > 0xFFFF ||
        *product > 0xFFFF)
        return std::nullopt;
    return UsbInstanceId(static_cast<int>(*vendor), static_cast<int>(*product), uniq);
}

} // namespace platform
