// Entry point: Qt runs on xcb against the test X server (VELMORA_TEST_DISPLAY), so this program
// has X windows of its own; without that server Qt runs offscreen and the tests skip.
#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QByteArray display = qgetenv("VELMORA_TEST_DISPLAY");
    if (display.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("DISPLAY", display);
    }
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
