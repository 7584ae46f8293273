#include "platform/linux/CQtClipboard.h"

#include "platform/linux/CTaskReceiver.h"
#include "platform/linux/ClipboardReadWatch.h"
#include "platform/linux/UiThreadCall.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMetaObject>
#include <QThread>

#include <vector>

namespace platform {

namespace {

constexpr std::chrono::milliseconds kUiThreadWait{2000};

bool OnUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// A watch outliving its application stays here: its filter list is gone with the application,
// and removing it later from a dead event dispatcher is not safe.
void KeepForProcessLifetime(std::shared_ptr<ClipboardReadWatch> watch) {
    static auto* const kept = new std::vector<std::shared_ptr<ClipboardReadWatch>>;
    kept->push_back(std::move(watch));
}

} // namespace

CQtClipboard::CQtClipboard() : m_watch(std::make_shared<ClipboardReadWatch>()) {}

CQtClipboard::~CQtClipboard() {
    // The watch is an event filter of the UI thread; it leaves the filter list (its base class
    // destructor) on that thread only.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        KeepForProcessLifetime(std::move(m_watch));
        return;
    }
    if (OnUiThread())
        return;
    CTaskReceiver::Post(UiThreadReceiver(),
                        [watch = std::move(m_watch)]() mutable { watch.reset(); });
}

bool CQtClipboard::SetText(const QString& text) {
    return RunOnUiThread(
        [text, watch = m_watch]() {
            if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
                return false;
            QClipboard* clipboard = QGuiApplication::clipboard();
            if (!clipboard)
                return false;
            // Reads are counted from the first content on (on X11; elsewhere no paste waits).
            watch->InstallOnUiThread();
            clipboard->setText(text, QClipboard::Clipboard);
            // Taking the selection can fail (another owner, no display); the text read back
            // then differs.
            return clipboard->text(QClipboard::Clipboard) == text;
        },
        kUiThreadWait);
}

std::uint64_t CQtClipboard::ReadsSoFar() {
    return m_watch->Reads();
}

bool CQtClipboard::WaitForReadBeyond(std::uint64_t reads, std::chrono::milliseconds limit) {
    if (OnUiThread())
        return !m_watch->IsInstalled() || m_watch->Reads() > reads;
    return m_watch->WaitForReadBeyond(reads, limit);
}

} // namespace platform
