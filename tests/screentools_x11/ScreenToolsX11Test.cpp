// The dot and the lens as the X server shows them: the root window is read back after each is
// shown, and their pixels must sit exactly where the pointer puts them, at any scale factor.
#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "platform/linux/CX11Screen.h"
#include "screentools/CImageWnd.h"
#include "screentools/ScreenToolWindows.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>
#include <QtMath>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

constexpr int kWaitMs = 5000;
constexpr QRgb kRed = 0xFFFF0000;

bool X11Session() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

template <typename Done> bool PumpUntil(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kWaitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The real screen, with a pointer the test places.
class PlacedPointerScreen : public platform::CX11Screen {
public:
    QPoint pointer;
    std::optional<QPoint> CursorPosition() override { return pointer; }
};

// Covers the screen with a picture whose every screen pixel differs from its neighbours:
// red = x mod 256, green = y mod 256.
class PatternWindow : public QWidget {
public:
    PatternWindow() {
        setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        const qreal ratio = devicePixelRatioF();
        m_picture = QImage(1920, 1080, QImage::Format_RGB32);
        for (int y = 0; y < m_picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(m_picture.scanLine(y));
            for (int x = 0; x < m_picture.width(); ++x)
                line[x] = qRgb(x % 256, y % 256, 64);
        }
        m_picture.setDevicePixelRatio(ratio);
        setGeometry(0, 0, qCeil(1920 / ratio), qCeil(1080 / ratio));
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, m_picture); }

private:
    QImage m_picture;
};

class ScreenToolsX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!X11Session())
            GTEST_SKIP() << "no X server";
        config = std::make_shared<CConfig>(m_dir.path() + QLatin1Char('/'));
        WindowFactories factories;
        ScreenToolLinks links;
        links.config = config;
        links.screen = screen;
        RegisterScreenToolWindows(factories, links);
        windows = std::make_unique<CWndManager>(std::move(factories));
    }

    // The screen once the pixel at `at` is `colour` (or, with changed, is no longer it), or
    // after the wait.
    QImage ScreenOnce(const QPoint& at, QRgb colour, bool changed = false) {
        QImage shot;
        PumpUntil([&] {
            shot = screen->Grab();
            return !shot.isNull() && (shot.pixel(at) == colour) != changed;
        });
        return shot;
    }

    QTemporaryDir m_dir;
    std::shared_ptr<CConfig> config;
    std::shared_ptr<PlacedPointerScreen> screen = std::make_shared<PlacedPointerScreen>();
    std::unique_ptr<CWndManager> windows;
};

TEST_F(ScreenToolsX11Test, DotIsTheEllipseOfItsColourRoundThePointerPixel) {
    config->SetLpColor(QString::number(kRed));
    windows->MoveLaser(501, 301);
    const QImage shot = ScreenOnce(QPoint(501, 301), kRed);
    ASSERT_FALSE(shot.isNull());
    const QRegion expected = QRegion(0, 0, 49, 49, QRegion::Ellipse).translated(501 - 24, 301 - 24);
    int mismatches = 0;
    for (int y = 301 - 30; y <= 301 + 30; ++y) {
        for (int x = 501 - 30; x <= 501 + 30; ++x) {
            const bool red = shot.pixel(x, y) == kRed;
            if (red != expected.contains(QPoint(x, y)))
                ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0) << "pixels where the dot is not its ellipse at (477, 277)";
    windows->HideLaser();
}

TEST_F(ScreenToolsX11Test, LensSitsCentredOnThePointerPixelAndEnlargesWhatWasBeneath) {
    PatternWindow pattern;
    pattern.show();
    const QImage before = ScreenOnce(QPoint(1001, 501), qRgb(1001 % 256, 501 % 256, 64));
    ASSERT_EQ(before.pixel(1001, 501), qRgb(1001 % 256, 501 % 256, 64)) << "pattern not shown";

    screen->pointer = QPoint(1001, 501);
    windows->UpdateMagnifier();
    auto* lensWnd = dynamic_cast<CImageWnd*>(windows->FloatingWindow(FloatingWnd::Magnifier));
    ASSERT_NE(lensWnd, nullptr);
    const QRectF area = lensWnd->ShownArea();
    ASSERT_EQ(area, QRectF(926, 456, 150, 90));
    const QImage shot = ScreenOnce(QPoint(851, 411), before.pixel(851, 411), true);
    // Just outside the lens the screen is as it was; just inside it is the enlarged area.
    EXPECT_EQ(shot.pixel(850, 411), before.pixel(850, 411));
    EXPECT_EQ(shot.pixel(851, 410), before.pixel(851, 410));
    EXPECT_EQ(shot.pixel(1151, 591), before.pixel(1151, 591));
    for (const QPoint& inLens : {QPoint(0, 0), QPoint(150, 90), QPoint(299, 179)}) {
        const QPoint source = (area.topLeft() + QPointF(inLens) / 2).toPoint();
        const QRgb seen = shot.pixel(QPoint(851, 411) + inLens);
        EXPECT_NEAR(qRed(seen), qRed(before.pixel(source)), 2) << inLens.x() << "," << inLens.y();
        EXPECT_NEAR(qGreen(seen), qGreen(before.pixel(source)), 2)
            << inLens.x() << "," << inLens.y();
    }
    windows->HideMagnifier();
}

} // namespace
