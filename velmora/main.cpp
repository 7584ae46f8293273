// Velmora's entry point: the Qt application object first (every window and timer needs it),
// then the application object, whose start-up may decide that this process ends at once.
#include "platform/TerminationSignals.h"
#include "velmora/CApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Without a display the program still serves its devices, recognition and simulator; its
    // windows are then drawn off screen instead of ending the process.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt 6 always scales for high DPI; whole-number factors keep the pixel skins sharp, as the
    // program has always drawn them.
    QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication qtApp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    platform::TerminationSignals terminationSignals;
    CApp app;
    if (!app.Startup())
        return 0;
    return app.Run();
}
