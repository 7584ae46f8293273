// Entry point of the output tests. The X11 tests need Qt on the test X server: only there is
// the clipboard the one other programs paste from. Without a reachable display Qt runs
// offscreen and those tests skip.
#include "platform/linux/CX11Keyboard.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QByteArray testDisplay = qgetenv("VELMORA_TEST_DISPLAY");
    if (!testDisplay.isEmpty())
        qputenv("DISPLAY", testDisplay);
    const bool displayReachable =
        !qEnvironmentVariableIsEmpty("DISPLAY") && platform::CX11Keyboard().IsAvailable();
    qputenv("QT_QPA_PLATFORM", displayReachable ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
