#include "platform/AutoStart.h"
#include "platform/ProgramHome.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

namespace {

class AutoStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir config;
};

TEST_F(AutoStartTest, EntryIsNamedByTheChannelAndStartsThisExecutable) {
    platform::AutoStart autoStart(QStringLiteral("Orvanta"));
    EXPECT_EQ(autoStart.EntryPath(), config.path() + "/autostart/Orvanta.desktop");
    ASSERT_TRUE(autoStart.Enable());
    const QByteArray text = Read(autoStart.EntryPath());
    EXPECT_TRUE(text.contains("Exec=\"" + platform::ExecutablePath().toUtf8() + "\"\n"))
        << text.constData();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
}

TEST_F(AutoStartTest, AnIdenticalEntryIsNotWrittenAgainButAChangedOneIs) {
    platform::AutoStart autoStart(QStringLiteral("Orvanta"));
    ASSERT_TRUE(autoStart.Enable());
    const QString path = autoStart.EntryPath();
    const qint64 modified = QFileInfo(path).lastModified().toMSecsSinceEpoch();
    QThread::msleep(20);
    ASSERT_TRUE(autoStart.Enable());
    EXPECT_EQ(QFileInfo(path).lastModified().toMSecsSinceEpoch(), modified);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nExec=/somewhere/else\n");
    file.close();
    ASSERT_TRUE(autoStart.Enable());
    EXPECT_EQ(Read(path), autoStart.EntryText(platform::ExecutablePath()).toUtf8());
}

TEST_F(AutoStartTest, StateTellsAnEntryOfAnotherOrDamagedInstallFromOurs) {
    using State = platform::AutoStart::EntryState;
    platform::AutoStart autoStart(QStringLiteral("Orvanta"));
    EXPECT_EQ(autoStart.State(), State::Missing);
    ASSERT_TRUE(autoStart.Enable());
    EXPECT_EQ(autoStart.State(), State::Current);
    const QByteArray others[] = {autoStart.EntryText(QStringLiteral("/opt/old/velmora")).toUtf8(),
                                 QByteArray("[Desktop Entry\n\xff\xfe", 17), QByteArray()};
    for (const QByteArray& other : others) {
        QFile file(autoStart.EntryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(other);
        file.close();
        EXPECT_EQ(autoStart.State(), State::Different) << other.constData();
    }
}

TEST_F(AutoStartTest, DisableRemovesOnlyItsOwnEntry) {
    platform::AutoStart mine(QStringLiteral("Orvanta"));
    platform::AutoStart other(QStringLiteral("Other"));
    ASSERT_TRUE(mine.Enable());
    ASSERT_TRUE(other.Enable());
    EXPECT_TRUE(mine.Disable());
    EXPECT_FALSE(QFile::exists(mine.EntryPath()));
    EXPECT_TRUE(QFile::exists(other.EntryPath()));
    EXPECT_TRUE(mine.Disable()); // nothing left to remove is not a failure
}

TEST_F(AutoStartTest, ChannelNamesCannotLeaveTheAutostartFolder) {
    platform::AutoStart autoStart(QStringLiteral("../../evil name"));
    EXPECT_EQ(QFileInfo(autoStart.EntryPath()).absolutePath(), config.path() + "/autostart");
}

} // namespace
