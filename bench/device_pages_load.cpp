// Loading both device settings pages (the mouse's and the pen's) when every language section
// of languages.ini holds 300 lines: the time from the first look-up to the last control shown,
// per load of the two pages together. The window is made from the main window's skin once;
// each round loads both pages again, as the first sight of each device does.
#include "app/CConfig.h"
#include "mainwnd/CMousePage.h"
#include "mainwnd/CPenPage.h"
#include "ui/framework/WindowImplBase.h"

#include "BenchStats.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

constexpr int kLines = 300;
constexpr int kRounds = 200;

// CPU time of this thread: the figure that a loaded machine does not stretch.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

class PagesWnd : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("MainWnd.xml"); }
};

void WriteLanguages(const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    for (const char* section : {"recognition_xf_lans", "translate_baidu_lans"}) {
        file.write(QByteArray("[") + section + "]\n");
        for (int i = 0; i < kLines; ++i)
            file.write(QStringLiteral("c%1=Language %1 语言\n").arg(i).toUtf8());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    WriteLanguages(dir.filePath("languages.ini"));
    QFile custom(dir.filePath("custom.ini"));
    custom.open(QIODevice::WriteOnly);
    // The stored codes are near the end of their lists: the search runs through them.
    custom.write("[recognition]\nengine=xf\nlanguage=c290\nlp_language=c299\n"
                 "[translate]\nlanguage=c100\nlp_language=c101\n");
    custom.close();
    auto config = std::make_shared<CConfig>(dir.path() + "/");

    PagesWnd wnd;
    wnd.Create(nullptr, QStringLiteral("MainWnd"), 0, 0);
    CDevicePage::Links links;
    links.config = config;
    CMousePage mouse(wnd, links);
    CPenPage pen(wnd, links);

    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = ThreadCpuMs();
        mouse.Load();
        pen.Load();
        cpuTimes.push_back(ThreadCpuMs() - cpuStart);
        times.push_back(clock.nsecsElapsed() / 1e6);
        // What the pages queued for the event loop is part of the work, outside the figure.
        QApplication::processEvents();
    }
    const auto* list = wnd.FindControlAs<QComboBox>(QStringLiteral("iat_lang_com"));
    std::printf("recognition list: %d items, current %s; %d-line sections\n", list->count(),
                qPrintable(list->currentData().toString()), kLines);
    PrintFigures("both pages loaded (wall)", times);
    PrintFigures("both pages loaded (thread CPU)", cpuTimes);
    return 0;
}
