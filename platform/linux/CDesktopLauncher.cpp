#include "platform/linux/CDesktopLauncher.h"

#include "platform/DebugChannel.h"
#include "platform/linux/UiThreadCall.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>

namespace platform {

namespace {
// Handing an address over starts the desktop's opener and returns; a UI thread that does not
// get to it within this time is stuck, and the caller goes on without it.
constexpr std::chrono::seconds kUiThreadLimit{5};
} // namespace

bool CDesktopLauncher::OpenUrl(const QUrl& url, const QString& via) {
    // The desktop services need the GUI application object; a console run has none.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    const bool opened =
        RunOnUiThread([url]() { return QDesktopServices::openUrl(url); }, kUiThreadLimit);
    OutputDebug(QStringLiteral("Open (%1) %2: %3")
                    .arg(via, url.toString(QUrl::FullyEncoded), opened ? "ok" : "failed"));
    return opened;
}

bool CDesktopLauncher::Run(const QStringList& argv, const QString& entry, const QString& via) {
    if (argv.isEmpty())
        return false;
    const bool started = QProcess::startDetached(argv.first(), argv.mid(1), QDir::homePath());
    OutputDebug(
        QStringLiteral("Run (%1) %2: %3").arg(via, argv.join(' '), started ? "started" : "failed"));
    return started;
}

} // namespace platform
