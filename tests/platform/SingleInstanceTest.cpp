#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUuid>

#include <functional>

#include <vector>

namespace {

struct Wake {
    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
};

QString UniqueChannel() {
    return QStringLiteral("test-") + QUuid::createUuid().toString();
}

void ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(SingleInstance, SecondOwnerIsRefusedAndItsWakeUpReachesTheFirst) {
    const QString channel = UniqueChannel();
    platform::SingleInstance first(channel);
    ASSERT_TRUE(first.Acquire());
    std::vector<Wake> received;
    first.SetWakeHandler([&](unsigned msg, uintptr_t wParam, intptr_t lParam) {
        received.push_back({msg, wParam, lParam});
    });

    platform::SingleInstance second(channel);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.SendWakeUp(1025, 0, 514));
    ProcessEventsUntil([&] { return !received.empty(); });
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].msg, 1025u);
    EXPECT_EQ(received[0].wParam, 0u);
    EXPECT_EQ(received[0].lParam, 514);
}

TEST(SingleInstance, ChannelsAreIndependentAndFreedWithTheirOwner) {
    const QString channel = UniqueChannel();
    {
        platform::SingleInstance first(channel);
        ASSERT_TRUE(first.Acquire());
        platform::SingleInstance other(UniqueChannel());
        EXPECT_TRUE(other.Acquire());
    }
    platform::SingleInstance again(channel);
    EXPECT_TRUE(again.Acquire());
}

TEST(SingleInstance, WakeUpWithoutAnOwnerFailsQuickly) {
    platform::SingleInstance lonely(UniqueChannel());
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(lonely.SendWakeUp(1025, 0, 514));
    EXPECT_LT(timer.elapsed(), 2000);
}

} // namespace
