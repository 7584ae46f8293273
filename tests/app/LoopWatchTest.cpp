// The message-loop stall watch: a blocked loop must show as a gap at least as long as the
// block, in the period report and in the longest gap; the watch must be off by default.
#include "app/CLoopWatch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

class LoopWatchTest : public ::testing::Test {
protected:
    // One application object for the whole program: Qt does not take a second one well.
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_app";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            new QCoreApplication(argc, argv);
    }

    // Runs the loop until `done` holds (looked at after each turn), or the guard runs out.
    template <typename Done> bool RunLoopUntil(Done done) {
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done())
                loop.quit();
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, [&] { loop.quit(); });
        poll.start();
        guard.start(30000);
        loop.exec();
        return done();
    }
};

TEST_F(LoopWatchTest, BlockedLoopShowsAsAGapAtLeastAsLongAsTheBlock) {
    std::vector<CLoopWatch::Period> periods;
    CLoopWatch watch([&](const CLoopWatch::Period& p) { periods.push_back(p); }, 10, 100);
    watch.Start();
    bool blocked = false;
    QTimer::singleShot(30, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        blocked = true;
    });
    // Two periods after the block: the one holding it has been reported.
    ASSERT_TRUE(RunLoopUntil([&] {
        return blocked && !periods.empty() && watch.LongestGapMs() >= 300 &&
               periods.back().longestGapMs < 300;
    }));
    EXPECT_GE(watch.LongestGapMs(), 300);
    qint64 reported = 0;
    for (const auto& p : periods)
        reported = std::max(reported, p.longestGapMs);
    EXPECT_GE(reported, 300) << "the stall is in a period report";
}

TEST_F(LoopWatchTest, PeriodsCarryTheirBeatsAndStopEndsThem) {
    std::vector<CLoopWatch::Period> periods;
    CLoopWatch watch([&](const CLoopWatch::Period& p) { periods.push_back(p); }, 10, 50);
    EXPECT_FALSE(watch.IsRunning());
    EXPECT_EQ(watch.LongestGapMs(), 0);
    watch.Start();
    ASSERT_TRUE(RunLoopUntil([&] { return periods.size() >= 3; }));
    for (const auto& p : periods) {
        EXPECT_GT(p.beats, 0);
        EXPECT_GT(p.longestGapMs, 0);
    }
    watch.Stop();
    EXPECT_FALSE(watch.IsRunning());
    const size_t stopped = periods.size();
    bool later = false;
    QTimer::singleShot(200, [&] { later = true; });
    ASSERT_TRUE(RunLoopUntil([&] { return later; }));
    EXPECT_EQ(periods.size(), stopped) << "no report after Stop";
}

TEST_F(LoopWatchTest, StartsOnlyWhenTheEnvironmentSaysOne) {
    const struct {
        const char* value;
        bool requested;
    } cases[] = {{"1", true}, {"0", false}, {"", false}, {"yes", false}, {nullptr, false}};
    for (const auto& c : cases) {
        if (c.value)
            ::setenv("VELMORA_LOOP_WATCH", c.value, 1);
        else
            ::unsetenv("VELMORA_LOOP_WATCH");
        EXPECT_EQ(CLoopWatch::RequestedByEnvironment(), c.requested)
            << (c.value ? c.value : "(unset)");
    }
    ::unsetenv("VELMORA_LOOP_WATCH");
}

} // namespace
