#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One HID collection as the enumeration sees it.
struct HidDeviceInfo {
    std::string path;
    int vendorId = 0;
    int productId = 0;
    int releaseNumber = 0;
    int interfaceNumber = -1;
    int usagePage = 0;
    int usage = 0;
    std::string serial;
};

enum class HidOpenError { None, NotFound, PermissionDenied, Other };

// An open HID collection. One handle is used by one thread at a time.
class IHidDevice {
public:
    virtual ~IHidDevice() = default;
    // Reads one input report into data (report id first). Returns the number of bytes read,
    // 0 when no report arrived within timeoutMs, and -1 when the device failed or went away.
    virtual int Read(uint8_t* data, size_t length, int timeoutMs) = 0;
    // Sends one output report (report id first). Returns the bytes written or -1.
    virtual int SendOutputReport(const uint8_t* data, size_t length) = 0;
};

// Enumeration and opening of HID collections: hidapi on real hardware, virtual devices under
// the simulator.
class IHidTransport {
public:
    virtual ~IHidTransport() = default;
    // Every collection of the given vendor and product id (0 means any).
    virtual std::vector<HidDeviceInfo> Enumerate(int vendorId, int productId) = 0;
    // Opens the collection at path; null on failure, with the reason in error.
    virtual std::unique_ptr<IHidDevice> OpenPath(const std::string& path, HidOpenError& error) = 0;
};

// The transport of this process: the simulator's when one is attached, otherwise hidapi.
std::shared_ptr<IHidTransport> CreateHidTransport();

} // namespace platform
