#pragma once

#include <QObject>

#include <functional>

namespace platform {

// A QObject whose thread runs the tasks posted to it, one per turn of that thread's event
// loop, in the order they were posted. A task still queued when the receiver goes away is
// dropped unrun. Unlike a queued functor call, the task is complete before Qt queues it and is
// marked for the thread sanitizer, so a task handed across threads is not mistaken for a race.
class CTaskReceiver : public QObject {
public:
    using QObject::QObject;

    // Callable from any thread; false (work dropped) without a receiver or a work.
    static bool Post(CTaskReceiver* receiver, std::function<void()> work);

protected:
    bool event(QEvent* event) override;
};

// The receiver that lives on the application object's thread, made on first use from any
// thread; nullptr without an application object. It goes away with the application object.
CTaskReceiver* UiThreadReceiver();

} // namespace platform
