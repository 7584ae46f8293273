#pragma once

#include <QString>

// Process-wide parts of the window framework: the resource folder and the message loop.
class CPaintManagerUI {
public:
    // The folder of pictures that are not compiled in (downloaded contact pictures...).
    static void SetResourcePath(const QString& path);
    static QString GetResourcePath();

    // Runs the UI thread's loop until QCoreApplication::quit(); hidden windows keep it alive.
    static int MessageLoop();
    // Releases the framework's process-wide state after the loop.
    static void Term();
};
