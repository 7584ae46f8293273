#include "platform/sim/SimDeviceMonitor.h"

#include "platform/UsbNames.h"
#include "platform/sim/SimClient.h"

#include <memory>

namespace platform::sim {

namespace {
constexpr int kReplyTimeoutMs = 2000;
// How often the watch thread looks at its stop flag while the world is quiet.
constexpr int kStopCheckMs = 100;
} // namespace

SimDeviceMonitor::~SimDeviceMonitor() {
    Stop();
}

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
    if (m_thread.joinable())
        return false;
    auto connection = std::make_shared<SimClient>();
    if (!connection->Connect(SimClient::SocketFromEnvironment()))
        return false;
    Json::Value request;
    request["op"] = "watch";
    if (!connection->Request(request, kReplyTimeoutMs).get("ok", false).asBool())
        return false;
    m_stop = false;
    m_thread = std::thread([this, connection, handler] {
        Json::Value message;
        while (!m_stop) {
            if (!connection->ReadMessage(message, kStopCheckMs)) {
                if (connection->PeerClosed())
                    return;
                continue;
            }
            const std::string change = message.get("change", "").asString();
            if (change != "arrival" && change != "removal")
                continue;
            DeviceChange event;
            event.action =
                change == "arrival" ? DeviceChange::Action::Arrival : DeviceChange::Action::Removal;
            event.interfaceName = message.get("name", "").asString();
            handler(event);
        }
    });
    return true;
}

void SimDeviceMonitor::Stop() {
    if (!m_thread.joinable())
        return;
    m_stop = true;
    m_thread.join();
}

} // namespace platform::sim
