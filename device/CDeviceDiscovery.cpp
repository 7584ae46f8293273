#include "device/CDeviceDiscovery.h"

#include "app/CConfig.h"
#include "device/DeviceContext.h"
#include "device/DeviceInstanceId.h"

void CDeviceDiscovery::ScanPresentDevices(const std::vector<std::string>& instanceIds) {
    for (const std::string& instanceId : instanceIds) {
        if (auto id = DeviceInstanceId::Parse(QString::fromStdString(instanceId)))
            ScanOne(*id);
    }
}

void CDeviceDiscovery::ScanOne(const DeviceInstanceId& id) {
    DeviceState& state = m_context.State();
    const CDeviceCatalogue& catalogue = m_context.Catalogue();
    if (catalogue.FindMouse(id.vid, id.pid) >= 0) {
        state.mousePresent = true;
        StoreMouse(id);
    }
    if (catalogue.FindPen(id.vid, id.pid) >= 0) {
        state.penPresent = true;
        StorePen(id);
    }
    if (catalogue.IsRecorder(id.vid))
        state.recorderPresent = true;
    if (CDeviceCatalogue::IsBluetoothMouse(id.vid, id.pid)) {
        state.mousePresent = true;
        state.bluetoothMouse = true;
    }
}

void CDeviceDiscovery::HandleDeviceChange(const platform::DeviceChange& change) {
    const QString instanceId =
        DeviceInstanceId::FromInterfaceName(QString::fromStdString(change.interfaceName));
    auto id = DeviceInstanceId::Parse(instanceId);
    if (!id)
        return;
    const bool arrival = change.action == platform::DeviceChange::Action::Arrival;
    const CDeviceCatalogue& catalogue = m_context.Catalogue();
    if (catalogue.IsRecorder(id->vid)) {
        m_context.Post(devmsg::kRecorderPresence, arrival ? 1 : 0);
        return;
    }
    if (CDeviceCatalogue::IsBluetoothMouse(id->vid, id->pid))
        return;
    if (catalogue.FindMouse(id->vid, id->pid) >= 0) {
        if (arrival) {
            m_context.State().mousePresent = true;
            StoreMouse(*id);
        }
        m_context.Post(devmsg::kMousePresence, arrival ? 1 : 0);
    }
    if (catalogue.FindPen(id->vid, id->pid) >= 0) {
        if (arrival) {
            m_context.State().penPresent = true;
            StorePen(*id);
        }
        m_context.Post(devmsg::kPenPresence, arrival ? 1 : 0);
    }
}

void CDeviceDiscovery::StoreMouse(const DeviceInstanceId& id) {
    CConfig& config = m_context.Config();
    config.SetVid(id.vid);
    config.SetPid(id.pid);
    config.SetSn(id.serial);
}

void CDeviceDiscovery::StorePen(const DeviceInstanceId& id) {
    CConfig& config = m_context.Config();
    config.SetLpVid(id.vid);
    config.SetLpPid(id.pid);
    config.SetLpSn(id.serial);
}
