#pragma once

#include <QString>

// The log file (log.log in the program home): one record per line,
// "[YYYY-MM-DD HH:MM:SS.ffffff THREADID severity] message", rotated at 10 MiB and at midnight,
// flushed after every record. Records written before InitLogging() are dropped.
namespace applog {

enum class Severity { trace, debug, info, warning, error, fatal };

// Opens the file sink; called once at start-up. Failure to open the file is ignored.
void InitLogging(const QString& logFilePath);
// Flushes and removes the sink (shutdown and tests).
void StopLogging();

void Write(Severity severity, const QString& message);
inline void Info(const QString& message) {
    Write(Severity::info, message);
}
inline void Warning(const QString& message) {
    Write(Severity::warning, message);
}
inline void Error(const QString& message) {
    Write(Severity::error, message);
}

} // namespace applog
