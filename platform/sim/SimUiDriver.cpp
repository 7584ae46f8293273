#include "platform/sim/SimUiDriver.h"

#include "platform/SimEvents.h"
#include "platform/sim/SimClient.h"

#include <memory>
#include <mutex>

namespace platform::sim {

namespace {
constexpr int kReplyTimeoutMs = 2000;
// How often the request thread looks at its stop flag while the world is quiet.
constexpr int kStopCheckMs = 100;

SimUiRequest RequestFrom(const Json::Value& ui) {
    SimUiRequest request;
    request.action = ui.get("action", "").asString();
    request.window = ui.get("window", "").asString();
    request.file = ui.get("file", "").asString();
    return request;
}
} // namespace

SimUiDriver::~SimUiDriver() {
    Stop();
}

bool SimUiDriver::Start(SimUiRequestHandler handler) {
    if (m_thread.joinable())
        return false;
    auto connection = std::make_shared<SimClient>();
    if (!connection->Connect(SimClient::SocketFromEnvironment()))
        return false;
    Json::Value request;
    request["op"] = "ui";
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
            if (!message["ui"].isObject())
                continue;
            const std::string error = handler(RequestFrom(message["ui"]));
            Json::Value reply;
            reply["op"] = "ui_reply";
            reply["id"] = message.get("id", 0);
            reply["ok"] = error.empty();
            if (!error.empty())
                reply["error"] = error;
            connection->Send(reply);
        }
    });
    return true;
}

void SimUiDriver::Stop() {
    if (!m_thread.joinable())
        return;
    m_stop = true;
    m_thread.join();
}

} // namespace platform::sim

namespace platform {

namespace {
std::mutex g_driverLock;
std::unique_ptr<sim::SimUiDriver> g_driver;
} // namespace

bool ServeSimUiRequests(SimUiRequestHandler handler) {
    if (!SimulatorActive())
        return false;
    std::lock_guard<std::mutex> guard(g_driverLock);
    if (g_driver)
        return false;
    auto driver = std::make_unique<sim::SimUiDriver>();
    if (!driver->Start(std::move(handler)))
        return false;
    g_driver = std::move(driver);
    return true;
}

void StopServingSimUiRequests() {
    std::unique_ptr<sim::SimUiDriver> driver;
    {
        std::lock_guard<std::mutex> guard(g_driverLock);
        driver = std::move(g_driver);
    }
    driver.reset();
}

} // namespace platform
