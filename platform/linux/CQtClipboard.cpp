#include "platform/linux/CQtClipboard.h"

#include "platform/linux/UiThreadCall.h"

#include <QClipboard>
#include <QGuiApplication>

namespace platform {

namespace {
constexpr std::chrono::milliseconds kUiThreadWait{2000};
}

bool CQtClipboard::SetText(const QString& text) {
    return RunOnUiThread(
        [text]() {
            if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
                return false;
            QClipboard* clipboard = QGuiApplication::clipboard();
            if (!clipboard)
                return false;
            clipboard->setText(text, QClipboard::Clipboard);
            // Taking the selection can fail (another owner, no display); the text read back
            // then differs.
            return clipboard->text(QClipboard::Clipboard) == text;
        },
        kUiThreadWait);
}

} // namespace platform
