#pragma once

#include <functional>
#include <memory>
#include <string>

// One streaming path's WebSocket client: at most one connection at a time, run by a detached
// connect thread that owns the client's event loop. Every handler runs on that thread.
// Nothing here writes the address to a log: signed addresses carry credentials.
class CWebSocketPath {
public:
    enum class Transport { Plain, Tls };

    struct Handlers {
        std::function<void()> onOpen;                      // after the connected flag is set
        std::function<void(const std::string&)> onMessage; // payload of every text message
        std::function<void()> onClose;                     // after the connected flag is cleared
        // The attempt ended without opening: httpStatus is the server's reply to the upgrade
        // request (401 for refused credentials...), 0 when no reply came (no address, no
        // connection, an untrusted certificate). Runs before onEnded.
        std::function<void(int httpStatus)> onFailed;
        std::function<void()> onEnded; // the connect thread is done (closed, failed or refused)
    };

    // Tls verifies the peer's certificate and host name against the system's trusted CAs and,
    // when caFile names a readable bundle, the CAs in it.
    static std::shared_ptr<CWebSocketPath> Create(Transport transport, std::string caFile,
                                                  Handlers handlers);
    virtual ~CWebSocketPath() = default;

    // Starts a connect thread unless a connection is open or being opened; true when started.
    virtual bool Connect(const std::string& address) = 0;
    virtual bool IsConnected() const = 0;
    // True while any connect thread exists (one may still be tearing down a closed connection).
    virtual bool IsBusy() const = 0;
    // One text frame; false when there is no open connection or the send failed.
    virtual bool Send(const std::string& text) = 0;
    // Normal close (1000, empty reason); false when there is no open connection.
    virtual bool Close() = 0;
};
