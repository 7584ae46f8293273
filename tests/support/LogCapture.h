#pragma once

#include "app/Log.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Sends the program's log to a file of its own for the life of a test, so the test can read
// back the warnings the code under test wrote.
class LogCapture {
public:
    LogCapture() { applog::InitLogging(m_dir.filePath(QStringLiteral("log.log"))); }
    ~LogCapture() { applog::StopLogging(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Ends the logging first: the file is complete only once the sink is gone.
    QStringList Warnings() const {
        applog::StopLogging();
        QFile file(m_dir.filePath(QStringLiteral("log.log")));
        QStringList warnings;
        if (!file.open(QIODevice::ReadOnly))
            return warnings;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            if (line.contains(QStringLiteral(" warning] ")))
                warnings << line;
        }
        return warnings;
    }

private:
    QTemporaryDir m_dir;
};
