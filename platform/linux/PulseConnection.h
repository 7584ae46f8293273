#pragma once

#include <pulse/context.h>
#include <pulse/thread-mainloop.h>

#include <chrono>
#include <functional>
#include <string>

namespace platform::linux_audio {

// One client connection to the PulseAudio server, served by its own event thread. Everything
// that touches the context or its streams runs with the loop locked (Locker) or on that thread.
class PulseConnection {
public:
    // How long a connection or a request may take before it counts as failed: a server that
    // does not answer must not hang the program.
    static constexpr std::chrono::milliseconds kTimeout{2000};

    PulseConnection() = default;
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // 0 when connected; a negative PulseAudio error code otherwise. Never starts a server.
    int Connect(const char* clientName);
    void Disconnect();
    bool IsConnected() const;

    pa_threaded_mainloop* Loop() const { return m_loop; }
    pa_context* Context() const { return m_context; }

    // Waits with the loop locked until done() holds or kTimeout passes; false on time-out or
    // when the connection fails meanwhile. Callbacks that change what done() reads must call
    // Signal().
    bool WaitUntil(const std::function<bool()>& done);
    void Signal();
    // Waits for a request to finish; false on time-out or failure. Takes over op.
    bool WaitFor(pa_operation* op);
    // The last error of the context, negated.
    int LastError() const;

    static std::string ErrorText(int code);

    class Locker {
    public:
        explicit Locker(const PulseConnection& c) : m_loop(c.m_loop) {
            pa_threaded_mainloop_lock(m_loop);
        }
        ~Locker() { pa_threaded_mainloop_unlock(m_loop); }
        Locker(const Locker&) = delete;
        Locker& operator=(const Locker&) = delete;

    private:
        pa_threaded_mainloop* m_loop;
    };

private:
    static void OnContextState(pa_context* context, void* self);
    bool ContextUsable() const;

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
};

} // namespace platform::linux_audio
