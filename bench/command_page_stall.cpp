// Add and delete on the command page while the command service accepts connections and never
// answers: how long the user-interface thread is held. A 5 ms timer measures the longest gap
// of the event loop while the clicks are made and their requests run out (3 s each).
#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "device/CDeviceLink.h"
#include "mainwnd/CMainWnd.h"
#include "platform/sim/SimClient.h"
#include "speech/CAudioEndpoints.h"
#include "support/LocalHttpServer.h"
#include "ui/framework/WindowConstants.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

// The calling thread's CPU time: a long gap in which the UI thread used little CPU was spent
// waiting for a core (a loaded machine), not running the program's code.
qint64 ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// How long the calling thread has waited, ready to run, for a core (the kernel's run delay).
qint64 ThreadRunDelayMs() {
    std::FILE* file = std::fopen("/proc/thread-self/schedstat", "r");
    unsigned long long running = 0;
    unsigned long long waiting = 0;
    if (file != nullptr) {
        if (std::fscanf(file, "%llu %llu", &running, &waiting) != 2)
            waiting = 0;
        std::fclose(file);
    }
    return static_cast<qint64>(waiting / 1000000);
}

bool SpinUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (done())
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const std::string socket = "/tmp/velmora-bench-page-" + std::to_string(::getpid()) + ".sock";
    ::setenv("VELMORA_SIMULATOR", socket.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const pid_t world = ::fork();
    if (world == 0) {
        ::execl(VELMORA_SIM_PATH, VELMORA_SIM_PATH, "serve", "--socket", socket.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    platform::sim::SimClient tool;
    for (int i = 0; i < 300 && !tool.Connect(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Json::Value plug;
    plug["op"] = "plug";
    plug["device"] = "mouse";
    if (!tool.Request(plug, 5000).get("ok", false).asBool()) {
        std::fprintf(stderr, "cannot start the simulator world\n");
        return 1;
    }

    QTemporaryDir home;
    testsupport::LocalHttpServer service(testsupport::HttpReply(
        200, R"({"rc":"0","data":[{"customCmd":"a","customName":"https://a","isshow":"1"},)"
             R"({"customCmd":"b","customName":"https://b","isshow":"1"}]})"));
    QFile endpoints(home.path() + "/endpoints.ini");
    endpoints.open(QIODevice::WriteOnly);
    endpoints.write(("[endpoints]\nservice=" + service.Origin() + "\n").c_str());
    endpoints.close();
    ::setenv("VELMORA_HOME", home.path().toUtf8().constData(), 1);

    QApplication app(argc, argv);
    auto config = std::make_shared<CConfig>(home.path() + "/");
    config->Set(ConfigKey::RecognitionEngine, QStringLiteral("ms"));
    auto devices = std::make_unique<CDeviceLink>(config);
    devices->ScanPresentDevices();
    CWndManager wndManager;
    CAudioEndpoints audio;
    CMainWnd::Parts parts;
    parts.config = config;
    parts.devices = devices.get();
    parts.wndManager = &wndManager;
    parts.audioEndpoints = &audio;
    auto window = std::make_unique<CMainWnd>(std::move(parts));
    window->Create(nullptr, QStringLiteral("MainWnd"), ui::WS_CAPTION | ui::WS_SYSMENU, 0);
    QWidget* root = window->GetHWND();
    auto* list = root->findChild<QListWidget*>("cmd_list");
    if (!SpinUntil([list] { return list->count() == 2; }, 30000)) {
        std::fprintf(stderr, "no command list\n");
        return 1;
    }
    service.SetReply(testsupport::HttpReply::Never());

    QElapsedTimer clock;
    qint64 last = -1;
    qint64 lastCpu = 0;
    qint64 longestGap = 0;
    qint64 longestGapCpu = 0;
    qint64 lastDelay = 0;
    qint64 longestGapDelay = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const qint64 cpu = ThreadCpuMs();
        const qint64 delay = ThreadRunDelayMs();
        if (last >= 0 && now - last > longestGap) {
            longestGap = now - last;
            longestGapCpu = cpu - lastCpu;
            longestGapDelay = delay - lastDelay;
        }
        last = now;
        lastCpu = cpu;
        lastDelay = delay;
    });
    clock.start();
    ticker.start(5);
    std::vector<double> clicks;
    for (int round = 0; round < 10; ++round) {
        root->findChild<QLineEdit*>("cmd_edit")->setText(QStringLiteral("词%1").arg(round));
        root->findChild<QLineEdit*>("url_edit")->setText(QStringLiteral("https://x.example/"));
        QElapsedTimer click;
        click.start();
        root->findChild<QPushButton*>("add_cmd_btn")->click();
        clicks.push_back(click.nsecsElapsed() / 1e6);
        click.restart();
        list->itemWidget(list->item(round % 2))->findChild<QPushButton*>("item_del_btn")->click();
        clicks.push_back(click.nsecsElapsed() / 1e6);
        SpinUntil([] { return false; }, 100);
    }
    SpinUntil([] { return false; }, 4000); // the requests run out on their threads
    std::sort(clicks.begin(), clicks.end());
    std::printf("add/delete with a silent command service (%zu clicks)\n", clicks.size());
    std::printf("  click handler: median %.2f ms, max %.2f ms\n", clicks[clicks.size() / 2],
                clicks.back());
    std::printf("  longest event-loop gap: %lld ms; in it the UI thread ran %lld ms and waited "
                "%lld ms for a core (goal: no stall of 50 ms)\n",
                static_cast<long long>(longestGap), static_cast<long long>(longestGapCpu),
                static_cast<long long>(longestGapDelay));

    window.reset();
    devices.reset();
    Json::Value stop;
    stop["op"] = "stop";
    tool.Request(stop);
    int status = 0;
    ::waitpid(world, &status, 0);
    return 0;
}
