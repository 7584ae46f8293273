#include "ui/framework/UiThreadPost.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace ui {

void PostToUiThread(QWidget* owner, std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !work)
        return;
    // QPointer is only safe to make on the owner's thread; from elsewhere the caller vouches
    // that the owner lives until the post, as with any pointer handed across threads.
    const bool hasOwner = owner != nullptr;
    QPointer<QWidget> guard(owner);
    QMetaObject::invokeMethod(
        app,
        [hasOwner, guard, work = std::move(work)] {
            if (!hasOwner || guard)
                work();
        },
        Qt::QueuedConnection);
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
