// Entry point of the X11 screen tool tests: Qt on the test X server. Without a reachable
// display the tests skip.
#include "platform/linux/CX11Screen.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QByteArray testDisplay = qgetenv("VELMORA_TEST_DISPLAY");
    if (!testDisplay.isEmpty())
        qputenv("DISPLAY", testDisplay);
    const bool displayReachable =
        !qEnvironmentVariableIsEmpty("DISPLAY") && !platform::CX11Screen().ScreenSize().isEmpty();
    qputenv("QT_QPA_PLATFORM", displayReachable ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
