// The selection watch is in place when Open returns, even when the X server takes its time to
// read the watch request: a selection made right after start-up is not missed.
#include "HoldingXProxy.h"
#include "support/TkSelection.h"

#include "platform/linux/X11ScreenWordCapture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>

namespace {

using platform::native::X11ScreenWordCapture;

constexpr std::chrono::seconds kHangGuard{30};
// How long Open is given to return while the server has not seen its watch request. A capture
// that merely sends the request returns at once; one that waits for the server never does.
constexpr std::chrono::milliseconds kEarlyReturn{500};

// Catches a capture that reports ready once its watch request is sent rather than once the
// server has it: the selection below, made as soon as Open has returned, would go unseen.
TEST(WatchStartTest, SelectionRightAfterOpenIsSeenWhileTheServerLags) {
    const std::string display = qgetenv("VELMORA_TEST_DISPLAY").toStdString();
    if (display.empty())
        GTEST_SKIP() << "no test X server (run through scripts/run-tests.sh)";
    HoldingXProxy proxy(display);
    ASSERT_TRUE(proxy.Ready());

    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> texts;
    auto opening = std::async(std::launch::async, [&] {
        auto capture = X11ScreenWordCapture::Open(proxy.Display(), std::nullopt, nullptr);
        if (capture) {
            capture->SetDelay(20);
            capture->SetHighlightReadyCallback([&](const QString& text) {
                std::lock_guard<std::mutex> guard(lock);
                texts.push_back(text.toStdString());
                changed.notify_all();
            });
            capture->EnableHighlightCapture(true);
        }
        return capture;
    });
    ASSERT_TRUE(proxy.WaitHolding(kHangGuard));

    testsupport::TkSelection other(display);
    const bool returnedEarly = opening.wait_for(kEarlyReturn) == std::future_status::ready;
    // Made once Open has returned: during the hold when it returned early, after it otherwise.
    if (returnedEarly) {
        ASSERT_TRUE(other.Select(QStringLiteral("first words")));
    }
    proxy.Release();
    auto capture = opening.get();
    ASSERT_NE(capture, nullptr);
    if (!returnedEarly) {
        ASSERT_TRUE(other.Select(QStringLiteral("first words")));
    }

    std::unique_lock<std::mutex> waiting(lock);
    ASSERT_TRUE(changed.wait_for(waiting, kHangGuard, [&] { return !texts.empty(); }))
        << "the selection made right after Open went unseen";
    EXPECT_EQ(texts.front(), "first words");
    waiting.unlock();
    capture.reset();
}

} // namespace
