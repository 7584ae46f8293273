// Highlighted text to the get-word window, on an X server (VELMORA_TEST_DISPLAY or DISPLAY)
// where a Tk entry selects a new word each round: the time from the selection to the capture
// callback (the 300 ms rest included) and on to the window shown. Then the watcher's CPU use
// while nothing happens, and the time the offline voice takes for 100 bytes.
#include "BenchStats.h"

#include "app/CWndManager.h"
#include "platform/ISpeechSynthesizer.h"
#include "platform/linux/X11ScreenWordCapture.h"
#include "translate/CGetWordWnd.h"
#include "translate/ITransEngine.h"
#include "translate/TransWindows.h"
#include "ui/framework/WindowMessage.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <optional>
#include <thread>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 20;
constexpr int kDelayMs = 300;
constexpr int kIdleSeconds = 5;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

class SilentEngine : public ITransEngine {
public:
    void Translate(const std::string&) override {}
    void TranslateGoogle(const std::string&) override {}
    void Speak(std::string) override {}
};

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void MeasureSynthesis() {
    const std::string text(
        "The quick brown fox jumps over the lazy dog while the bench counts every single byte.",
        100 - 15);
    std::vector<double> times;
    auto synthesizer = platform::SpeechSynthesizer();
    synthesizer->Synthesize("warm up", "en");
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        synthesizer->Synthesize(text + " round " + std::to_string(1000000 + i), "en");
        times.push_back(Ms(Clock::now() - start));
    }
    PrintFigures("local synthesis of 100 bytes", times);
}

struct Marks {
    std::mutex lock;
    std::condition_variable changed;
    std::optional<Clock::time_point> captured;
    std::optional<Clock::time_point> shown;
};

} // namespace

int main(int argc, char** argv) {
    QByteArray display = qgetenv("VELMORA_TEST_DISPLAY");
    if (display.isEmpty())
        display = qgetenv("DISPLAY");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MeasureSynthesis();
    if (display.isEmpty()) {
        std::printf("no X display: selection figures skipped\n");
        return 0;
    }
    QString problem;
    auto capture =
        platform::native::X11ScreenWordCapture::Open(display.toStdString(), std::nullopt, &problem);
    if (!capture) {
        std::printf("%s\n", problem.toLocal8Bit().constData());
        return 1;
    }
    TransWindowLinks links;
    links.makeEngine = [](ITransCallBack*) { return std::make_unique<SilentEngine>(); };
    WindowFactories factories;
    RegisterTransWindows(factories, links);
    CWndManager manager(std::move(factories));
    WindowImplBase* window = manager.FloatingWindow(FloatingWnd::GetWord);

    Marks marks;
    capture->SetDelay(kDelayMs);
    capture->SetHighlightReadyCallback([&](const QString& text) {
        {
            std::lock_guard<std::mutex> guard(marks.lock);
            marks.captured = Clock::now();
        }
        manager.ShowGetWord(10, 10, text);
        // Runs after the show on the UI thread.
        PostTask(window, [&] {
            std::lock_guard<std::mutex> guard(marks.lock);
            marks.shown = Clock::now();
            marks.changed.notify_all();
        });
    });
    capture->EnableHighlightCapture(true);

    std::thread driver([&] {
        QProcess tk;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        tk.setProcessEnvironment(environment);
        tk.start(QStringLiteral("wish"), {});
        tk.waitForStarted(10000);
        tk.write("entry .e\npack .e\nupdate\n");
        std::vector<double> toCallback;
        std::vector<double> toShown;
        for (int i = 0; i < kRounds; ++i) {
            {
                std::lock_guard<std::mutex> guard(marks.lock);
                marks.captured.reset();
                marks.shown.reset();
            }
            const QString round =
                QStringLiteral("selection clear\n.e delete 0 end\n.e insert 0 word%1\n"
                               ".e selection range 0 end\nupdate\nputs sel\nflush stdout\n")
                    .arg(i);
            tk.write(round.toUtf8());
            tk.waitForBytesWritten(5000);
            while (!tk.canReadLine() && tk.waitForReadyRead(10000)) {
            }
            tk.readLine();
            const Clock::time_point selected = Clock::now();
            std::unique_lock<std::mutex> lock(marks.lock);
            if (!marks.changed.wait_for(lock, std::chrono::seconds(10),
                                        [&] { return marks.shown.has_value(); }))
                continue;
            toCallback.push_back(Ms(*marks.captured - selected));
            toShown.push_back(Ms(*marks.shown - selected));
        }
        PrintFigures("selection -> capture callback", toCallback);
        PrintFigures("selection -> get-word window shown", toShown);
        tk.write("exit\n");
        tk.waitForBytesWritten(5000);
        tk.waitForFinished(5000);

        const double before = ProcessCpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
        const double used = ProcessCpuSeconds() - before;
        std::printf("%-40s %.4f %% of a core (whole process, %d s)\n", "idle watcher CPU",
                    100.0 * used / kIdleSeconds, kIdleSeconds);
        QMetaObject::invokeMethod(
            &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    app.exec();
    driver.join();
    capture->SetHighlightReadyCallback(nullptr);
    return 0;
}
