#include "ui/framework/UiThreadPost.h"

#include "platform/linux/CTaskReceiver.h"

#include <QCoreApplication>
#include <QThread>

namespace ui {

void PostToUiThread(QWidget* owner, std::function<void()> work) {
    if (!work)
        return;
    // QPointer is only safe to make on the owner's thread; from elsewhere the caller vouches
    // that the owner lives until the post, as with any pointer handed across threads.
    const bool hasOwner = owner != nullptr;
    QPointer<QWidget> guard(owner);
    platform::CTaskReceiver::Post(platform::UiThreadReceiver(),
                                  [hasOwner, guard, work = std::move(work)] {
                                      if (!hasOwner || guard)
                                          work();
                                  });
}

void RunOnUiThreadSoon(QWidget* owner, std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && QThread::currentThread() == app->thread()) {
        if (work)
            work();
        return;
    }
    PostToUiThread(owner, std::move(work));
}

} // namespace ui
