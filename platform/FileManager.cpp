#include "platform/FileManager.h"

#include "platform/OpenTarget.h"
#include "platform/SimEvents.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QUrl>

namespace platform {

namespace {
constexpr int kShowItemsTimeoutMs = 3000;
} // namespace

void ShowFolderInFileManager(const QString& folder, const QString& via) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Under the simulator nothing reaches the desktop: OpenTarget only reports the open.
    if (SimulatorActive() || !bus.isConnected()) {
        OpenTarget(folder, via);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(folder).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kShowItemsTimeoutMs), nullptr);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder, via](QDBusPendingCallWatcher* done) {
                         // No file manager on the bus: the desktop opens the folder itself.
                         if (done->isError())
                             OpenTarget(folder, via);
                         done->deleteLater();
                     });
}

} // namespace platform
