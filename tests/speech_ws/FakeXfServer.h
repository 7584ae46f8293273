#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A dictation server on 127.0.0.1 speaking WebSocket over TLS with a given certificate. It
// records the request line's resource and every text frame it receives, and answers each
// frame through a script run on its event-loop thread.
class FakeXfServer {
public:
    using Script = std::function<void(FakeXfServer& server, const std::string& frame)>;

    FakeXfServer(const std::string& certFile, const std::string& keyFile, Script script);
    ~FakeXfServer();
    FakeXfServer(const FakeXfServer&) = delete;
    FakeXfServer& operator=(const FakeXfServer&) = delete;

    bool Listening() const;
    std::string Address() const; // wss://127.0.0.1:<port>/v2/iat

    // For scripts: answer on / close the current connection.
    void Reply(const std::string& text);
    void CloseConnection(std::uint16_t code);
    // Runs work on the server's event-loop thread (where scripts run), from any thread.
    void RunOnLoop(std::function<void()> work);

    std::string Resource() const;
    std::vector<std::string> Frames() const;
    int Opens() const;
    int Failures() const;            // TLS or handshake failures
    int CloseCodeFromClient() const; // -1 until a connection has closed

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Polls condition every few milliseconds until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::milliseconds(10000));
