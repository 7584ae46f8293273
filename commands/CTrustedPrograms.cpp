#include "commands/CTrustedPrograms.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace {

// Far more than a person adds by hand; a larger file is not ours.
constexpr qint64 kMaxFileBytes = 4 << 20;

QStringList ReadPaths(const QString& filePath) {
    QFile file(filePath);
    if (file.size() > kMaxFileBytes || !file.open(QIODevice::ReadOnly))
        return {};
    QStringList paths;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString path = QString::fromUtf8(line).trimmed();
        if (QDir::isAbsolutePath(path))
            paths << QDir::cleanPath(path);
    }
    return paths;
}

} // namespace

CTrustedPrograms::CTrustedPrograms(QString filePath) : m_filePath(std::move(filePath)) {}

bool CTrustedPrograms::Contains(const QString& programPath) const {
    std::lock_guard<std::mutex> guard(m_lock);
    return !programPath.isEmpty() && ReadPaths(m_filePath).contains(QDir::cleanPath(programPath));
}

bool CTrustedPrograms::Add(const QString& programPath) {
    // A line break would make one path two lines, the second of the caller's choosing.
    if (!QDir::isAbsolutePath(programPath) || programPath.contains('\n') ||
        programPath.contains('\r'))
        return false;
    std::lock_guard<std::mutex> guard(m_lock);
    const QString path = QDir::cleanPath(programPath);
    if (ReadPaths(m_filePath).contains(path))
        return true;
    QFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return file.write((path + '\n').toUtf8()) > 0;
}
