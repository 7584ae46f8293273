#pragma once

#include "platform/IDesktopLauncher.h"

namespace platform::sim {

// Launches nothing: reports each open ("open": target, via) and each program start ("run":
// argv, entry, via) to the simulator and counts it as done.
class SimDesktopLauncher : public IDesktopLauncher {
public:
    bool OpenUrl(const QUrl& url, const QString& via) override;
    bool Run(const QStringList& argv, const QString& entry, const QString& via) override;
};

} // namespace platform::sim
