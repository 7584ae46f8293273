#pragma once

#include "platform/OpenTarget.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

// The last step of OpenTarget: hand an address to the desktop or start a program. The real
// back end does it; the simulator's only reports it. Called on any thread.
class IDesktopLauncher {
public:
    virtual ~IDesktopLauncher() = default;

    // True when the desktop took the address.
    virtual bool OpenUrl(const QUrl& url, const QString& via) = 0;
    // argv[0] is an absolute program path; entry is the desktop file it came from, or empty.
    // True when the process started.
    virtual bool Run(const QStringList& argv, const QString& entry, const QString& via) = 0;
};

// The process-wide launcher: the simulator's when one is attached.
IDesktopLauncher& DesktopLauncher();

// OpenTarget with a given launcher (tests hand in a recording one).
OpenResult OpenTargetWith(IDesktopLauncher& launcher, const QString& target, const QString& via,
                          const OpenPolicy& policy);

} // namespace platform
