#include "platform/linux/PulseConnection.h"

#include <pulse/error.h>
#include <pulse/mainloop-api.h>
#include <pulse/operation.h>
#include <pulse/timeval.h>

#include <sys/time.h>

namespace platform::linux_audio {

namespace {

struct Deadline {
    pa_threaded_mainloop* loop;
    bool passed = false;
};

void OnDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data) {
    auto* deadline = static_cast<Deadline*>(data);
    deadline->passed = true;
    pa_threaded_mainloop_signal(deadline->loop, 0);
}

} // namespace

PulseConnection::~PulseConnection() {
    Disconnect();
}

int PulseConnection::Connect(const char* clientName) {
    Disconnect();
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return -PA_ERR_INTERNAL;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), clientName);
    if (!m_context) {
        Disconnect();
        return -PA_ERR_INTERNAL;
    }
    pa_context_set_state_callback(m_context, &PulseConnection::OnContextState, this);
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        Disconnect();
        return -PA_ERR_INTERNAL;
    }
    int result = 0;
    {
        Locker lock(*this);
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            result = LastError();
        } else {
            const bool settled = WaitUntil([this] {
                const pa_context_state_t s = pa_context_get_state(m_context);
                return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
            });
            if (!settled && PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
                result = -PA_ERR_TIMEOUT;
            else if (pa_context_get_state(m_context) != PA_CONTEXT_READY)
                result = LastError();
        }
    }
    if (result != 0)
        Disconnect();
    return result;
}

void PulseConnection::Disconnect() {
    if (m_context) {
        {
            Locker lock(*this);
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
        }
    }
    if (m_loop)
        pa_threaded_mainloop_stop(m_loop);
    if (m_context) {
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

bool PulseConnection::IsConnected() const {
    if (!m_context)
        return false;
    Locker lock(*this);
    return pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool PulseConnection::ContextUsable() const {
    return PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context));
}

bool PulseConnection::WaitUntil(const std::function<bool()>& done) {
    Deadline deadline{m_loop};
    struct timeval when;
    pa_timeval_add(pa_gettimeofday(&when), std::chrono::microseconds(kTimeout).count());
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
    pa_time_event* timer = api->time_new(api, &when, &OnDeadline, &deadline);
    bool ok = true;
    while (!done()) {
        if (deadline.passed || !ContextUsable()) {
            ok = false;
            break;
        }
        pa_threaded_mainloop_wait(m_loop);
    }
    api->time_free(timer);
    return ok;
}

void PulseConnection::Signal() {
    pa_threaded_mainloop_signal(m_loop, 0);
}

bool PulseConnection::WaitFor(pa_operation* op) {
    if (!op)
        return false;
    pa_operation_set_state_callback(
        op,
        [](pa_operation*, void* loop) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
        },
        m_loop);
    const bool ok = WaitUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
    const bool completed = pa_operation_get_state(op) == PA_OPERATION_DONE;
    if (!completed)
        pa_operation_cancel(op);
    pa_operation_set_state_callback(op, nullptr, nullptr);
    pa_operation_unref(op);
    return ok && completed;
}

int PulseConnection::LastError() const {
    const int error = m_context ? pa_context_errno(m_context) : PA_ERR_INTERNAL;
    return error > 0 ? -error : -PA_ERR_UNKNOWN;
}

std::string PulseConnection::ErrorText(int code) {
    return pa_strerror(code < 0 ? -code : code);
}

void PulseConnection::OnContextState(pa_context*, void* self) {
    static_cast<PulseConnection*>(self)->Signal();
}

} // namespace platform::linux_audio
