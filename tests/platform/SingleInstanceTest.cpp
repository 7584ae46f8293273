#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <vector>

namespace {

const platform::SingleInstance::WakeUp kTrayClick{1025, 0, 514};

QString UniqueChannel() {
    return QStringLiteral("test-") + QUuid::createUuid().toString();
}

void ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnvironment {
public:
    void Set(const char* name, const QByteArray& value) {
        Remember(name);
        qputenv(name, value);
    }
    void Unset(const char* name) {
        Remember(name);
        qunsetenv(name);
    }
    ~ScopedEnvironment() {
        for (const auto& saved : m_saved) {
            if (saved.wasSet)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
    }

private:
    struct Saved {
        const char* name;
        bool wasSet;
        QByteArray value;
    };
    void Remember(const char* name) {
        m_saved.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
    }
    std::vector<Saved> m_saved;
};

TEST(SingleInstance, SecondOwnerIsRefusedAndItsWakeUpReachesTheFirst) {
    const QString channel = UniqueChannel();
    platform::SingleInstance first(channel, kTrayClick);
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(first.ListenProblem().isEmpty());
    int wakeUps = 0;
    first.SetWakeHandler([&] { ++wakeUps; });

    platform::SingleInstance second(channel, kTrayClick);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.SendWakeUp());
    ProcessEventsUntil([&] { return wakeUps > 0; });
    EXPECT_EQ(wakeUps, 1);
}

// Fault caught: any process of the user could post any message to the main window through the
// channel (a forged device arrival, a tray right click), and a flood filled the log.
TEST(SingleInstance, OnlyTheWakeUpPassesAndTheFirstOtherMessageIsReportedOnce) {
    const QString channel = UniqueChannel();
    platform::SingleInstance owner(channel, kTrayClick);
    ASSERT_TRUE(owner.Acquire());
    int wakeUps = 0;
    std::vector<QString> refusals;
    owner.SetWakeHandler([&] { ++wakeUps; },
                         [&](const QString& problem) { refusals.push_back(problem); });

    const struct {
        const char* name;
        QByteArray bytes;
    } dropped[] = {
        {"tray right click", "1025 0 517\n"},       {"forged mouse arrival", "1124 1 0\n"},
        {"wake-up with a tail", "1025 0 514 1\n"},  {"not numbers", "wake up\n"},
        {"an endless line", QByteArray(4096, '7')},
    };
    for (const auto& row : dropped) {
        SCOPED_TRACE(row.name);
        QLocalSocket client;
        client.connectToServer(platform::SingleInstance::SocketPathFor(channel));
        ASSERT_TRUE(client.waitForConnected(3000));
        client.write(row.bytes);
        ASSERT_TRUE(client.waitForBytesWritten(3000));
        // The owner hangs up once it has judged the message.
        ProcessEventsUntil([&] {
            client.waitForReadyRead(0);
            return client.state() == QLocalSocket::UnconnectedState;
        });
        EXPECT_EQ(client.state(), QLocalSocket::UnconnectedState);
    }
    platform::SingleInstance second(channel, kTrayClick);
    ASSERT_TRUE(second.SendWakeUp());
    ProcessEventsUntil([&] { return wakeUps > 0; });
    EXPECT_EQ(wakeUps, 1);
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_FALSE(refusals[0].contains(QLatin1String("1124"))) << "the sender's bytes stay out";
}

TEST(SingleInstance, ChannelsAreIndependentAndFreedWithTheirOwner) {
    const QString channel = UniqueChannel();
    {
        platform::SingleInstance first(channel, kTrayClick);
        ASSERT_TRUE(first.Acquire());
        platform::SingleInstance other(UniqueChannel(), kTrayClick);
        EXPECT_TRUE(other.Acquire());
    }
    platform::SingleInstance again(channel, kTrayClick);
    EXPECT_TRUE(again.Acquire());
}

TEST(SingleInstance, WakeUpWithoutAnOwnerFailsQuickly) {
    platform::SingleInstance lonely(UniqueChannel(), kTrayClick);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(lonely.SendWakeUp());
    EXPECT_LT(timer.elapsed(), 2000);
}

bool IsPrivateFolderOfThisUser(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// Fault caught: without $XDG_RUNTIME_DIR the socket sat in the shared temporary folder, where
// a stale socket of another account could not be removed and stopped every later wake-up; a
// failed listen went unnoticed.
TEST(SingleInstance, LockAndSocketLiveInAFolderOfThisUserAlone) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString runtime = scratch.filePath(QStringLiteral("runtime"));
    const QString temp = scratch.filePath(QStringLiteral("tmp"));
    const QString home = scratch.filePath(QStringLiteral("home"));
    for (const QString& dir : {runtime, temp, home})
        ASSERT_TRUE(QDir().mkpath(dir));
    const QString squatted = temp + QStringLiteral("/velmora-") + QString::number(::getuid());
    const QString tooLong = runtime + QLatin1Char('/') + QString(120, QLatin1Char('d'));
    ASSERT_TRUE(QDir().mkpath(tooLong));

    enum class Setup { RuntimeDir, NoRuntimeDir, SquattedTempFolder, UnusableSocketPath };
    const struct {
        const char* name;
        Setup setup;
        QString expectedFolder;
        bool wakeUpsArrive;
    } cases[] = {
        {"XDG_RUNTIME_DIR", Setup::RuntimeDir, runtime, true},
        {"no XDG_RUNTIME_DIR", Setup::NoRuntimeDir, squatted, true},
        {"socket path too long to listen on", Setup::UnusableSocketPath, tooLong, false},
        // Last: it needs root to make a folder of another account.
        {"temp folder name taken by another account", Setup::SquattedTempFolder,
         home + QStringLiteral("/.velmora-runtime-") + QString::number(::getuid()), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnvironment env;
        env.Set("TMPDIR", QFile::encodeName(temp));
        env.Set("HOME", QFile::encodeName(home));
        if (c.setup == Setup::RuntimeDir)
            env.Set("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        else if (c.setup == Setup::UnusableSocketPath)
            env.Set("XDG_RUNTIME_DIR", QFile::encodeName(tooLong));
        else
            env.Unset("XDG_RUNTIME_DIR");
        if (c.setup == Setup::SquattedTempFolder) {
            if (::getuid() != 0)
                GTEST_SKIP() << "needs root to give a folder to another account";
            QDir(squatted).removeRecursively();
            ASSERT_TRUE(QDir().mkpath(squatted));
            ASSERT_EQ(::chmod(QFile::encodeName(squatted).constData(), 0777), 0);
            ASSERT_EQ(::chown(QFile::encodeName(squatted).constData(), 65534, 65534), 0);
        }

        const QString channel = UniqueChannel();
        const QString socketPath = platform::SingleInstance::SocketPathFor(channel);
        EXPECT_EQ(QFileInfo(socketPath).absolutePath(), c.expectedFolder);
        EXPECT_EQ(QFileInfo(platform::SingleInstance::LockPathFor(channel)).absolutePath(),
                  c.expectedFolder);
        if (c.setup != Setup::RuntimeDir && c.setup != Setup::UnusableSocketPath) {
            EXPECT_TRUE(IsPrivateFolderOfThisUser(c.expectedFolder));
        }

        platform::SingleInstance owner(channel, kTrayClick);
        ASSERT_TRUE(owner.Acquire());
        EXPECT_EQ(owner.ListenProblem().isEmpty(), c.wakeUpsArrive)
            << owner.ListenProblem().toStdString();
        int wakeUps = 0;
        owner.SetWakeHandler([&] { ++wakeUps; });
        platform::SingleInstance second(channel, kTrayClick);
        EXPECT_FALSE(second.Acquire());
        EXPECT_EQ(second.SendWakeUp(), c.wakeUpsArrive);
        if (c.wakeUpsArrive)
            ProcessEventsUntil([&] { return wakeUps > 0; });
        EXPECT_EQ(wakeUps, c.wakeUpsArrive ? 1 : 0);
    }
}

} // namespace
