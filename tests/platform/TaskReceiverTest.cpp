#include "platform/linux/CTaskReceiver.h"
#include "platform/linux/UiThreadCall.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Turns the UI thread's event loop until done() holds; the limit only guards against a hang.
bool ProcessEventsUntil(const std::function<bool()>& done) {
    QDeadlineTimer guard(30000);
    while (!done()) {
        if (guard.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// What a worker builds and hands over: plain fields, no lock. The thread sanitizer build fails
// this group if it takes the hand-over through Qt's queue for a race.
struct Parcel {
    std::string text;
    std::vector<int> numbers;
};

} // namespace

TEST(TaskReceiverTest, WorkerTasksRunOnTheUiThreadInPostedOrderAndSeeTheWorkersWrites) {
    platform::CTaskReceiver* receiver = platform::UiThreadReceiver();
    ASSERT_NE(receiver, nullptr);
    EXPECT_EQ(receiver->thread(), QCoreApplication::instance()->thread());

    constexpr int kTasks = 200;
    std::vector<int> seen; // UI thread only
    std::atomic<int> wrongThread{0};
    QThread* uiThread = QThread::currentThread();
    std::thread worker([&] {
        for (int i = 0; i < kTasks; ++i) {
            auto parcel = std::make_shared<Parcel>();
            parcel->text = "parcel " + std::to_string(i);
            parcel->numbers.assign(static_cast<std::size_t>(i % 7) + 1, i);
            platform::CTaskReceiver::Post(platform::UiThreadReceiver(), [&, parcel] {
                if (QThread::currentThread() != uiThread)
                    ++wrongThread;
                if (parcel->text == "parcel " + std::to_string(parcel->numbers.front()))
                    seen.push_back(parcel->numbers.front());
            });
        }
    });
    worker.join();
    ASSERT_TRUE(ProcessEventsUntil([&] { return seen.size() == kTasks; }));
    EXPECT_EQ(wrongThread.load(), 0);
    for (int i = 0; i < kTasks; ++i)
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
}

TEST(TaskReceiverTest, TaskQueuedForAReceiverThatGoesAwayIsDroppedAndReleasesWhatItHolds) {
    auto* receiver = new platform::CTaskReceiver;
    auto held = std::make_shared<int>(7);
    std::weak_ptr<int> watch = held;
    bool ran = false;
    std::thread worker([&, held = std::move(held)]() mutable {
        EXPECT_TRUE(platform::CTaskReceiver::Post(receiver, [&ran, held] { ran = *held == 7; }));
        held.reset();
    });
    worker.join();
    delete receiver;
    EXPECT_FALSE(ran);
    EXPECT_TRUE(watch.expired());
}

TEST(TaskReceiverTest, NothingIsQueuedWithoutAReceiverOrAWork) {
    EXPECT_FALSE(platform::CTaskReceiver::Post(nullptr, [] {}));
    platform::CTaskReceiver receiver;
    EXPECT_FALSE(platform::CTaskReceiver::Post(&receiver, {}));
}

TEST(TaskReceiverTest, RunOnUiThreadFromAWorkerReturnsTheWorksResultAndItsWrites) {
    std::string written;
    bool answer = false;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        answer = platform::RunOnUiThread(
            [&] {
                written = "from the UI thread";
                return true;
            },
            std::chrono::seconds(30));
        // Read on the worker what the UI thread wrote.
        if (written != "from the UI thread")
            answer = false;
        finished = true;
    });
    ASSERT_TRUE(ProcessEventsUntil([&] { return finished.load(); }));
    worker.join();
    EXPECT_TRUE(answer);
}
