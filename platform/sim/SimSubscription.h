#pragma once

#include <json/value.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace platform::sim {

class SimClient;

// A connection of its own on which the simulator world pushes messages after one subscribing
// request ({"op": OP}). A thread reads the pushes and hands each to the handler, together with
// the connection for an answer; it ends on Stop() or when the world goes away.
class SimSubscription {
public:
    using MessageHandler = std::function<void(SimClient& connection, const Json::Value& message)>;

    SimSubscription() = default;
    ~SimSubscription();
    SimSubscription(const SimSubscription&) = delete;
    SimSubscription& operator=(const SimSubscription&) = delete;

    // False when already running, when the world cannot be reached or refuses the request.
    bool Start(const std::string& op, MessageHandler handler);
    void Stop();

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

} // namespace platform::sim
