// Subtitle result to source line on screen: recognition results handed to the window manager
// from an engine-like thread at 20 a second, each timed until "src_text" paints it. A local
// engine answers every translation at once, so the translation line keeps changing too.
// Usage: bench_subtitle_src_text [results] (400). Runs on the offscreen platform by default.

#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "platform/IScreen.h"
#include "session/CSubtitleWnd.h"
#include "session/SessionWindows.h"
#include "translate/ITransCallBack.h"
#include "translate/ITransEngine.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class BenchScreen : public platform::IScreen {
public:
    QSize ScreenSize() override { return {1920, 1080}; }
    std::optional<QPoint> CursorPosition() override { return std::nullopt; }
    std::optional<QPoint> CaretPosition() override { return std::nullopt; }
    QImage Grab() override { return {}; }
    bool SetPointerVisible(bool) override { return true; }
};

// Answers each translation at once from a request thread of its own.
class InstantEngine : public ITransEngine {
public:
    explicit InstantEngine(ITransCallBack* callBack) : m_callBack(callBack) {}
    ~InstantEngine() override {
        for (std::thread& t : m_threads)
            t.join();
    }
    void Translate(const std::string& text) override {
        m_threads.emplace_back([callBack = m_callBack, text] { callBack->OnTranslated(text); });
    }
    void TranslateGoogle(const std::string&) override {}
    void Speak(std::string) override {}

private:
    ITransCallBack* m_callBack;
    std::vector<std::thread> m_threads;
};

// Notes when the source line paints each numbered result for the first time.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(std::size_t results) : m_painted(results) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            bool ok = false;
            const auto n = static_cast<QLabel*>(watched)->text().toULongLong(&ok);
            if (ok && n < m_painted.size() && m_painted[n] == Clock::time_point())
                m_painted[n] = Clock::now();
        }
        return false;
    }
    const std::vector<Clock::time_point>& Painted() const { return m_painted; }

private:
    std::vector<Clock::time_point> m_painted;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::size_t results = argc > 1 ? std::max(10, std::atoi(argv[1])) : 400;

    QTemporaryDir home;
    auto config = std::make_shared<CConfig>(home.path() + QLatin1Char('/'));
    config->SetLpLanguage(QStringLiteral("english"));
    SessionWindowLinks links;
    links.config = config;
    links.screen = std::make_shared<BenchScreen>();
    links.makeTransEngine = [](ITransCallBack* callBack) {
        return std::make_unique<InstantEngine>(callBack);
    };
    WindowFactories factories;
    RegisterSessionWindows(factories, std::move(links));
    CWndManager manager(std::move(factories));
    auto* band = manager.FloatingWindow(FloatingWnd::Subtitle);
    QWidget* source = band != nullptr ? band->FindControl(QStringLiteral("src_text")) : nullptr;
    if (source == nullptr) {
        std::fprintf(stderr, "no subtitle window\n");
        return 1;
    }
    PaintWatch watch(results);
    source->installEventFilter(&watch);
    manager.ShowSubtitle();

    std::vector<Clock::time_point> sent(results);
    std::atomic<bool> done{false};
    std::thread engineThread([&] {
        const auto period = std::chrono::milliseconds(50);
        auto next = Clock::now() + period;
        for (std::size_t i = 0; i < results; ++i) {
            std::this_thread::sleep_until(next);
            next += period;
            sent[i] = Clock::now();
            manager.AddSubtitleText(QString::number(i));
        }
        done = true;
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done && watch.Painted().back() != Clock::time_point())
            app.quit();
    });
    poll.start(20);
    QTimer::singleShot(std::chrono::milliseconds(results * 50 + 10000), &app, &QApplication::quit);
    app.exec();
    engineThread.join();

    std::vector<double> ms;
    std::size_t missed = 0;
    for (std::size_t i = 0; i < results; ++i) {
        if (watch.Painted()[i] == Clock::time_point()) {
            ++missed;
            continue;
        }
        ms.push_back(
            std::chrono::duration<double, std::milli>(watch.Painted()[i] - sent[i]).count());
    }
    if (ms.empty()) {
        std::fprintf(stderr, "no result was painted\n");
        return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("subtitle result -> src_text painted, %zu results at 20/s (%s)\n", results,
                qPrintable(QApplication::platformName()));
    std::printf("  median %.2f ms, p99 %.2f ms, max %.2f ms, not painted %zu\n", ms[ms.size() / 2],
                ms[ms.size() * 99 / 100], ms.back(), missed);
    return 0;
}
