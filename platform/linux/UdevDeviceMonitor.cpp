#include "platform/linux/UdevDeviceMonitor.h"

#include "platform/UsbNames.h"

#include <libudev.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform::native {

namespace {

struct UsbIdentity {
    int vendorId = 0;
    int productId = 0;
    std::string serial;
};

std::optional<int> HexValue(const char* text) {
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    long value = std::strtol(text, &end, 16);
    if (end == text || value < 0 || value > 0xFFFF)
        return std::nullopt;
    return static_cast<int>(value);
}

// A device without a serial number gets its bus location instead, as a stand-in that stays
// the same while it is plugged in.
std::string SerialOf(udev_device* device) {
    const char* serial = udev_device_get_sysattr_value(device, "serial");
    if (!serial)
        serial = udev_device_get_property_value(device, "ID_SERIAL_SHORT");
    if (serial && *serial)
        return serial;
    const char* sysname = udev_device_get_sysname(device);
    return sysname ? sysname : "";
}

std::optional<UsbIdentity> IdentityOf(udev_device* device) {
    UsbIdentity id;
    auto vid = HexValue(udev_device_get_sysattr_value(device, "idVendor"));
    auto pid = HexValue(udev_device_get_sysattr_value(device, "idProduct"));
    if (!vid || !pid) {
        // PRODUCT is "vid/pid/bcd" in hex and also travels with removal events.
        const char* product = udev_device_get_property_value(device, "PRODUCT");
        if (!product)
            return std::nullopt;
        char* end = nullptr;
        long v = std::strtol(product, &end, 16);
        if (!end || *end != '/')
            return std::nullopt;
        long p = std::strtol(end + 1, &end, 16);
        if (v < 0 || v > 0xFFFF || p < 0 || p > 0xFFFF)
            return std::nullopt;
        vid = static_cast<int>(v);
        pid = static_cast<int>(p);
    }
    id.vendorId = *vid;
    id.productId = *pid;
    id.serial = SerialOf(device);
    return id;
}

// The Bluetooth model sits on the Bluetooth HID bus, not under usb: it is found through its
// hidraw node, whose hid parent names the bus, vendor and product.
std::optional<std::string> BluetoothInstanceIdOf(udev_device* hidraw) {
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!hid)
        return std::nullopt;
    const char* hidId = udev_device_get_property_value(hid, "HID_ID");
    if (!hidId)
        return std::nullopt;
    const char* uniq = udev_device_get_property_value(hid, "HID_UNIQ");
    const char* sysname = udev_device_get_sysname(hid);
    const std::string serial = uniq && *uniq ? uniq : (sysname ? sysname : "");
    return BluetoothHidInstanceId(hidId, serial);
}

bool IsUsbDevice(udev_device* device) {
    const char* type = udev_device_get_devtype(device);
    return type && std::strcmp(type, "usb_device") == 0;
}

} // namespace

UdevDeviceMonitor::UdevDeviceMonitor() : m_udev(udev_new()) {}

UdevDeviceMonitor::~UdevDeviceMonitor() {
    Stop();
    if (m_udev)
        udev_unref(m_udev);
}

std::vector<std::string> UdevDeviceMonitor::EnumeratePresentDevices() {
    std::vector<std::string> ids;
    if (!m_udev)
        return ids;
    AppendUsbDevices(ids);
    AppendBluetoothHidDevices(ids);
    return ids;
}

void UdevDeviceMonitor::ForEachDevice(const char* subsystem, const char* devType,
                                      const std::function<void(udev_device*)>& visit) {
    udev_enumerate* enumerate = udev_enumerate_new(m_udev);
    if (!enumerate)
        return;
    udev_enumerate_add_match_subsystem(enumerate, subsystem);
    if (devType)
        udev_enumerate_add_match_property(enumerate, "DEVTYPE", devType);
    if (udev_enumerate_scan_devices(enumerate) == 0) {
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            udev_device* device =
                udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry));
            if (!device)
                continue;
            visit(device);
            udev_device_unref(device);
        }
    }
    udev_enumerate_unref(enumerate);
}

void UdevDeviceMonitor::AppendUsbDevices(std::vector<std::string>& ids) {
    ForEachDevice("usb", "usb_device", [&](udev_device* device) {
        if (auto id = IdentityOf(device)) {
            ids.push_back(UsbInstanceId(id->vendorId, id->productId, id->serial));
            RememberName(udev_device_get_syspath(device),
                         UsbInterfaceName(id->vendorId, id->productId, id->serial));
        }
    });
}

void UdevDeviceMonitor::AppendBluetoothHidDevices(std::vector<std::string>& ids) {
    ForEachDevice("hidraw", nullptr, [&](udev_device* device) {
        // A device with several HID interfaces has several nodes; it is listed once.
        auto id = BluetoothInstanceIdOf(device);
        if (id && std::find(ids.begin(), ids.end(), *id) == ids.end())
            ids.push_back(*id);
    });
}

bool UdevDeviceMonitor::Start(ChangeHandler handler) {
    if (!m_udev || m_thread.joinable())
        return false;
    udev_monitor* monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!monitor)
        return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        return false;
    }
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        udev_monitor_unref(monitor);
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this, monitor, handler] { Watch(monitor, handler); });
    return true;
}

void UdevDeviceMonitor::Stop() {
    if (!m_thread.joinable())
        return;
    m_stop = true;
    uint64_t one = 1;
    (void)!::write(m_wakeFd, &one, sizeof(one));
    m_thread.join();
    ::close(m_wakeFd);
    m_wakeFd = -1;
}

void UdevDeviceMonitor::Watch(udev_monitor* monitor, ChangeHandler handler) {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    while (!m_stop) {
        int ready = ::poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents)
            break;
        if (!(fds[0].revents & POLLIN))
            continue;
        udev_device* device = udev_monitor_receive_device(monitor);
        if (!device)
            continue;
        HandleEvent(device, handler);
        udev_device_unref(device);
    }
    udev_monitor_unref(monitor);
}

void UdevDeviceMonitor::RememberName(const char* syspath, const std::string& name) {
    if (!syspath)
        return;
    std::lock_guard<std::mutex> guard(m_namesLock);
    m_names[syspath] = name;
}

std::string UdevDeviceMonitor::ForgetName(const char* syspath) {
    std::lock_guard<std::mutex> guard(m_namesLock);
    auto known = m_names.find(syspath);
    if (known == m_names.end())
        return std::string();
    std::string name = known->second;
    m_names.erase(known);
    return name;
}

void UdevDeviceMonitor::HandleEvent(udev_device* device, const ChangeHandler& handler) {
    if (!IsUsbDevice(device))
        return;
    const char* action = udev_device_get_action(device);
    const char* syspath = udev_device_get_syspath(device);
    if (!action || !syspath)
        return;
    DeviceChange change;
    if (std::strcmp(action, "add") == 0) {
        auto id = IdentityOf(device);
        if (!id)
            return;
        change.action = DeviceChange::Action::Arrival;
        change.interfaceName = UsbInterfaceName(id->vendorId, id->productId, id->serial);
        RememberName(syspath, change.interfaceName);
    } else if (std::strcmp(action, "remove") == 0) {
        change.action = DeviceChange::Action::Removal;
        change.interfaceName = ForgetName(syspath);
        if (change.interfaceName.empty()) {
            auto id = IdentityOf(device);
            if (!id)
                return;
            change.interfaceName = UsbInterfaceName(id->vendorId, id->productId, id->serial);
        }
    } else {
        return;
    }
    handler(change);
}

} // namespace platform::native
