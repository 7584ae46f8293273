#include "platform/linux/UiThreadCall.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <future>
#include <memory>

namespace platform {

bool RunOnUiThread(std::function<bool()> work, std::chrono::milliseconds timeout) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    if (QThread::currentThread() == app->thread())
        return work();

    // A bounded wait instead of a blocking queued call: a UI thread that is itself waiting for
    // the caller (shutdown joining an engine thread) must not hang both for ever.
    auto outcome = std::make_shared<std::promise<bool>>();
    std::future<bool> result = outcome->get_future();
    const bool queued = QMetaObject::invokeMethod(
        app, [work = std::move(work), outcome]() { outcome->set_value(work()); },
        Qt::QueuedConnection);
    if (!queued)
        return false;
    if (result.wait_for(timeout) != std::future_status::ready)
        return false;
    try {
        return result.get();
    } catch (const std::future_error&) {
        // The application went away with the work still queued.
        return false;
    }
}

} // namespace platform
