#include "service/FileDownload.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kFileMode = 0644;

class PartFile {
public:
    explicit PartFile(const QString& path) : m_path(QFile::encodeName(path).toStdString()) {
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kFileMode);
        // The umask may only take bits away, but an existing file keeps its mode: make sure
        // a downloaded package can never be started by a double click.
        if (m_fd >= 0 && ::fchmod(m_fd, kFileMode) != 0) {
            m_error = errno;
            ::close(m_fd);
            m_fd = -1;
        } else if (m_fd < 0) {
            m_error = errno;
        }
    }
    ~PartFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int Error() const { return m_error; }

    bool Write(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t written = ::write(m_fd, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                m_error = written < 0 ? errno : ENOSPC;
                return false;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) {
            m_error = errno;
            return false;
        }
        return true;
    }

private:
    std::string m_path;
    int m_fd = -1;
    int m_error = 0;
};

std::string SystemError(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

bool Discard(const QString& partPath, std::string& error, std::string why) {
    QFile::remove(partPath);
    error = std::move(why);
    return false;
}

} // namespace

bool DownloadToFile(const std::string& url, const QString& path, const DownloadLimits& limits,
                    const FileDownloadChecks& checks, std::string& error) {
    const QString partPath = path + QStringLiteral(".part");
    PartFile part(partPath);
    if (!part.IsOpen()) {
        error = SystemError("cannot create the download file", part.Error());
        return false;
    }
    const DownloadResult result = CHttpClient::Download(
        url,
        [&](const char* data, std::size_t size) {
            if (!part.Write(data, size))
                return false;
            if (checks.observe)
                checks.observe(data, size);
            return true;
        },
        limits);
    if (result.status == DownloadStatus::SinkRefused)
        return Discard(partPath, error, SystemError("cannot write the download", part.Error()));
    if (result.status != DownloadStatus::Complete)
        return Discard(partPath, error, result.error);
    if (!part.Close())
        return Discard(partPath, error, SystemError("cannot write the download", part.Error()));
    std::string why;
    if (checks.accept && !checks.accept(partPath, why))
        return Discard(partPath, error, why);
    if (std::rename(QFile::encodeName(partPath).constData(), QFile::encodeName(path).constData()) !=
        0)
        return Discard(partPath, error, SystemError("cannot put the download in place", errno));
    return true;
}
