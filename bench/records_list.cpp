// Scans a folder of pen recordings (default 1,000 files of 30 s) into the records page and
// prints how long after the scan's end message the local list held every record with the rows
// in view made, the largest gap of a 10 ms UI-thread timer from the scan's start to then, and
// the longest step of scrolling through the whole list a page at a time (the rows coming into
// view are made on the way).
//   bench_records_list [files] [seconds per file]
#include "records/CRecordCalls.h"
#include "records/CRecordStore.h"
#include "records/CRecordsTab.h"
#include "records/RecordMessages.h"
#include "service/UserInfo.h"
#include "ui/framework/WindowImplBase.h"
#include "ui/framework/WindowMessage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <opus/opus.h>

#include <cmath>
#include <cstdio>

namespace {

class PageWindow : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("MainWnd.xml"); }

    std::unique_ptr<CRecordsTab> tab;
    qint64 scanEndedAt = -1;
    QElapsedTimer* clock = nullptr;

protected:
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t, bool& handled) override {
        if (msg == recmsg::kLocalRecordsChanged)
            scanEndedAt = clock->nsecsElapsed();
        handled = tab && tab->HandleMessage(msg, wParam);
        return 0;
    }
};

QByteArray PenFile(int seconds) {
    int error = 0;
    OpusEncoder* encoder = opus_encoder_create(16000, 1, OPUS_APPLICATION_VOIP, &error);
    opus_encoder_ctl(encoder, OPUS_SET_BITRATE(16000));
    opus_encoder_ctl(encoder, OPUS_SET_VBR(0));
    QByteArray bytes;
    opus_int16 pcm[320];
    unsigned char packet[40];
    for (int p = 0; p < seconds * 50; ++p) {
        for (int i = 0; i < 320; ++i)
            pcm[i] = static_cast<opus_int16>(6000 * std::sin((p * 320 + i) * 0.03));
        if (opus_encode(encoder, pcm, 320, packet, sizeof(packet)) == 40)
            bytes.append(reinterpret_cast<const char*>(packet), 40);
    }
    opus_encoder_destroy(encoder);
    return bytes;
}

// Every row that lies in the list's viewport has its widget.
bool RowsInViewMade(QListWidget& list) {
    const QRect view = list.viewport()->rect();
    for (int row = 0; row < list.count(); ++row) {
        QListWidgetItem* entry = list.item(row);
        if (list.visualItemRect(entry).intersects(view) && list.itemWidget(entry) == nullptr)
            return false;
    }
    return true;
}

// Scrolls from the top to the bottom a page at a time; the longest step in ms.
double LongestScrollStep(QApplication& app, QListWidget& list) {
    QScrollBar* bar = list.verticalScrollBar();
    bar->setValue(0);
    app.processEvents();
    QElapsedTimer step;
    qint64 longest = 0;
    while (bar->value() < bar->maximum()) {
        step.start();
        bar->setValue(bar->value() + bar->pageStep());
        app.processEvents();
        longest = std::max(longest, step.nsecsElapsed());
    }
    return longest / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    QTemporaryDir dir;
    const QString pen = dir.filePath(QStringLiteral("pen"));
    QDir().mkpath(pen);
    const QByteArray recording = PenFile(seconds);
    for (int i = 0; i < files; ++i) {
        QFile file(pen + QStringLiteral("/REC%1.opus").arg(i, 4, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(recording) != recording.size())
            return 1;
    }

    QElapsedTimer clock;
    PageWindow window;
    window.clock = &clock;
    window.Create(nullptr, QStringLiteral("MainWnd"), 0, 0);
    CRecordStore::Links storeLinks;
    storeLinks.scanFinished = [&window] {
        PostMessage(&window, recmsg::kLocalRecordsChanged, 0, 0);
    };
    auto store = std::make_shared<CRecordStore>(std::move(storeLinks));
    CRecordCalls::Links callLinks;
    CRecordCalls::UseStore(callLinks, store);
    CRecordsTab::Links links;
    links.store = store;
    links.calls = std::make_shared<CRecordCalls>("http://127.0.0.1:9", std::move(callLinks));
    links.user = std::make_shared<UserInfo>();
    window.tab = std::make_unique<CRecordsTab>(window, std::move(links));
    window.tab->InitRecorderPage();
    window.SetControlVisible(QStringLiteral("login_c"), true);
    window.SelectTabPage(QStringLiteral("main_tablayout"), 2); // the recording pen's page
    window.ShowWindow(true, false);
    auto* list = window.FindControlAs<QListWidget>(QStringLiteral("record_local_list"));

    qint64 lastTick = -1;
    qint64 largestGap = 0;
    qint64 listedAt = -1;
    double scrollStep = -1;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0)
            largestGap = std::max(largestGap, now - lastTick);
        lastTick = now;
        if (window.scanEndedAt >= 0 && list && list->count() == files &&
            window.IsControlVisible(QStringLiteral("scan_btn")) && RowsInViewMade(*list)) {
            listedAt = now;
            ticker.stop();
            // Quitting closes the window: the list is scrolled through before.
            QTimer::singleShot(0, [&] {
                scrollStep = LongestScrollStep(app, *list);
                app.quit();
            });
        }
    });
    clock.start();
    ticker.start();
    window.SetControlText(QStringLiteral("opus_path_edit"), pen);
    window.SetControlText(QStringLiteral("wav_path_edit"), dir.filePath(QStringLiteral("out")));
    QTimer::singleShot(0, [&] { window.tab->OnClick(QStringLiteral("scan_btn"), nullptr); });
    app.exec();

    std::printf("scan of %d files of %d s: %.2f s\n", files, seconds, window.scanEndedAt / 1e9);
    std::printf("listed %d records %.1f ms after the scan's end message (target < 500)\n",
                list ? list->count() : 0, (listedAt - window.scanEndedAt) / 1e6);
    std::printf("largest UI-thread timer gap: %.1f ms (10 ms timer, target < 50)\n",
                largestGap / 1e6);
    std::printf("scrolling through the list a page at a time: longest step %.1f ms\n",
                scrollStep);
    return 0;
}
