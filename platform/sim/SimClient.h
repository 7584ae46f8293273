#pragma once

#include <json/value.h>

#include <mutex>
#include <string>

namespace platform::sim {

// One connection to the simulator world (velmora-sim serve) over its Unix socket. The protocol
// is one JSON object per line in both directions: a request carries "op"; a reply to a request
// that expects one carries "ok" (and "error" when ok is false).
class SimClient {
public:
    SimClient() = default;
    ~SimClient();
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    // Connects to the socket; false (and no connection) when nothing listens there.
    bool Connect(const std::string& socketPath);
    bool IsConnected() const { return m_fd >= 0; }
    void Close();

    // Sends one request without waiting for a reply.
    bool Send(const Json::Value& request);
    // Sends one request and waits up to timeoutMs for its reply line; a null value on failure.
    Json::Value Request(const Json::Value& request, int timeoutMs = 2000);
    // Reads the next line pushed by the simulator; false on time-out, close or error.
    // timeoutMs < 0 waits for ever.
    bool ReadMessage(Json::Value& message, int timeoutMs);

    int Fd() const { return m_fd; }
    // True once a read found the connection closed by the simulator (as opposed to a time-out).
    bool PeerClosed() const { return m_peerClosed || m_fd < 0; }

    // The socket named by VELMORA_SIMULATOR, empty when unset.
    static std::string SocketFromEnvironment();
    // The process-wide control connection used for events and queries, connected on first use.
    static SimClient& Control();

private:
    bool WriteLine(const std::string& line);
    bool ReadLine(std::string& line, int timeoutMs);

    int m_fd = -1;
    std::string m_buffer;
    bool m_peerClosed = false;
    std::mutex m_writeLock;
    std::mutex m_requestLock;
};

} // namespace platform::sim
