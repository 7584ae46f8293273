// Velmora's entry point: the command line first (answered without a display or the
// single-instance lock), then the Qt application object (every window and timer needs it),
// then the application object, whose start-up may decide that this process ends at once.
#include "platform/TerminationSignals.h"
#include "velmora/CApp.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage: velmora [--help | --version]\n"
    "Desktop companion of the Velmora voice mice and pens: lives in the notification area,\n"
    "records the microphone while a voice key is held and types the recognised text.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "\n"
    "Environment: VELMORA_HOME (program home folder), VELMORA_DEBUG=1 (debug texts on\n"
    "standard error), VELMORA_SIMULATOR=SOCKET (use the velmora-sim device simulator).\n"
    "See velmora(1).\n";

enum class CommandLineAction { Run, Help, Version, Invalid };

CommandLineAction ParseCommandLine(int argc, char** argv, const char** offending) {
    if (argc < 2)
        return CommandLineAction::Run;
    *offending = argv[argc > 2 ? 2 : 1];
    if (argc > 2)
        return CommandLineAction::Invalid;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
        return CommandLineAction::Help;
    if (std::strcmp(argv[1], "--version") == 0)
        return CommandLineAction::Version;
    return CommandLineAction::Invalid;
}

int RunApplication(int argc, char** argv) {
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

} // namespace

int main(int argc, char** argv) {
    const char* offending = nullptr;
    switch (ParseCommandLine(argc, argv, &offending)) {
    case CommandLineAction::Help:
        std::fputs(kUsage, stdout);
        return 0;
    case CommandLineAction::Version:
        std::printf("Velmora %s\n", VELMORA_VERSION);
        return 0;
    case CommandLineAction::Invalid:
        std::fprintf(stderr, "velmora: unknown option '%s'\n%s", offending, kUsage);
        return kUsageError;
    case CommandLineAction::Run:
        break;
    }
    return RunApplication(argc, argv);
}
