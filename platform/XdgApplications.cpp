#include "platform/XdgApplications.h"

#include "platform/DesktopEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

namespace platform {

namespace {

// An XDG base-directory variable's absolute entries, or the fallback when none is usable.
QStringList BaseDirs(const char* variable, const QStringList& fallback) {
    QStringList dirs;
    for (const QString& dir : qEnvironmentVariable(variable).split(':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs << QDir::cleanPath(dir);
    }
    return dirs.isEmpty() ? fallback : dirs;
}

QString DataHome() {
    const QString set = qEnvironmentVariable("XDG_DATA_HOME");
    return QDir::isAbsolutePath(set) ? QDir::cleanPath(set)
                                     : QDir::homePath() + QStringLiteral("/.local/share");
}

QString ConfigHome() {
    const QString set = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(set) ? QDir::cleanPath(set)
                                     : QDir::homePath() + QStringLiteral("/.config");
}

QStringList DataDirs() {
    return BaseDirs("XDG_DATA_DIRS",
                    {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
}

// The ids listed for a MIME type in the [Default Applications] group of one mimeapps.list.
QStringList DefaultsIn(const QString& listPath, const QString& mimeType) {
    QFile file(listPath);
    if (file.size() > (1 << 20) || !file.open(QIODevice::ReadOnly))
        return {};
    bool inGroup = false;
    for (QString line : QString::fromUtf8(file.readAll()).split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inGroup = line == QLatin1String("[Default Applications]");
            continue;
        }
        const int eq = line.indexOf('=');
        if (inGroup && eq > 0 && line.left(eq).trimmed() == mimeType)
            return line.mid(eq + 1).split(';', Qt::SkipEmptyParts);
    }
    return {};
}

// Every installed desktop file by id; an id in an earlier directory hides later ones.
QMap<QString, QString> InstalledEntries() {
    QMap<QString, QString> byId;
    for (const QString& dir : ApplicationDirs()) {
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = path.mid(dir.size() + 1);
            id.replace('/', '-');
            if (!byId.contains(id))
                byId.insert(id, path);
        }
    }
    return byId;
}

} // namespace

QStringList ApplicationDirs() {
    QStringList dirs{DataHome() + QStringLiteral("/applications")};
    for (const QString& dir : DataDirs())
        dirs << dir + QStringLiteral("/applications");
    dirs.removeDuplicates();
    return dirs;
}

QString FindDesktopFile(const QString& id) {
    if (id.isEmpty() || id.contains('/') || !id.endsWith(QLatin1String(".desktop")))
        return QString();
    for (const QString& dir : ApplicationDirs()) {
        // "a-b-c.desktop" may be a.desktop's sibling b-c.desktop in sub-folder a, and so on.
        QString relative = id;
        for (int dash = -1;;) {
            const QString path = dir + '/' + relative;
            if (QFileInfo(path).isFile())
                return path;
            dash = id.indexOf('-', dash + 1);
            if (dash < 0)
                break;
            relative[dash] = '/';
        }
    }
    return QString();
}

bool IsInApplicationDir(const QString& path, bool directly) {
    const QFileInfo file(path);
    const QString real = file.canonicalFilePath();
    if (real.isEmpty())
        return false;
    for (const QString& dir : ApplicationDirs()) {
        const QString realDir = QFileInfo(dir).canonicalFilePath();
        if (realDir.isEmpty())
            continue;
        if (directly ? QFileInfo(real).absolutePath() == realDir : real.startsWith(realDir + '/'))
            return true;
    }
    return false;
}

QString DefaultApplicationFor(const QString& mimeType) {
    QStringList lists{ConfigHome() + QStringLiteral("/mimeapps.list")};
    for (const QString& dir : BaseDirs("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")}))
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString& dir : ApplicationDirs())
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString& list : lists) {
        for (const QString& id : DefaultsIn(list, mimeType)) {
            const QString trimmed = id.trimmed();
            if (!FindDesktopFile(trimmed).isEmpty())
                return trimmed;
        }
    }
    return QString();
}

QString FirstApplicationWithCategories(const QStringList& categories) {
    const QMap<QString, QString> installed = InstalledEntries();
    for (auto it = installed.cbegin(); it != installed.cend(); ++it) {
        const std::optional<DesktopEntry> entry = ReadDesktopEntry(it.value());
        if (!entry || !LaunchArguments(*entry))
            continue;
        bool all = true;
        for (const QString& category : categories)
            all = all && entry->categories.contains(category);
        if (all)
            return it.key();
    }
    return QString();
}

} // namespace platform
