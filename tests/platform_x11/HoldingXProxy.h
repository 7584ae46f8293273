#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// Stands between one X client and the test X server, as a display of its own (":N", an
// abstract socket, N from 600 on). It forwards everything until the client sends its first
// extension request after its first CreateWindow (the selection watch: window, atoms, then the
// XFixes request); from there the client's requests are held back (replies and events still
// flow) until Release. So a test sees what a client does while the server has not yet
// received what it sent after its set-up round trips.
class HoldingXProxy {
public:
    // `serverDisplay` is the real display (":90"). Check Ready() before use.
    explicit HoldingXProxy(const std::string& serverDisplay);
    ~HoldingXProxy();
    HoldingXProxy(const HoldingXProxy&) = delete;
    HoldingXProxy& operator=(const HoldingXProxy&) = delete;

    bool Ready() const { return m_listen >= 0; }
    // The display name clients use to come through the proxy.
    std::string Display() const { return ":" + std::to_string(m_number); }

    // True once the client's requests are being held.
    bool WaitHolding(std::chrono::milliseconds limit);
    // Sends what was held and forwards freely from now on.
    void Release();

private:
    void Run();
    bool Serve(int client, int server);
    // Forwards the complete client messages of m_fromClient up to the hold point.
    bool ForwardClientBytes(int server);

    std::string m_serverPath;
    int m_number = 0;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::string m_fromClient; // received from the client, not yet forwarded
    bool m_setupSeen = false;
    bool m_bigEndian = false;
    bool m_windowCreated = false;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_holding = false;  // guarded by m_lock
    bool m_released = false; // guarded by m_lock
    bool m_stop = false;     // guarded by m_lock
    std::thread m_thread;
};
