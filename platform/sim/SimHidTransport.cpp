#include "platform/sim/SimHidTransport.h"

#include "platform/sim/SimClient.h"
#include "platform/sim/SimHex.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>

namespace platform::sim {

namespace {

constexpr int kReplyTimeoutMs = 2000;

class SimHidDevice : public IHidDevice {
public:
    explicit SimHidDevice(std::unique_ptr<SimClient> connection)
        : m_connection(std::move(connection)) {}

    int Read(uint8_t* data, size_t length, int timeoutMs) override {
        if (m_pending.empty() && !AwaitReport(timeoutMs))
            return m_connection->PeerClosed() ? -1 : 0;
        std::vector<uint8_t> report = std::move(m_pending.front());
        m_pending.pop_front();
        size_t n = std::min(length, report.size());
        std::memcpy(data, report.data(), n);
        return static_cast<int>(n);
    }

    int SendOutputReport(const uint8_t* data, size_t length) override {
        Json::Value request;
        request["op"] = "hid_output";
        request["bytes"] = ToHex(data, length);
        if (!m_connection->Send(request))
            return -1;
        Json::Value message;
        while (m_connection->ReadMessage(message, kReplyTimeoutMs)) {
            if (message.isMember("report")) {
                Keep(message);
                continue;
            }
            return message.get("ok", false).asBool() ? static_cast<int>(length) : -1;
        }
        return -1;
    }

private:
    bool AwaitReport(int timeoutMs) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        Json::Value message;
        while (m_pending.empty()) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            int wait = timeoutMs < 0 ? -1 : static_cast<int>(std::max<int64_t>(left.count(), 0));
            if (!m_connection->ReadMessage(message, wait))
                return false;
            if (message.isMember("report"))
                Keep(message);
        }
        return true;
    }

    void Keep(const Json::Value& message) {
        auto bytes = FromHex(message["report"].asString());
        if (bytes)
            m_pending.push_back(std::move(*bytes));
    }

    std::unique_ptr<SimClient> m_connection;
    std::deque<std::vector<uint8_t>> m_pending;
};

int IntField(const Json::Value& item, const char* name, int fallback) {
    const Json::Value& v = item[name];
    return v.isInt() ? v.asInt() : fallback;
}

} // namespace

std::vector<HidDeviceInfo> SimHidTransport::Enumerate(int vendorId, int productId) {
    Json::Value request;
    request["op"] = "hid_enumerate";
    request["vid"] = vendorId;
    request["pid"] = productId;
    Json::Value reply = SimClient::Control().Request(request, kReplyTimeoutMs);
    std::vector<HidDeviceInfo> found;
    if (!reply.get("ok", false).asBool() || !reply["devices"].isArray())
        return found;
    for (const Json::Value& item : reply["devices"]) {
        HidDeviceInfo info;
        info.path = item["path"].asString();
        info.vendorId = IntField(item, "vid", 0);
        info.productId = IntField(item, "pid", 0);
        info.releaseNumber = IntField(item, "release", 0);
        info.interfaceNumber = IntField(item, "interface", -1);
        info.usagePage = IntField(item, "usage_page", 0);
        info.usage = IntField(item, "usage", 0);
        info.serial = item["serial"].asString();
        found.push_back(std::move(info));
    }
    return found;
}

std::unique_ptr<IHidDevice> SimHidTransport::OpenPath(const std::string& path,
                                                      HidOpenError& error) {
    auto connection = std::make_unique<SimClient>();
    error = HidOpenError::Other;
    if (!connection->Connect(SimClient::SocketFromEnvironment()))
        return nullptr;
    Json::Value request;
    request["op"] = "hid_open";
    request["path"] = path;
    Json::Value reply = connection->Request(request, kReplyTimeoutMs);
    if (!reply.get("ok", false).asBool()) {
        error = reply.get("error", "").asString() == "permission denied"
                    ? HidOpenError::PermissionDenied
                    : HidOpenError::NotFound;
        return nullptr;
    }
    error = HidOpenError::None;
    return std::make_unique<SimHidDevice>(std::move(connection));
}

} // namespace platform::sim
