#include "app/Log.h"
#include "app/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

using testfiles::ReadBytes;

namespace {

constexpr qint64 kRotationSize = 0xA00000;

class LogTest : public ::testing::Test {
protected:
    void TearDown() override { applog::StopLogging(); }

    QString LogPath() const { return m_dir.filePath(QStringLiteral("log.log")); }
    QStringList Lines() const {
        QStringList lines = QString::fromUtf8(ReadBytes(LogPath())).split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    QStringList RotatedFiles() const {
        return QDir(m_dir.path()).entryList({QStringLiteral("log-*.log")}, QDir::Files);
    }

    QTemporaryDir m_dir;
};

const QRegularExpression kRecord(
    QStringLiteral("^\\[\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{6} (0x)?[0-9a-fA-F]+ "
                   "(trace|debug|info|warning|error|fatal)\\] (.*)$"));

TEST_F(LogTest, RecordsFollowTheLayoutAndReachTheFileAtOnce) {
    applog::InitLogging(LogPath());
    applog::Warning(QStringLiteral("cannot write settings"));
    // Flushed per record: readable before the sink is stopped.
    const QStringList lines = Lines();
    applog::Info(QStringLiteral("中文 text"));
    applog::Error(QStringLiteral("e"));
    applog::StopLogging();

    ASSERT_EQ(lines.size(), 1);
    const QRegularExpressionMatch first = kRecord.match(lines[0]);
    ASSERT_TRUE(first.hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(first.captured(2), QStringLiteral("warning"));
    EXPECT_EQ(first.captured(3), QStringLiteral("cannot write settings"));

    const QStringList all = Lines();
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(kRecord.match(all[1]).captured(2), QStringLiteral("info"));
    EXPECT_EQ(kRecord.match(all[1]).captured(3), QStringLiteral("中文 text"));
    EXPECT_EQ(kRecord.match(all[2]).captured(2), QStringLiteral("error"));
}

TEST_F(LogTest, NothingIsWrittenAnywhereOutsideInitAndStop) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    applog::Warning(QStringLiteral("too early"));
    applog::InitLogging(LogPath());
    applog::Warning(QStringLiteral("logged"));
    applog::StopLogging();
    applog::Warning(QStringLiteral("too late"));
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("] logged")));
}

TEST_F(LogTest, UnopenableFileIsIgnored) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("log.log")));
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    applog::InitLogging(LogPath());
    applog::Error(QStringLiteral("nowhere to go"));
    applog::StopLogging();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(QFileInfo(LogPath()).isDir());
}

TEST_F(LogTest, AppendsToTheFileOfTheLastRun) {
    ASSERT_TRUE(testfiles::WriteBytes(LogPath(), "previous run\n"));
    applog::InitLogging(LogPath());
    applog::Info(QStringLiteral("this run"));
    applog::StopLogging();
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("previous run"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("] this run")));
    EXPECT_TRUE(RotatedFiles().isEmpty()) << "stopping does not rotate";
}

TEST_F(LogTest, FileRotatesAtTenMebibytes) {
    const QString chunk(64 * 1024, QLatin1Char('x'));
    applog::InitLogging(LogPath());
    int records = 0;
    while (records * chunk.size() <= kRotationSize + chunk.size()) {
        applog::Info(chunk);
        ++records;
    }
    applog::Info(QStringLiteral("after rotation"));
    applog::StopLogging();

    const QStringList rotated = RotatedFiles();
    ASSERT_EQ(rotated.size(), 1) << rotated.join(' ').toStdString();
    const qint64 rotatedSize = QFileInfo(m_dir.filePath(rotated[0])).size();
    EXPECT_LE(rotatedSize, kRotationSize);
    EXPECT_GT(rotatedSize, kRotationSize - 2 * chunk.size());
    const QStringList current = Lines();
    ASSERT_FALSE(current.isEmpty());
    EXPECT_LT(QFileInfo(LogPath()).size(), 4 * chunk.size());
    EXPECT_TRUE(current.last().endsWith(QStringLiteral("] after rotation")));
}

TEST_F(LogTest, ConcurrentWritersProduceWholeRecordsAndStopIsSafe) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    applog::InitLogging(LogPath());
    constexpr int kThreads = 4;
    constexpr int kRecords = 300;
    std::atomic<int> written{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &written] {
            for (int i = 0; i < kRecords; ++i) {
                applog::Info(QStringLiteral("writer %1 record %2").arg(t).arg(i));
                ++written;
            }
        });
    }
    // Stopping while others write: their later records vanish, none reaches the console.
    while (written < kThreads * kRecords / 2)
        std::this_thread::yield();
    applog::StopLogging();
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    std::map<QString, QString> threadOfWriter;
    std::set<QString> messages;
    const QStringList lines = Lines();
    ASSERT_GE(lines.size(), kThreads * kRecords / 2);
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = kRecord.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        const QString message = match.captured(3);
        EXPECT_TRUE(messages.insert(message).second) << line.toStdString();
        const QString writer = message.section(' ', 1, 1);
        const QString threadId = line.section(' ', 2, 2);
        EXPECT_EQ(threadOfWriter.emplace(writer, threadId).first->second, threadId);
    }
    std::set<QString> distinctIds;
    for (const auto& pair : threadOfWriter)
        distinctIds.insert(pair.second);
    EXPECT_EQ(distinctIds.size(), threadOfWriter.size()) << "one thread id per writer";
}

} // namespace
