#pragma once

#include <QProcess>
#include <QString>

// True when the test PulseAudio daemon (scripts/run-tests.sh starts one) answers.
inline bool PulseRunning() {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    return pactl.waitForFinished(5000) && pactl.exitStatus() == QProcess::NormalExit &&
           pactl.exitCode() == 0;
}
