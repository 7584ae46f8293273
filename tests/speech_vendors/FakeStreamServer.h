#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A vendor's streaming server on 127.0.0.1, plain WebSocket or TLS with a given certificate.
// It records the resource of each upgrade request and every text frame, answers frames
// through a script run on its event-loop thread, and can refuse upgrades with an HTTP status.
class FakeStreamServer {
public:
    using Script = std::function<void(FakeStreamServer& server, const std::string& frame)>;
    struct Options {
        std::string certFile; // TLS when set
        std::string keyFile;
        int refuseStatus = 0; // refuse every upgrade with this HTTP status
        Script script;
        // Runs on the event-loop thread when a connection opened.
        std::function<void(FakeStreamServer& server)> onOpen;
    };

    explicit FakeStreamServer(Options options);
    ~FakeStreamServer();
    FakeStreamServer(const FakeStreamServer&) = delete;
    FakeStreamServer& operator=(const FakeStreamServer&) = delete;

    bool Listening() const;
    std::uint16_t Port() const;
    // ws://127.0.0.1:PORT + path, or wss://localhost:PORT + path (the test certificates name
    // localhost).
    std::string Address(const std::string& path = std::string()) const;
    // host:port as a discovery list names the server.
    std::string HostPort() const;

    // For scripts: answer on / close the current connection.
    void Reply(const std::string& text);
    void ReplyBinary(const std::string& bytes);
    void CloseConnection(std::uint16_t code);

    std::vector<std::string> Resources() const; // one per upgrade request
    std::vector<std::string> Frames() const;
    void ClearFrames();
    int Opens() const;
    int Closes() const;
    int CloseCodeFromClient() const; // -1 until a connection has closed

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Polls condition every few milliseconds until it holds or the hang guard is up.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds limit = std::chrono::milliseconds(20000));
