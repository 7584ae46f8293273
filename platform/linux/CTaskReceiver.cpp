#include "platform/linux/CTaskReceiver.h"

#include "platform/QueueHandOver.h"

#include <QCoreApplication>
#include <QEvent>

#include <mutex>

namespace platform {

namespace {

class TaskEvent : public QEvent {
public:
    explicit TaskEvent(std::function<void()> work) : QEvent(Type()), m_work(std::move(work)) {}
    // A task dropped with its receiver is destroyed by whichever thread destroys the receiver.
    ~TaskEvent() override { MarkTakenOver(static_cast<QEvent*>(this)); }

    static QEvent::Type Type() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    void Run() {
        if (m_work)
            m_work();
    }

private:
    std::function<void()> m_work;
};

// The application object a receiver was made for, so that a later application object (tests
// make one after another) gets its own.
struct UiReceiverSlot {
    std::mutex lock;
    QCoreApplication* app = nullptr;
    CTaskReceiver* receiver = nullptr;
};

UiReceiverSlot& UiSlot() {
    // Never destroyed: worker threads may still post while static destructors run.
    static auto* const slot = new UiReceiverSlot;
    return *slot;
}

} // namespace

bool CTaskReceiver::Post(CTaskReceiver* receiver, std::function<void()> work) {
    if (receiver == nullptr || !work)
        return false;
    auto* event = new TaskEvent(std::move(work));
    MarkHandedOver(static_cast<QEvent*>(event));
    QCoreApplication::postEvent(receiver, event);
    return true;
}

bool CTaskReceiver::event(QEvent* event) {
    MarkTakenOver(event);
    if (event->type() == TaskEvent::Type()) {
        static_cast<TaskEvent*>(event)->Run();
        return true;
    }
    return QObject::event(event);
}

CTaskReceiver* UiThreadReceiver() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return nullptr;
    UiReceiverSlot& slot = UiSlot();
    std::lock_guard<std::mutex> guard(slot.lock);
    if (slot.app == app && slot.receiver != nullptr)
        return slot.receiver;
    auto* receiver = new CTaskReceiver;
    receiver->moveToThread(app->thread());
    slot.app = app;
    slot.receiver = receiver;
    // Runs on the application's thread as it goes away, where the receiver lives.
    QObject::connect(app, &QObject::destroyed, [receiver] {
        UiReceiverSlot& current = UiSlot();
        {
            std::lock_guard<std::mutex> guard(current.lock);
            if (current.receiver == receiver) {
                current.receiver = nullptr;
                current.app = nullptr;
            }
        }
        delete receiver;
    });
    return receiver;
}

} // namespace platform
