#include "SimWorldProcess.h"
#include "platform/IFileSearch.h"
#include "platform/NetworkPresence.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

std::vector<Json::Value> OfKind(const std::vector<Json::Value>& events, const char* kind) {
    std::vector<Json::Value> found;
    for (const Json::Value& event : events) {
        if (event["kind"].asString() == kind)
            found.push_back(event);
    }
    return found;
}

TEST(SimFileSearch, TheIndexAnswersExactNamesOfExistingFiles) {
    QTemporaryDir dir;
    for (const char* name : {"a/QQMusic.exe", "b/QQMusic.exe", "a/QQMusic.exe.bak"}) {
        QDir().mkpath(QFileInfo(dir.path() + '/' + name).path());
        QFile file(dir.path() + '/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const std::string root = dir.path().toStdString();
    ASSERT_EQ(SimWorldProcess::Run("index " + root + "/b/QQMusic.exe " + root +
                                   "/a/QQMusic.exe.bak " + root + "/a/QQMusic.exe " + root +
                                   "/gone/QQMusic.exe"),
              0);
    const int64_t seq = SimWorldProcess::LastSeq();
    const QStringList expected{dir.path() + "/a/QQMusic.exe", dir.path() + "/b/QQMusic.exe"};
    EXPECT_EQ(platform::FileSearch()->FindByName("QQMusic.exe"), expected);
    std::vector<Json::Value> reports;
    ASSERT_TRUE(SimWorldProcess::WaitForEvents(seq, [&](const auto& events) {
        reports = OfKind(events, "file_search");
        return !reports.empty();
    }));
    EXPECT_EQ(reports[0]["name"], "QQMusic.exe");
    ASSERT_EQ(reports[0]["results"].size(), 2u);
    EXPECT_EQ(reports[0]["results"][1], root + "/b/QQMusic.exe");

    ASSERT_EQ(SimWorldProcess::Run("index --clear"), 0);
    EXPECT_TRUE(platform::FileSearch()->FindByName("QQMusic.exe").isEmpty());
    EXPECT_NE(SimWorldProcess::Run("index 2>/dev/null"), 0);
}

TEST(SimNetwork, OnlineFollowsTheWorld) {
    EXPECT_TRUE(platform::IsOnline());
    ASSERT_EQ(SimWorldProcess::Run("network offline"), 0);
    EXPECT_FALSE(platform::IsOnline());
    ASSERT_EQ(SimWorldProcess::Run("network online"), 0);
    EXPECT_TRUE(platform::IsOnline());
    EXPECT_NE(SimWorldProcess::Run("network sideways 2>/dev/null"), 0);
}

} // namespace
