#pragma once

#include "platform/IDeviceMonitor.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

struct udev;
struct udev_device;
struct udev_monitor;

namespace platform::native {

// USB devices seen through libudev: enumeration for the start-up scan, a monitor thread for
// hot-plug. Both name a device by its USB vendor id, product id and serial. The start-up scan
// also lists the HID devices on the Bluetooth bus under the same kind of name.
class UdevDeviceMonitor : public IDeviceMonitor {
public:
    UdevDeviceMonitor();
    ~UdevDeviceMonitor() override;
    UdevDeviceMonitor(const UdevDeviceMonitor&) = delete;
    UdevDeviceMonitor& operator=(const UdevDeviceMonitor&) = delete;

    std::vector<std::string> EnumeratePresentDevices() override;
    bool Start(ChangeHandler handler) override;
    void Stop() override;

private:
    // Calls `visit` with every device of the subsystem (and device type, unless null).
    void ForEachDevice(const char* subsystem, const char* devType,
                       const std::function<void(udev_device*)>& visit);
    void AppendUsbDevices(std::vector<std::string>& ids);
    // Hot-plug leaves these alone: the Bluetooth model is only found at start-up.
    void AppendBluetoothHidDevices(std::vector<std::string>& ids);
    void Watch(struct udev_monitor* monitor, ChangeHandler handler);
    void HandleEvent(udev_device* device, const ChangeHandler& handler);
    void RememberName(const char* syspath, const std::string& name);
    std::string ForgetName(const char* syspath);

    udev* m_udev = nullptr;
    std::thread m_thread;
    int m_wakeFd = -1;
    std::atomic<bool> m_stop{false};
    // Names of the devices seen arriving, by sysfs path: a removed device's attributes are
    // gone, so its removal is reported under the name it arrived with.
    std::map<std::string, std::string> m_names;
    std::mutex m_namesLock;
};

} // namespace platform::native
