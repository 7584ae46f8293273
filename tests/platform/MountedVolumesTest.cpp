// The volume list read from a fake /proc and /sys: mount order, the removable flag of a disk
// or of a partition's disk, statvfs, labels and escaped mount points.
#include "platform/linux/MountedVolumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using platform::native::ReadMountedVolumes;
using platform::native::UnescapeMountField;

class FakeSystem {
public:
    FakeSystem() { EXPECT_TRUE(m_dir.isValid()); }
    QString Root() const { return m_dir.path(); }
    // A folder that exists, to mount on.
    QString MountPoint(const QString& name) {
        const QString path = m_dir.filePath(QStringLiteral("mnt/") + name);
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }
    void Write(const QString& relative, const QByteArray& bytes) {
        const QString path = m_dir.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    void Link(const QString& relative, const QString& target) {
        const QString path = m_dir.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        EXPECT_TRUE(QFile::link(target, path)) << path.toStdString();
    }
    // A disk below sys/devices with its removable flag, reached from sys/dev/block/MAJ:MIN.
    void Disk(const char* name, const char* device, bool removable) {
        const QString folder = QStringLiteral("sys/devices/pci0/usb1/block/") + name;
        Write(folder + QStringLiteral("/removable"), removable ? "1\n" : "0\n");
        Link(QStringLiteral("sys/dev/block/") + device,
             QStringLiteral("../../devices/pci0/usb1/block/") + name);
    }
    // A partition: its own folder has "partition" and no removable flag.
    void Partition(const char* disk, const char* name, const char* device) {
        const QString folder =
            QStringLiteral("sys/devices/pci0/usb1/block/") + disk + QLatin1Char('/') + name;
        Write(folder + QStringLiteral("/partition"), "1\n");
        Link(QStringLiteral("sys/dev/block/") + device,
             QStringLiteral("../../devices/pci0/usb1/block/") + disk + QLatin1Char('/') + name);
    }

private:
    QTemporaryDir m_dir;
};

TEST(MountedVolumes, BlockDeviceMountsInOrderWithTheirDisksRemovableFlag) {
    FakeSystem system;
    system.Disk("sda", "8:0", false);
    system.Partition("sda", "sda1", "8:1");
    system.Disk("sdb", "8:16", true);
    system.Partition("sdb", "sdb1", "8:17");
    system.Disk("sdc", "8:32", true);
    system.Disk("sdd", "8:48", true);
    system.Disk("mmcblk0", "179:0", true);
    system.Partition("mmcblk0", "mmcblk0p1", "179:1");
    system.Disk("loop0", "7:0", false);
    system.Link(QStringLiteral("dev/disk/by-label/PEN\\x20ONE"), QStringLiteral("../../sdb1"));
    system.Link(QStringLiteral("dev/disk/by-label/CARD"), QStringLiteral("../../mmcblk0p1"));

    const QString pen = system.MountPoint(QStringLiteral("PEN ONE"));
    const QString whole = system.MountPoint(QStringLiteral("whole"));
    const QString card = system.MountPoint(QStringLiteral("card"));
    const QString loop = system.MountPoint(QStringLiteral("loop"));
    const QString gone = system.Root() + QStringLiteral("/mnt/gone"); // never made
    QByteArray penEscaped = pen.toUtf8();
    penEscaped.replace(" ", "\\040");
    const QByteArray mountinfo = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                                 "23 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
                                 "30 22 8:17 / " +
                                 penEscaped +
                                 " rw,nosuid shared:2 - vfat /dev/sdb1 rw\n"
                                 "garbage\n"
                                 "31 22 8:32 / " +
                                 whole.toUtf8() +
                                 " rw - vfat /dev/sdc rw\n"
                                 "32 22 8:48 / " +
                                 gone.toUtf8() +
                                 " rw - vfat /dev/sdd rw\n"
                                 "33 22 8:99 / " +
                                 whole.toUtf8() +
                                 " rw - vfat /dev/sdx rw\n"
                                 "34 22 179:1 / " +
                                 card.toUtf8() +
                                 " rw master:3 propagate_from:2 - vfat /dev/mmcblk0p1 rw\n"
                                 "35 22 7:0 / " +
                                 loop.toUtf8() +
                                 " ro - squashfs /dev/loop0 ro\n"
                                 "36 22 8:32 relative rw - vfat /dev/sdc rw\n"
                                 "\n";
    system.Write(QStringLiteral("proc/self/mountinfo"), mountinfo);

    const std::vector<platform::Volume> volumes = ReadMountedVolumes(system.Root());
    struct Expected {
        QString mount;
        bool removable;
        QString label;
    };
    const std::vector<Expected> expected = {{QStringLiteral("/"), false, QString()},
                                            {pen, true, QStringLiteral("PEN ONE")},
                                            {whole, true, QString()},
                                            {card, true, QStringLiteral("CARD")},
                                            {loop, false, QString()}};
    ASSERT_EQ(volumes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(volumes[i].mount, expected[i].mount) << i;
        EXPECT_EQ(volumes[i].removable, expected[i].removable) << i;
        EXPECT_EQ(volumes[i].label, expected[i].label) << i;
    }
}

TEST(MountedVolumes, NoMountinfoNoVolumes) {
    QTemporaryDir empty;
    EXPECT_TRUE(ReadMountedVolumes(empty.path()).empty());
}

TEST(MountedVolumes, OctalEscapesAreUndoneAndAnythingElseKept) {
    const std::pair<QByteArray, QByteArray> rows[] = {{"/media/PEN\\040ONE", "/media/PEN ONE"},
                                                      {"a\\011b\\012c", "a\tb\nc"},
                                                      {"back\\134slash", "back\\slash"},
                                                      {"cut\\04", "cut\\04"},
                                                      {"not\\999octal", "not\\999octal"},
                                                      {"\\", "\\"},
                                                      {"", ""},
                                                      {"\\101\\102", "AB"}};
    for (const auto& [field, unescaped] : rows)
        EXPECT_EQ(UnescapeMountField(field), unescaped) << field.constData();
}

} // namespace
