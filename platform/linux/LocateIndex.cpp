#include "platform/linux/LocateIndex.h"

#include "platform/DebugChannel.h"
#include "platform/DesktopEntry.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>

namespace platform {

namespace {
constexpr int kSearchLimitMs = 2000;
// Far more output than any name's matches; a runaway answer is cut here.
constexpr qint64 kMaxOutputBytes = 16 << 20;
} // namespace

QStringList LocateByName(const QString& name) {
    QString program = FindProgram(QStringLiteral("plocate"));
    if (program.isEmpty())
        program = FindProgram(QStringLiteral("locate"));
    if (program.isEmpty() || name.isEmpty())
        return {};
    QProcess locate;
    locate.setProcessChannelMode(QProcess::SeparateChannels);
    locate.setStandardInputFile(QProcess::nullDevice());
    locate.start(program, {QStringLiteral("--basename"), QStringLiteral("--null"),
                           QStringLiteral("--"), name});
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    bool finished = false;
    while (!finished && output.size() < kMaxOutputBytes) {
        const qint64 left = kSearchLimitMs - clock.elapsed();
        if (left <= 0)
            break;
        finished = locate.waitForFinished(static_cast<int>(std::min<qint64>(left, 50)));
        output += locate.readAllStandardOutput();
        locate.readAllStandardError();
        if (locate.state() == QProcess::NotRunning)
            finished = true;
    }
    if (!finished || locate.exitStatus() != QProcess::NormalExit) {
        locate.kill();
        locate.waitForFinished(1000);
        OutputDebug(QStringLiteral("File search for %1 gave no answer in time").arg(name));
        return {};
    }
    QStringList paths;
    for (const QByteArray& path : output.split('\0')) {
        if (!path.isEmpty())
            paths << QString::fromUtf8(path);
    }
    return paths;
}

} // namespace platform
