#include "ui/framework/WindowMessage.h"

#include "platform/QueueHandOver.h"
#include "ui/framework/CWindowRegistry.h"
#include "ui/framework/WindowImplBase.h"

#include <QThread>

#include <future>
#include <memory>

CustomMessageEvent::CustomMessageEvent(unsigned msg_, uintptr_t wParam_, intptr_t lParam_)
    : QEvent(EventType()), msg(msg_), wParam(wParam_), lParam(lParam_) {}

// An event dropped with its window is destroyed by the thread that destroys the window.
CustomMessageEvent::~CustomMessageEvent() {
    platform::MarkTakenOver(static_cast<QEvent*>(this));
}

QEvent::Type CustomMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WindowTaskEvent::WindowTaskEvent(std::function<void()> task_)
    : QEvent(EventType()), task(std::move(task_)) {}

WindowTaskEvent::~WindowTaskEvent() {
    platform::MarkTakenOver(static_cast<QEvent*>(this));
}

QEvent::Type WindowTaskEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostMessage(WindowImplBase* target, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (target == nullptr)
        return false;
    return CWindowRegistry::Instance().PostIfAlive(target,
                                                   new CustomMessageEvent(msg, wParam, lParam));
}

bool PostTask(WindowImplBase* target, std::function<void()> task) {
    if (target == nullptr || !task)
        return false;
    return CWindowRegistry::Instance().PostIfAlive(target, new WindowTaskEvent(std::move(task)));
}

intptr_t SendMessage(WindowImplBase* target, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (target == nullptr)
        return 0;
    QThread* home = CWindowRegistry::Instance().ThreadOf(target);
    if (home == nullptr)
        return 0;
    if (home == QThread::currentThread())
        return target->DeliverCustomMessage(msg, wParam, lParam);

    // The promise lives in the task: if the window goes away first, Qt discards the task and
    // the broken promise releases the waiting thread.
    auto promise = std::make_shared<std::promise<intptr_t>>();
    std::future<intptr_t> result = promise->get_future();
    const bool queued = PostTask(target, [target, promise, msg, wParam, lParam] {
        promise->set_value(target->DeliverCustomMessage(msg, wParam, lParam));
    });
    promise.reset();
    if (!queued)
        return 0;
    try {
        return result.get();
    } catch (const std::future_error&) {
        return 0;
    }
}
