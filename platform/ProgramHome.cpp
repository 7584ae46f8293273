#include "platform/ProgramHome.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace platform {

QString ExecutablePath() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ProgramHome() {
    QString home = qEnvironmentVariable("VELMORA_HOME");
    if (home.isEmpty())
        home = QFileInfo(ExecutablePath()).absolutePath();
    home = QDir::cleanPath(home);
    if (!home.endsWith(QLatin1Char('/')))
        home += QLatin1Char('/');
    return home;
}

} // namespace platform
