#pragma once

#include "platform/IDeviceMonitor.h"

#include <QString>

#include <string>
#include <vector>

class DeviceContext;
struct DeviceInstanceId;

// Decides which catalogue devices are present: from the instance ids of the start-up scan,
// and from arrival and removal notifications afterwards. Writes the device settings and posts
// the presence messages.
class CDeviceDiscovery {
public:
    explicit CDeviceDiscovery(DeviceContext& context) : m_context(context) {}

    // Sets presence flags and stores vid/pid/sn (lp_vid/lp_pid/lp_sn for the pen). Later ids
    // overwrite what earlier ones stored.
    void ScanPresentDevices(const std::vector<std::string>& instanceIds);
    // Posts the mouse, pen or third-device message for a USB device interface coming or going.
    void HandleDeviceChange(const platform::DeviceChange& change);

private:
    void ScanOne(const DeviceInstanceId& id);
    void StoreMouse(const DeviceInstanceId& id);
    void StorePen(const DeviceInstanceId& id);

    DeviceContext& m_context;
};
