#include "platform/linux/UiThreadCall.h"

#include "platform/linux/CTaskReceiver.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <future>
#include <memory>

namespace platform {

namespace {

// Who got to a queued call first: the UI thread starting it or the caller giving up on it.
enum class CallState { Queued, Started, Abandoned };

struct QueuedCall {
    std::function<bool()> work;
    std::atomic<CallState> state{CallState::Queued};
    std::promise<bool> outcome;
};

} // namespace

bool RunOnUiThread(std::function<bool()> work, std::chrono::milliseconds timeout) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    if (QThread::currentThread() == app->thread())
        return work();

    // A bounded wait instead of a blocking queued call: a UI thread that is itself waiting for
    // the caller (shutdown joining an engine thread) must not hang both for ever.
    auto call = std::make_shared<QueuedCall>();
    call->work = std::move(work);
    std::future<bool> result = call->outcome.get_future();
    const bool queued = CTaskReceiver::Post(UiThreadReceiver(), [call]() {
        CallState expected = CallState::Queued;
        if (!call->state.compare_exchange_strong(expected, CallState::Started))
            return; // the caller has reported failure; doing the work now would contradict it
        call->outcome.set_value(call->work());
    });
    if (!queued)
        return false;
    if (result.wait_for(timeout) != std::future_status::ready) {
        CallState expected = CallState::Queued;
        if (call->state.compare_exchange_strong(expected, CallState::Abandoned))
            return false;
        // The UI thread started the work just now; its outcome is the truth.
    }
    return result.get();
}

} // namespace platform
