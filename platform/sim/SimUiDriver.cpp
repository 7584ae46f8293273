#include "platform/sim/SimUiDriver.h"

#include "platform/SimEvents.h"
#include "platform/sim/SimClient.h"

#include <memory>
#include <mutex>

namespace platform::sim {

namespace {
SimUiRequest RequestFrom(const Json::Value& ui) {
    SimUiRequest request;
    request.action = ui.get("action", "").asString();
    request.window = ui.get("window", "").asString();
    request.control = ui.get("control", "").asString();
    request.file = ui.get("file", "").asString();
    request.text = ui.get("text", "").asString();
    if (ui["tag"].isInt64())
        request.tag = ui["tag"].asInt64();
    if (ui["index"].isInt())
        request.index = ui["index"].asInt();
    if (ui["value"].isInt())
        request.value = ui["value"].asInt();
    return request;
}
} // namespace

bool SimUiDriver::Start(SimUiRequestHandler handler) {
    return m_subscription.Start("ui", [handler](SimClient& connection, const Json::Value& message) {
        if (!message["ui"].isObject())
            return;
        const SimUiReply answer = handler(RequestFrom(message["ui"]));
        Json::Value reply;
        reply["op"] = "ui_reply";
        reply["id"] = message.get("id", 0);
        reply["ok"] = answer.error.empty();
        if (!answer.error.empty())
            reply["error"] = answer.error;
        if (!answer.result.isNull())
            reply["result"] = answer.result;
        connection.Send(reply);
    });
}

void SimUiDriver::Stop() {
    m_subscription.Stop();
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
