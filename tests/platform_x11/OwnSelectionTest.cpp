// The selection watch ignores text the program itself selected: this test program's Qt
// connection stands for the program, a Tk entry for another program on the desktop.
#include "support/TkSelection.h"

#include "platform/linux/X11ScreenWordCapture.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace {

using platform::native::X11ScreenWordCapture;

constexpr int kDelayMs = 20;
constexpr int kHangGuardMs = 30000;
// How long the watch is given to react to a selection it must ignore: many times the delay,
// while an unwanted read would come right after it.
constexpr int kQuietMs = 50 * kDelayMs;

// Selection data that counts how often another client asked for it.
class CountingMimeData : public QMimeData {
public:
    explicit CountingMimeData(std::atomic<int>& asked) : m_asked(asked) {}

protected:
    QVariant retrieveData(const QString& type, QMetaType metaType) const override {
        ++m_asked;
        return QMimeData::retrieveData(type, metaType);
    }

private:
    std::atomic<int>& m_asked;
};

class OwnSelectionTest : public testing::Test {
protected:
    void SetUp() override {
        m_display = qgetenv("VELMORA_TEST_DISPLAY").toStdString();
        if (m_display.empty() || QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "no test X server (run through scripts/run-tests.sh)";
        const auto own = X11ScreenWordCapture::QtOwnClient();
        ASSERT_TRUE(own.has_value());
        QString problem;
        m_capture = X11ScreenWordCapture::Open(m_display, own, &problem);
        ASSERT_NE(m_capture, nullptr) << problem.toStdString();
        m_capture->SetDelay(kDelayMs);
        m_capture->SetHighlightReadyCallback([this](const QString& text) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_texts.push_back(text.toStdString());
        });
        m_capture->EnableHighlightCapture(true);
    }

    void TearDown() override {
        // The capture goes first: it must not ask this program's clipboard while it goes away.
        m_capture.reset();
        QGuiApplication::clipboard()->clear(QClipboard::Selection);
    }

    std::vector<std::string> Texts() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_texts;
    }

    // Runs this program's event loop (it answers requests for its own selection) until the
    // watch has handed over `count` texts or `limitMs` has passed.
    bool SpinUntilTexts(std::size_t count, int limitMs) {
        QElapsedTimer timer;
        timer.start();
        while (Texts().size() < count) {
            if (timer.elapsed() > limitMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    std::string m_display;
    std::unique_ptr<X11ScreenWordCapture> m_capture;
    std::mutex m_lock;
    std::vector<std::string> m_texts;
    // Outlives the selection data the clipboard owns, which counts into it.
    std::atomic<int> m_asked{0};
};

// Catches a watch that reads the program's own selections (the get-word window would open on
// text the program itself highlighted) or that stops noticing other programs after one.
TEST_F(OwnSelectionTest, OwnSelectionIsIgnoredAnotherProgramsIsHandedOver) {
    auto* own = new CountingMimeData(m_asked);
    own->setText(QStringLiteral("own words"));
    QGuiApplication::clipboard()->setMimeData(own, QClipboard::Selection);
    ASSERT_TRUE(QGuiApplication::clipboard()->ownsSelection());

    EXPECT_FALSE(SpinUntilTexts(1, kQuietMs)) << "own selection handed over: " << Texts()[0];
    EXPECT_EQ(m_asked.load(), 0) << "the watch asked this program for its own selection";

    testsupport::TkSelection other(m_display);
    ASSERT_TRUE(other.Select(QStringLiteral("their words")));
    ASSERT_TRUE(SpinUntilTexts(1, kHangGuardMs));
    EXPECT_EQ(Texts(), std::vector<std::string>{"their words"});
}

} // namespace
