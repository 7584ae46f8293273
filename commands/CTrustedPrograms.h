#pragma once

#include <QString>

#include <mutex>

// The programs the user picked as command targets on this computer: trusted_programs.txt in
// the program home, one absolute path a line. Only these (besides installed applications) may
// run as a custom command's target, so a word list from the service cannot start anything
// else. Any thread.
class CTrustedPrograms {
public:
    explicit CTrustedPrograms(QString filePath);

    bool Contains(const QString& programPath) const;
    // Appends the path unless it is there already; false when the file cannot be written.
    bool Add(const QString& programPath);

    const QString& FilePath() const { return m_filePath; }

private:
    QString m_filePath;
    mutable std::mutex m_lock;
};
