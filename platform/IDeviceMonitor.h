#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A device interface appearing or going away. interfaceName has the form
// "\\?\USB#VID_6352&PID_C098#serial#{a5dcbf10-6530-11d2-901f-00c04fb951ed}".
struct DeviceChange {
    enum class Action { Arrival, Removal };
    Action action = Action::Arrival;
    std::string interfaceName;
};

// Start-up enumeration of present devices and hot-plug notifications.
class IDeviceMonitor {
public:
    using ChangeHandler = std::function<void(const DeviceChange&)>;

    virtual ~IDeviceMonitor() = default;
    // Instance ids ("USB\VID_6352&PID_C098\serial") of the devices present now; empty when
    // the enumeration fails.
    virtual std::vector<std::string> EnumeratePresentDevices() = 0;
    // Starts watching; handler runs on the monitor's own thread. False when watching is
    // impossible (the program then only knows what the start-up scan found).
    virtual bool Start(ChangeHandler handler) = 0;
    // Stops watching and joins the monitor thread; no handler call runs after it returns.
    virtual void Stop() = 0;
};

std::unique_ptr<IDeviceMonitor> CreateDeviceMonitor();

// The interface class suffix of USB device interface names.
inline const char* UsbInterfaceClassSuffix() {
    return "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
}

} // namespace platform
