#include "platform/ProgramHome.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace platform {

namespace {
// Files an install ships read-only; a share folder without one is only half installed.
const char* const kShippedFiles[] = {"languages.ini", "restart.sh"};

QString AsFolder(const QString& path) {
    QString folder = QDir::cleanPath(path);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString UserDataHome(const ProgramHomeFacts& facts) {
    // XDG base directories must be absolute; a relative $XDG_DATA_HOME is ignored.
    if (!facts.xdgDataHome.isEmpty() && QDir::isAbsolutePath(facts.xdgDataHome))
        return facts.xdgDataHome;
    return facts.userHome + QStringLiteral("/.local/share");
}

QString ShareDirOf(const QString& executableDir) {
    return AsFolder(executableDir + QStringLiteral("/../share/velmora"));
}
} // namespace

ProgramHomeLayout ResolveProgramHome(const ProgramHomeFacts& facts) {
    ProgramHomeLayout layout;
    if (facts.shareDirExists)
        layout.shareDir = ShareDirOf(facts.executableDir);
    if (!facts.velmoraHome.isEmpty())
        layout.home = AsFolder(facts.velmoraHome);
    else if (facts.shareDirExists && !facts.executableDirWritable)
        layout.home = AsFolder(UserDataHome(facts) + QStringLiteral("/velmora"));
    else
        layout.home = AsFolder(facts.executableDir);
    return layout;
}

ProgramHomeFacts CurrentProgramHomeFacts() {
    ProgramHomeFacts facts;
    facts.velmoraHome = qEnvironmentVariable("VELMORA_HOME");
    facts.executableDir = QFileInfo(ExecutablePath()).absolutePath();
    facts.executableDirWritable = QFileInfo(facts.executableDir).isWritable();
    facts.shareDirExists = QFileInfo(ShareDirOf(facts.executableDir)).isDir();
    facts.xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    facts.userHome = QDir::homePath();
    return facts;
}

QString ExecutablePath() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ProgramHome() {
    return ResolveProgramHome(CurrentProgramHomeFacts()).home;
}

QString ShippedFile(const QString& name) {
    const ProgramHomeLayout layout = ResolveProgramHome(CurrentProgramHomeFacts());
    const QString own = layout.home + name;
    if (layout.shareDir.isEmpty() || QFileInfo::exists(own))
        return own;
    return layout.shareDir + name;
}

QStringList PrepareProgramHome() {
    const ProgramHomeLayout layout = ResolveProgramHome(CurrentProgramHomeFacts());
    QStringList problems;
    if (!QDir().mkpath(layout.home))
        problems << QStringLiteral("cannot create the program home %1; settings and the log "
                                   "will not be saved")
                        .arg(layout.home);
    else if (!QFileInfo(layout.home).isWritable())
        problems << QStringLiteral("the program home %1 is not writable; settings and the log "
                                   "will not be saved")
                        .arg(layout.home);
    if (layout.shareDir.isEmpty())
        return problems;
    for (const char* name : kShippedFiles) {
        const QString shipped = layout.shareDir + QLatin1String(name);
        if (!QFileInfo::exists(layout.home + QLatin1String(name)) && !QFileInfo::exists(shipped))
            problems << QStringLiteral("shipped file %1 is missing (incomplete installation)")
                            .arg(shipped);
    }
    return problems;
}

} // namespace platform
