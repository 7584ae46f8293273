#include "TestWindows.h"

#include "ui/framework/WindowConstants.h"
#include "ui/framework/WindowMessage.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(WindowMessageTest, MessagesPostedFromAnotherThreadArriveInOrderOnTheUiThread) {
    RecordingWnd wnd;
    wnd.Create(nullptr, QStringLiteral("TestWnd"), 0, 0);
    constexpr unsigned kCount = 2000;
    std::thread poster([&wnd] {
        for (unsigned i = 0; i < kCount; ++i)
            ASSERT_TRUE(PostMessage(&wnd, ui::WM_USER + 103, i, -static_cast<intptr_t>(i)));
    });
    poster.join();
    QTRY_COMPARE_WITH_TIMEOUT(wnd.messages.size(), static_cast<size_t>(kCount), 10000);
    for (unsigned i = 0; i < kCount; ++i) {
        ASSERT_EQ(wnd.messages[i].msg, 1127u);
        ASSERT_EQ(wnd.messages[i].wParam, i);
        ASSERT_EQ(wnd.messages[i].lParam, -static_cast<intptr_t>(i));
        ASSERT_TRUE(wnd.messages[i].onUiThread);
    }
}

TEST(WindowMessageTest, MessagesToAWindowThatIsGoneAreDropped) {
    auto* wnd = new RecordingWnd;
    wnd->Create(nullptr, QStringLiteral("TestWnd"), 0, 0);
    EXPECT_TRUE(PostMessage(wnd, ui::WM_TRAY, 0, ui::WM_LBUTTONUP));
    delete wnd; // with the message still queued
    QCoreApplication::processEvents();
    EXPECT_FALSE(PostMessage(wnd, ui::WM_TRAY, 0, ui::WM_LBUTTONUP));
    EXPECT_EQ(SendMessage(wnd, ui::WM_TRAY, 0, 0), 0);
    EXPECT_FALSE(PostMessage(nullptr, ui::WM_TRAY, 0, 0));
}

TEST(WindowMessageTest, PostingWhileTheWindowIsDestroyedIsSafe) {
    // A device thread keeps posting while the UI thread destroys the window.
    for (int round = 0; round < 20; ++round) {
        auto* wnd = new RecordingWnd;
        std::atomic<bool> stop{false};
        std::atomic<int> refused{0};
        std::thread poster([&] {
            while (!stop.load()) {
                if (!PostMessage(wnd, ui::WM_USER + 100, 1, 0))
                    refused.fetch_add(1);
            }
        });
        QCoreApplication::processEvents();
        delete wnd;
        while (refused.load() == 0)
            std::this_thread::yield();
        stop.store(true);
        poster.join();
        QCoreApplication::processEvents();
    }
    SUCCEED();
}

TEST(WindowMessageTest, SendMessageReturnsTheHandlersResultFromAnyThread) {
    RecordingWnd wnd;
    EXPECT_EQ(SendMessage(&wnd, ui::WM_USER + 110, 21, 0), 42);
    std::atomic<intptr_t> fromWorker{-1};
    std::thread worker([&] { fromWorker = SendMessage(&wnd, ui::WM_USER + 111, 5, 0); });
    QTRY_COMPARE_WITH_TIMEOUT(fromWorker.load(), static_cast<intptr_t>(10), 5000);
    worker.join();
    ASSERT_EQ(wnd.messages.size(), 2u);
    EXPECT_TRUE(wnd.messages[1].onUiThread);
}

TEST(WindowMessageTest, SendMessageFromAnotherThreadReturnsZeroWhenTheWindowDiesFirst) {
    auto* wnd = new RecordingWnd;
    std::atomic<intptr_t> result{-1};
    std::thread worker([&] { result = SendMessage(wnd, ui::WM_USER + 111, 5, 0); });
    // The UI thread destroys the window instead of handling the call (queued or not yet).
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    delete wnd;
    worker.join();
    EXPECT_EQ(result.load(), 0);
}

} // namespace
