#include "platform/sim/SimSubscription.h"

#include "platform/sim/SimClient.h"

#include <memory>

namespace platform::sim {

namespace {
constexpr int kReplyTimeoutMs = 2000;
// How often the reading thread looks at its stop flag while the world is quiet.
constexpr int kStopCheckMs = 100;
} // namespace

SimSubscription::~SimSubscription() {
    Stop();
}

bool SimSubscription::Start(const std::string& op, MessageHandler handler) {
    if (m_thread.joinable())
        return false;
    auto connection = std::make_shared<SimClient>();
    if (!connection->Connect(SimClient::SocketFromEnvironment()))
        return false;
    Json::Value request;
    request["op"] = op;
    if (!connection->Request(request, kReplyTimeoutMs).get("ok", false).asBool())
        return false;
    m_stop = false;
    m_thread = std::thread([this, connection, handler = std::move(handler)] {
        Json::Value message;
        while (!m_stop) {
            if (!connection->ReadMessage(message, kStopCheckMs)) {
                if (connection->PeerClosed())
                    return;
                continue;
            }
            handler(*connection, message);
        }
    });
    return true;
}

void SimSubscription::Stop() {
    if (!m_thread.joinable())
        return;
    m_stop = true;
    m_thread.join();
}

} // namespace platform::sim
