#include "platform/linux/MountedVolumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

#include <optional>

namespace platform::native {

namespace {

struct MountLine {
    QByteArray device; // "8:17"
    QByteArray mountPoint;
};

// "36 35 8:17 / /media/u/PEN rw,nosuid shared:1 - vfat /dev/sdb1 rw": the third field is the
// device, the fifth the mount point; optional fields before " - " vary in number.
std::optional<MountLine> ParseMountLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() < 7 || !fields.contains("-"))
        return std::nullopt;
    const QByteArray& device = fields[2];
    const int colon = device.indexOf(':');
    if (colon <= 0 || colon == device.size() - 1)
        return std::nullopt;
    MountLine mount{device, UnescapeMountField(fields[4])};
    if (!mount.mountPoint.startsWith('/'))
        return std::nullopt;
    return mount;
}

QByteArray ReadSmallFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(4096).trimmed() : QByteArray();
}

// The device's folder below sys/devices, where "partition" marks a partition whose disk is
// the folder above.
std::optional<bool> RemovableFlag(const QString& deviceFolder) {
    const QString own = deviceFolder + QStringLiteral("/removable");
    if (QFileInfo::exists(own))
        return ReadSmallFile(own) == "1";
    if (!QFileInfo::exists(deviceFolder + QStringLiteral("/partition")))
        return std::nullopt;
    const QString disk =
        QFileInfo(deviceFolder).dir().absoluteFilePath(QStringLiteral("removable"));
    if (!QFileInfo::exists(disk))
        return std::nullopt;
    return ReadSmallFile(disk) == "1";
}

// udev writes a label's unsafe bytes as "\xHH" in the link name.
QString UnescapeUdevName(const QString& name) {
    const QByteArray bytes = QFile::encodeName(name);
    QByteArray out;
    for (int i = 0; i < bytes.size(); ++i) {
        bool ok = false;
        if (bytes[i] == '\\' && i + 3 < bytes.size() && bytes[i + 1] == 'x') {
            const int value = bytes.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += bytes[i];
    }
    return QString::fromUtf8(out);
}

QString LabelOf(const QString& root, const QString& kernelName) {
    QDir labels(root + QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo& link :
         labels.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (link.isSymLink() && QFileInfo(link.symLinkTarget()).fileName() == kernelName)
            return UnescapeUdevName(link.fileName());
    }
    return QString();
}

bool Answers(const QByteArray& mountPoint) {
    struct statvfs info {};
    return statvfs(mountPoint.constData(), &info) == 0;
}

} // namespace

QByteArray UnescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool octal = true;
            for (char c : digits)
                octal = octal && c >= '0' && c <= '7';
            if (octal) {
                out += static_cast<char>(digits.toInt(nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::vector<Volume> ReadMountedVolumes(const QString& root) {
    QFile mountinfo(root + QStringLiteral("/proc/self/mountinfo"));
    std::vector<Volume> volumes;
    if (!mountinfo.open(QIODevice::ReadOnly))
        return volumes;
    for (const QByteArray& line : mountinfo.readAll().split('\n')) {
        const std::optional<MountLine> mount = ParseMountLine(line);
        if (!mount)
            continue;
        const QString link =
            root + QStringLiteral("/sys/dev/block/") + QString::fromLatin1(mount->device);
        const QString deviceFolder = QFileInfo(link).canonicalFilePath();
        if (deviceFolder.isEmpty())
            continue;
        const std::optional<bool> removable = RemovableFlag(deviceFolder);
        if (!removable || !Answers(mount->mountPoint))
            continue;
        volumes.push_back(Volume{QFile::decodeName(mount->mountPoint), *removable,
                                 LabelOf(root, QFileInfo(deviceFolder).fileName())});
    }
    return volumes;
}

} // namespace platform::native
