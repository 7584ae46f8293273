#include "platform/AutoStart.h"

#include "platform/ProgramHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform {

namespace {
// Desktop entry Exec values quote arguments with double quotes and escape \ " ` $ inside.
QString QuoteExecArgument(const QString& arg) {
    QString quoted;
    for (QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\') || c == QLatin1Char('`') ||
            c == QLatin1Char('$'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Channel names come from a settings file: keep file names to a safe character set.
QString SafeFileName(const QString& channelName) {
    QString name;
    for (QChar c : channelName)
        name += (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
                    ? c
                    : QLatin1Char('_');
    return name.isEmpty() ? QStringLiteral("velmora") : name;
}
} // namespace

AutoStart::AutoStart(const QString& channelName) : m_channelName(channelName) {}

QString AutoStart::EntryPath() const {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QStringLiteral("/autostart/") + SafeFileName(m_channelName) +
           QStringLiteral(".desktop");
}

QString AutoStart::EntryText(const QString& executablePath) const {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Exec=%2\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(m_channelName, QuoteExecArgument(executablePath));
}

bool AutoStart::Enable() const {
    const QString path = EntryPath();
    const QByteArray wanted = EntryText(ExecutablePath()).toUtf8();
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == wanted)
        return true;
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(wanted);
    return file.commit();
}

AutoStart::EntryState AutoStart::State() const {
    const QString path = EntryPath();
    if (!QFileInfo::exists(path))
        return EntryState::Missing;
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) &&
        existing.readAll() == EntryText(ExecutablePath()).toUtf8())
        return EntryState::Current;
    return EntryState::Different;
}

bool AutoStart::Disable() const {
    QFile file(EntryPath());
    return !file.exists() || file.remove();
}

} // namespace platform
