#pragma once

#include <json/value.h>

#include <cstdint>
#include <string>
#include <vector>

// One client of the world: a non-blocking socket with line framing both ways. What the
// connection is for is decided by its first request (a control line, an opened HID handle,
// a hot-plug watch, an event subscription, a microphone capture, the program's window driver).
class SimConnection {
public:
    enum class Role { Control, HidHandle, Watcher, Subscriber, Capture, Ui, HighlightWatcher };

    // What a capture connection asked for and has received.
    struct CaptureState {
        std::string source; // description of the source it records
        int64_t blockBytes = 0;
        bool running = false;
        int64_t bytesSent = 0;
    };

    explicit SimConnection(int fd) : m_fd(fd) {}
    ~SimConnection();
    SimConnection(const SimConnection&) = delete;
    SimConnection& operator=(const SimConnection&) = delete;

    int Fd() const { return m_fd; }
    Role GetRole() const { return m_role; }
    void SetRole(Role role) { m_role = role; }
    int DeviceId() const { return m_deviceId; }
    void SetDeviceId(int id) { m_deviceId = id; }
    CaptureState& Capture() { return m_capture; }

    // Reads what is available; false when the peer closed or failed.
    bool ReceiveAvailable();
    // The next complete line, if one was received.
    bool NextLine(std::string& line);

    void SendJson(const Json::Value& value);
    // Writes as much of the outbox as the socket takes; false on a write error.
    bool Flush();
    bool HasPendingOutput() const { return !m_outbox.empty(); }
    // Closes once the outbox is written (used after replying to "stop").
    void CloseAfterFlush() { m_closeAfterFlush = true; }
    bool WantsClose() const { return m_closeAfterFlush && m_outbox.empty(); }

private:
    int m_fd;
    Role m_role = Role::Control;
    int m_deviceId = -1;
    CaptureState m_capture;
    std::string m_inbox;
    std::string m_outbox;
    bool m_closeAfterFlush = false;
};

// One JSON value as a single line.
std::string JsonLine(const Json::Value& value);
