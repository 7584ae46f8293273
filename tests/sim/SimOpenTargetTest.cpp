#include "SimWorldProcess.h"
#include "platform/OpenTarget.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

std::vector<Json::Value> OfKinds(const std::vector<Json::Value>& events) {
    std::vector<Json::Value> found;
    for (const Json::Value& event : events) {
        const std::string kind = event["kind"].asString();
        if (kind == "open" || kind == "run" || kind == "refused")
            found.push_back(event);
    }
    return found;
}

// Under the simulator nothing starts: each outcome is one event with the caller's via.
TEST(SimOpenTarget, ReportsOpenRunAndRefusedWithTheirFields) {
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/applications");
    QFile entry(dir.path() + "/applications/tool.desktop");
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nExec=/bin/true --flag %U\n");
    entry.close();
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());

    const int64_t seq = SimWorldProcess::LastSeq();
    EXPECT_TRUE(platform::OpenTarget("www.example.com", "help").Opened());
    EXPECT_TRUE(platform::OpenTarget("tool.desktop", "app").Opened());
    EXPECT_FALSE(platform::OpenTarget("/bin/true", "custom").Opened());
    std::vector<Json::Value> events;
    ASSERT_TRUE(SimWorldProcess::WaitForEvents(seq, [&](const std::vector<Json::Value>& all) {
        events = OfKinds(all);
        return events.size() >= 3;
    }));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["kind"], "open");
    EXPECT_EQ(events[0]["target"], "http://www.example.com");
    EXPECT_EQ(events[0]["via"], "help");
    EXPECT_EQ(events[1]["kind"], "run");
    Json::Value argv(Json::arrayValue);
    argv.append("/bin/true");
    argv.append("--flag");
    EXPECT_EQ(events[1]["argv"], argv);
    EXPECT_EQ(events[1]["entry"], (dir.path() + "/applications/tool.desktop").toStdString());
    EXPECT_EQ(events[1]["via"], "app");
    EXPECT_EQ(events[2]["kind"], "refused");
    EXPECT_EQ(events[2]["target"], "/bin/true");
    EXPECT_EQ(events[2]["reason"], "untrusted");
    EXPECT_EQ(events[2]["via"], "custom");
    qunsetenv("XDG_DATA_HOME");
}

} // namespace
