// The selection watch on the test X server: text selected in a Tk entry reaches the callback.
#include "support/TkSelection.h"

#include "platform/linux/X11ScreenWordCapture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

constexpr std::chrono::seconds kHangGuard{30};

class SelectionCaptureTest : public testing::Test {
protected:
    void SetUp() override {
        m_display = qgetenv("VELMORA_TEST_DISPLAY").toStdString();
        if (m_display.empty())
            GTEST_SKIP() << "no test X server (run through scripts/run-tests.sh)";
        QString problem;
        m_capture = platform::native::X11ScreenWordCapture::Open(m_display, std::nullopt, &problem);
        ASSERT_NE(m_capture, nullptr) << problem.toStdString();
        m_capture->SetDelay(50);
        m_capture->SetHighlightReadyCallback([this](const QString& text) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_texts.push_back(text);
            m_changed.notify_all();
        });
    }

    bool WaitForTexts(std::size_t count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, kHangGuard, [&] { return m_texts.size() >= count; });
    }

    std::string m_display;
    std::unique_ptr<platform::native::X11ScreenWordCapture> m_capture;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<QString> m_texts;
};

// Catches a watch that misses a new owner, reads the wrong target or garbles UTF-8.
TEST_F(SelectionCaptureTest, TextSelectedInAnotherProgramReachesTheCallback) {
    m_capture->EnableHighlightCapture(true);
    testsupport::TkSelection tk(m_display);
    ASSERT_TRUE(tk.Select(QStringLiteral("velmora grüßt")));
    ASSERT_TRUE(WaitForTexts(1));
    std::lock_guard<std::mutex> guard(m_lock);
    EXPECT_EQ(m_texts[0].toStdString(), "velmora grüßt");
}

} // namespace
