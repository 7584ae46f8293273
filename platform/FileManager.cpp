#include "platform/FileManager.h"

#include "platform/OpenTarget.h"
#include "platform/SimEvents.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace platform {

namespace {
constexpr int kShowItemsTimeoutMs = 3000;

// dbus-send splits array values at commas: a comma in the folder's name stays escaped.
QString ItemUrl(const QString& folder) {
    return QString::fromUtf8(QUrl::fromLocalFile(folder).toEncoded())
        .replace(QLatin1Char(','), QLatin1String("%2C"));
}
} // namespace

void ShowFolderInFileManager(const QString& folder, const QString& via) {
    const QString dbusSend = QStandardPaths::findExecutable(QStringLiteral("dbus-send"));
    // Under the simulator nothing reaches the desktop: OpenTarget only reports the open.
    if (SimulatorActive() || dbusSend.isEmpty() ||
        qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        OpenTarget(folder, via);
        return;
    }
    auto* call = new QProcess;
    call->setProgram(dbusSend);
    call->setArguments({QStringLiteral("--session"), QStringLiteral("--print-reply"),
                        QStringLiteral("--reply-timeout=%1").arg(kShowItemsTimeoutMs),
                        QStringLiteral("--dest=org.freedesktop.FileManager1"),
                        QStringLiteral("/org/freedesktop/FileManager1"),
                        QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                        QStringLiteral("array:string:") + ItemUrl(folder),
                        QStringLiteral("string:")});
    call->setStandardOutputFile(QProcess::nullDevice());
    call->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(call, &QProcess::finished, call,
                     [call, folder, via](int code, QProcess::ExitStatus status) {
                         // No file manager on the bus: the desktop opens the folder itself.
                         if (status != QProcess::NormalExit || code != 0)
                             OpenTarget(folder, via);
                         call->deleteLater();
                     });
    QObject::connect(call, &QProcess::errorOccurred, call,
                     [call, folder, via](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             OpenTarget(folder, via);
                             call->deleteLater();
                         }
                     });
    call->start();
}

} // namespace platform
