#include "speech/ThreadMessageQueue.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

TEST(ThreadMessageQueue, TheOwnerTakesMessagesFromOtherThreadsInOrder) {
    ThreadMessageQueue queue;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) {
            ThreadMessage message;
            message.message = 1136;
            message.data.assign(3, static_cast<char>(i));
            message.wParam = i;
            queue.Post(std::move(message));
        }
        queue.Post(1137);
    });
    for (int i = 0; i < 100; ++i) {
        const ThreadMessage message = queue.Take();
        ASSERT_EQ(message.message, 1136u);
        ASSERT_EQ(message.wParam, i);
        ASSERT_EQ(message.data, std::vector<char>(3, static_cast<char>(i)));
    }
    EXPECT_EQ(queue.Take().message, 1137u);
    poster.join();
    ThreadMessage none;
    EXPECT_FALSE(queue.TakeFor(none, 20ms));
}
