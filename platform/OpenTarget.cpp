#include "platform/OpenTarget.h"

#include "platform/DebugChannel.h"
#include "platform/DesktopEntry.h"
#include "platform/IDesktopLauncher.h"
#include "platform/SimEvents.h"
#include "platform/XdgApplications.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace platform {

namespace {

const QString kReasonForm = QStringLiteral("form");
const QString kReasonUntrusted = QStringLiteral("untrusted");
const QString kReasonOutside = QStringLiteral("outside");

OpenResult Refuse(const QString& target, const QString& reason, const QString& via) {
    OutputDebug(QStringLiteral("Refused to open (%1, %2): %3").arg(reason, via, target));
    Json::Value event;
    event["kind"] = "refused";
    event["target"] = target.toStdString();
    event["reason"] = reason.toStdString();
    event["via"] = via.toStdString();
    EmitSimEvent(event);
    return {OpenOutcome::Refused, reason};
}

OpenResult Outcome(bool started) {
    return {started ? OpenOutcome::Opened : OpenOutcome::Failed, QString()};
}

bool HasControlCharacters(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

QString SchemeOf(const QString& target) {
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    const QRegularExpressionMatch match = scheme.match(target);
    return match.hasMatch() ? match.captured(1).toLower() : QString();
}

// Form 1: an address for the browser, with a host.
std::optional<QUrl> WebAddress(const QString& target) {
    QString text = target;
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        text.prepend(QStringLiteral("http://"));
    const QString scheme = SchemeOf(text);
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

// Form 2: the local path a target names, when it names one (it need not exist).
std::optional<QString> LocalPath(const QString& target) {
    if (target.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) {
        const QUrl url(target, QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile() || url.toLocalFile().isEmpty())
            return std::nullopt;
        return QDir::cleanPath(url.toLocalFile());
    }
    if (target.startsWith(QLatin1String("~/")))
        return QDir::cleanPath(QDir::homePath() + target.mid(1));
    if (target.startsWith('/'))
        return QDir::cleanPath(target);
    return std::nullopt;
}

bool IsBareId(const QString& target) {
    return !target.contains('/') && !target.contains(':') && !target.startsWith('~') &&
           !target.startsWith('.');
}

OpenResult RunEntry(IDesktopLauncher& launcher, const QString& path, const QString& target,
                    const QString& via) {
    const std::optional<DesktopEntry> entry = ReadDesktopEntry(path);
    const std::optional<QStringList> argv = entry ? LaunchArguments(*entry) : std::nullopt;
    if (!argv)
        return Refuse(target, kReasonForm, via);
    return Outcome(launcher.Run(*argv, path, via));
}

OpenResult OpenPath(IDesktopLauncher& launcher, const QString& path, const QString& target,
                    const QString& via, const OpenPolicy& policy) {
    const QFileInfo info(path);
    if (!info.exists())
        return Refuse(target, kReasonForm, via);
    const bool isEntry = info.isFile() && path.endsWith(QLatin1String(".desktop"));
    if (policy.applicationEntriesOnly && !(isEntry && IsInApplicationDir(path, true)))
        return Refuse(target, kReasonOutside, via);
    if (info.isDir())
        return Outcome(launcher.OpenUrl(QUrl::fromLocalFile(path), via));
    const bool trusted = policy.isTrustedProgram && policy.isTrustedProgram(path);
    if (isEntry) {
        if (!trusted && !IsInApplicationDir(path, false))
            return Refuse(target, kReasonUntrusted, via);
        return RunEntry(launcher, path, target, via);
    }
    if (info.isFile() && info.isExecutable()) {
        if (!trusted)
            return Refuse(target, kReasonUntrusted, via);
        return Outcome(launcher.Run({path}, QString(), via));
    }
    if (!info.isFile())
        return Refuse(target, kReasonForm, via); // sockets, devices, pipes
    return Outcome(launcher.OpenUrl(QUrl::fromLocalFile(path), via));
}

} // namespace

OpenResult OpenTargetWith(IDesktopLauncher& launcher, const QString& rawTarget, const QString& via,
                          const OpenPolicy& policy) {
    const QString target = rawTarget.trimmed();
    if (target.isEmpty() || HasControlCharacters(target))
        return Refuse(target, kReasonForm, via);

    if (!policy.applicationEntriesOnly) {
        if (const std::optional<QUrl> url = WebAddress(target))
            return Outcome(launcher.OpenUrl(*url, via));
        const QString scheme = SchemeOf(target);
        if (!scheme.isEmpty() && policy.extraSchemes.contains(scheme)) {
            const QUrl url(target, QUrl::StrictMode);
            if (url.isValid())
                return Outcome(launcher.OpenUrl(url, via));
        }
    }
    if (policy.webOnly)
        return Refuse(target, kReasonForm, via);

    if (const std::optional<QString> path = LocalPath(target))
        return OpenPath(launcher, *path, target, via, policy);
    if (policy.applicationEntriesOnly)
        return Refuse(target, kReasonOutside, via);
    if (IsBareId(target)) {
        QString id = target;
        if (!id.endsWith(QLatin1String(".desktop")))
            id += QLatin1String(".desktop");
        const QString path = FindDesktopFile(id);
        if (path.isEmpty())
            return Refuse(target, kReasonForm, via);
        return RunEntry(launcher, path, target, via);
    }
    return Refuse(target, kReasonForm, via);
}

OpenResult OpenTarget(const QString& target, const QString& via, const OpenPolicy& policy) {
    return OpenTargetWith(DesktopLauncher(), target, via, policy);
}

} // namespace platform
