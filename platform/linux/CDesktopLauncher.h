#pragma once

#include "platform/IDesktopLauncher.h"

namespace platform {

// The desktop's own handlers for addresses (QDesktopServices, on the UI thread, as Qt asks)
// and detached processes started from an argument vector, in the home folder.
class CDesktopLauncher : public IDesktopLauncher {
public:
    bool OpenUrl(const QUrl& url, const QString& via) override;
    bool Run(const QStringList& argv, const QString& entry, const QString& via) override;
};

} // namespace platform
