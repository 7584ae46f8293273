// The magnifier lens on a real X server (VELMORA_TEST_DISPLAY or DISPLAY; Xvfb 1920x1080) with
// the Linux back end, at zoom 2 and 4:
// - switch-on: the first update, snapshot of the screen included, until the lens is painted;
// - per tick while XTest moves the pointer every 16 ms: pointer read to paint flushed;
// - lens updates per second while moving;
// - CPU share of one core while moving and at rest (the mover thread's own CPU left out).
// The ticks come from a 16 ms timer, as the main window's timer 2 gives them.
#include "BenchStats.h"

#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "platform/linux/CX11Screen.h"
#include "platform/linux/XTestPointer.h"
#include "screentools/CImageWnd.h"
#include "screentools/ScreenToolWindows.h"

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTickMs = 16;
constexpr int kSwitchOns = 10;
constexpr int kMovingSeconds = 5;
constexpr int kRestSeconds = 5;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double CpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Moves the pointer round a circle every 16 ms on its own connection and thread.
class PointerMover {
public:
    void Start() {
        m_run = true;
        m_thread = std::thread([this] {
            platform::XTestPointer pointer;
            const double start = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            for (int step = 0; m_run; ++step) {
                const double angle = step * 0.05;
                pointer.MoveTo(960 + static_cast<int>(400 * std::cos(angle)),
                               540 + static_cast<int>(300 * std::sin(angle)));
                std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
            }
            m_cpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start;
        });
    }
    // The mover's CPU seconds.
    double Stop() {
        m_run = false;
        m_thread.join();
        return m_cpu;
    }

private:
    std::atomic<bool> m_run{false};
    std::thread m_thread;
    double m_cpu = 0;
};

// Runs ticks for the given seconds; returns the tick times and counts the lens's moves.
std::vector<double> RunTicks(CWndManager& windows, CImageWnd& lens, int seconds, int& updates) {
    std::vector<double> ticks;
    updates = 0;
    QRectF last = lens.ShownArea();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const auto start = Clock::now();
        windows.UpdateMagnifier();
        ticks.push_back(Ms(Clock::now() - start));
        if (lens.ShownArea() != last) {
            last = lens.ShownArea();
            ++updates;
        }
    });
    timer.start(kTickMs);
    // A real event loop: the process sleeps between ticks as the program's loop does.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    timer.stop();
    return ticks;
}

void MeasureZoom(CConfig& config, CWndManager& windows, CImageWnd& lens, const char* zoom) {
    config.SetLpMultiple(QString::fromLatin1(zoom));
    windows.ApplyMagnifierZoom();
    std::printf("zoom %s\n", zoom);

    std::vector<double> switchOns;
    for (int i = 0; i < kSwitchOns; ++i) {
        windows.HideMagnifier();
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        windows.UpdateMagnifier();
        switchOns.push_back(Ms(Clock::now() - start));
    }
    PrintFigures("  switch-on to lens painted (with grab)", switchOns);

    PointerMover mover;
    const double cpuBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const auto wallBefore = Clock::now();
    mover.Start();
    int updates = 0;
    const std::vector<double> moving = RunTicks(windows, lens, kMovingSeconds, updates);
    const double moverCpu = mover.Stop();
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore - moverCpu;
    PrintFigures("  tick while moving (read to painted)", moving);
    std::printf("  %-38s %8.1f /s\n", "lens updates while moving", updates / wall);
    std::printf("  %-38s %8.2f %% of one core\n", "CPU while moving", cpu / wall * 100);

    const double restCpuBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const auto restBefore = Clock::now();
    const std::vector<double> rest = RunTicks(windows, lens, kRestSeconds, updates);
    const double restWall = std::chrono::duration<double>(Clock::now() - restBefore).count();
    PrintFigures("  tick at rest", rest);
    std::printf("  %-38s %8.2f %% of one core\n", "CPU at rest",
                (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - restCpuBefore) / restWall * 100);
    windows.HideMagnifier();
}

} // namespace

int main(int argc, char** argv) {
    const QByteArray testDisplay = qgetenv("VELMORA_TEST_DISPLAY");
    if (!testDisplay.isEmpty())
        qputenv("DISPLAY", testDisplay);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "bench_lens_tick: needs an X server (DISPLAY)\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QTemporaryDir home;
    auto config = std::make_shared<CConfig>(home.path() + QLatin1Char('/'));
    auto screen = std::make_shared<platform::CX11Screen>();
    const QSize size = screen->ScreenSize();
    std::printf("screen %dx%d\n", size.width(), size.height());

    WindowFactories factories;
    ScreenToolLinks links;
    links.config = config;
    links.screen = screen;
    RegisterScreenToolWindows(factories, links);
    CWndManager windows(std::move(factories));
    auto* lens = dynamic_cast<CImageWnd*>(windows.FloatingWindow(FloatingWnd::Magnifier));
    if (lens == nullptr)
        return 1;
    for (const char* zoom : {"2", "4"})
        MeasureZoom(*config, windows, *lens, zoom);
    return 0;
}
