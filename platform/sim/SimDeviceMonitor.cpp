#include "platform/sim/SimDeviceMonitor.h"

#include "platform/UsbNames.h"
#include "platform/sim/SimClient.h"

namespace platform::sim {

namespace {
constexpr int kReplyTimeoutMs = 2000;
} // namespace

std::vector<std::string> SimDeviceMonitor::EnumeratePresentDevices() {
    Json::Value request;
    request["op"] = "usb_devices";
    Json::Value reply = SimClient::Control().Request(request, kReplyTimeoutMs);
    std::vector<std::string> ids;
    if (!reply.get("ok", false).asBool() || !reply["ids"].isArray())
        return ids;
    for (const Json::Value& id : reply["ids"])
        ids.push_back(id.asString());
    AppendBluetoothDevices(ids);
    return ids;
}

void SimDeviceMonitor::AppendBluetoothDevices(std::vector<std::string>& ids) {
    Json::Value request;
    request["op"] = "bluetooth_devices";
    Json::Value reply = SimClient::Control().Request(request, kReplyTimeoutMs);
    if (!reply.get("ok", false).asBool() || !reply["devices"].isArray())
        return;
    for (const Json::Value& device : reply["devices"]) {
        if (!device.isObject())
            continue;
        if (auto id =
                BluetoothHidInstanceId(device["hid_id"].asString(), device["uniq"].asString()))
            ids.push_back(*id);
    }
}

bool SimDeviceMonitor::Start(ChangeHandler handler) {
    return m_watch.Start("watch", [handler](SimClient&, const Json::Value& message) {
        const std::string change = message.get("change", "").asString();
        if (change != "arrival" && change != "removal")
            return;
        DeviceChange event;
        event.action =
            change == "arrival" ? DeviceChange::Action::Arrival : DeviceChange::Action::Removal;
        event.interfaceName = message.get("name", "").asString();
        handler(event);
    });
}

void SimDeviceMonitor::Stop() {
    m_watch.Stop();
}

} // namespace platform::sim
