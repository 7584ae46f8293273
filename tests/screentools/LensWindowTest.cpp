// The magnifier lens as a window: where it shows, what it shows, when it grabs the screen and
// how it takes zoom texts.
#include "support/FakeDesktopScreen.h"
#include "support/LogCapture.h"

#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "screentools/CImageWnd.h"
#include "screentools/ScreenToolWindows.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A screen picture whose every pixel tells where it is: red = x / 8, green = y / 8, blue = 255
// on the even 8 x 8 cells. Any misplaced source area shows in the colours.
QImage PatternScreen() {
    QImage picture(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = qRgb((x / 8) % 256, (y / 8) % 256, ((x / 8 + y / 8) % 2) * 255);
    }
    return picture;
}

class LensWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        config = std::make_shared<CConfig>(m_dir.path() + QLatin1Char('/'));
        screen->picture = PatternScreen();
        WindowFactories factories;
        ScreenToolLinks links;
        links.config = config;
        links.screen = screen;
        RegisterScreenToolWindows(factories, links);
        manager = std::make_unique<CWndManager>(std::move(factories));
        lensWnd = dynamic_cast<CImageWnd*>(manager->FloatingWindow(FloatingWnd::Magnifier));
        ASSERT_NE(lensWnd, nullptr);
    }

    QRect Shown() const { return lensWnd->GetHWND()->geometry(); }
    QImage Face() const { return lensWnd->GetHWND()->grab().toImage(); }

    QTemporaryDir m_dir;
    std::shared_ptr<CConfig> config;
    std::shared_ptr<FakeDesktopScreen> screen = std::make_shared<FakeDesktopScreen>();
    std::unique_ptr<CWndManager> manager;
    CImageWnd* lensWnd = nullptr;
};

TEST_F(LensWindowTest, MadeHiddenAsAClickThroughTopMostWindowThatNeverTakesTheFocus) {
    EXPECT_EQ(lensWnd->GetWindowName(), QStringLiteral("MagWnd"));
    EXPECT_FALSE(lensWnd->IsVisible());
    const Qt::WindowFlags flags = lensWnd->GetHWND()->windowFlags();
    for (Qt::WindowType flag :
         {Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint, Qt::X11BypassWindowManagerHint,
          Qt::WindowTransparentForInput, Qt::WindowDoesNotAcceptFocus})
        EXPECT_TRUE(flags.testFlag(flag)) << flag;
    EXPECT_FLOAT_EQ(lensWnd->Zoom(), 2.0f);
    EXPECT_EQ(screen->grabs, 0);
}

TEST_F(LensWindowTest, FirstUpdateGrabsOnceAndCentresTheLensOnThePointer) {
    screen->cursor = QPoint(1000, 500);
    manager->UpdateMagnifier();
    ASSERT_TRUE(lensWnd->IsVisible());
    EXPECT_EQ(Shown(), QRect(850, 410, 300, 180));
    EXPECT_EQ(lensWnd->ShownArea(), QRectF(925, 455, 150, 90));
    EXPECT_EQ(screen->grabs, 1);

    // Later ticks follow the pointer from the same snapshot.
    screen->cursor = QPoint(1200, 700);
    manager->UpdateMagnifier();
    manager->UpdateMagnifier();
    EXPECT_EQ(Shown(), QRect(1050, 610, 300, 180));
    EXPECT_EQ(screen->grabs, 1);

    // Hidden and shown again: a new snapshot, as the screen may have changed meanwhile.
    manager->HideMagnifier();
    EXPECT_FALSE(lensWnd->IsVisible());
    manager->HideMagnifier();
    EXPECT_FALSE(lensWnd->IsVisible());
    manager->UpdateMagnifier();
    EXPECT_EQ(screen->grabs, 2);
}

TEST_F(LensWindowTest, FaceIsTheAreaAroundThePointerEnlargedByTheZoom) {
    for (const char* zoomText : {"2.0f", "4"}) {
        config->SetLpMultiple(QString::fromLatin1(zoomText));
        ASSERT_TRUE(lensWnd->ApplyZoom());
        const float zoom = lensWnd->Zoom();
        screen->cursor = QPoint(1000, 500);
        manager->UpdateMagnifier();
        const QImage face = Face().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(face.size(), QSize(300, 180));
        const QRectF area = lensWnd->ShownArea();
        // Cell centres well inside a cell, where smoothing cannot blur the colour.
        for (const QPoint& lensPixel : {QPoint(150, 90), QPoint(20, 20), QPoint(280, 160)}) {
            const QPointF source = area.topLeft() + QPointF(lensPixel) / zoom;
            const QRgb expected = screen->picture.pixel(source.toPoint());
            const QRgb seen = face.pixel(lensPixel);
            EXPECT_NEAR(qRed(seen), qRed(expected), 2) << zoomText << " at " << lensPixel.x();
            EXPECT_NEAR(qGreen(seen), qGreen(expected), 2) << zoomText << " at " << lensPixel.x();
        }
        manager->HideMagnifier();
    }
}

TEST_F(LensWindowTest, BeyondTheScreenEdgeAndAfterAFailedGrabTheLensIsBlack) {
    screen->cursor = QPoint(0, 0);
    manager->UpdateMagnifier();
    QImage face = Face().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(face.pixel(10, 10), qRgb(0, 0, 0));   // above-left of the screen
    EXPECT_NE(face.pixel(290, 170), qRgb(0, 0, 0)); // the screen's corner
    manager->HideMagnifier();

    screen->picture = QImage();
    screen->cursor = QPoint(800, 400);
    manager->UpdateMagnifier();
    ASSERT_TRUE(lensWnd->IsVisible());
    face = Face().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(face.pixel(150, 90), qRgb(0, 0, 0));
}

TEST_F(LensWindowTest, AnUnreadablePointerLeavesTheLensAsItIs) {
    screen->cursor = std::nullopt;
    manager->UpdateMagnifier();
    EXPECT_FALSE(lensWnd->IsVisible());
    EXPECT_EQ(screen->grabs, 0);

    screen->cursor = QPoint(600, 300);
    manager->UpdateMagnifier();
    screen->cursor = std::nullopt;
    manager->UpdateMagnifier();
    EXPECT_TRUE(lensWnd->IsVisible());
    EXPECT_EQ(Shown(), QRect(450, 210, 300, 180));
}

class LoggedLensTest : public LensWindowTest {
protected:
    QStringList Warnings() const { return m_log.Warnings(); }
    LogCapture m_log;
};

TEST_F(LoggedLensTest, AZoomTextThatCannotMagnifyKeepsTheLastZoomAndIsLogged) {
    config->SetLpMultiple(QStringLiteral("3"));
    ASSERT_TRUE(lensWnd->ApplyZoom());
    const char* const refused[] = {"0", "-2", "abc", "1e9", "nan"};
    for (const char* bad : refused) {
        config->SetLpMultiple(QString::fromLatin1(bad));
        EXPECT_FALSE(lensWnd->ApplyZoom()) << bad;
        EXPECT_FLOAT_EQ(lensWnd->Zoom(), 3.0f) << bad;
    }
    screen->cursor = QPoint(1000, 500);
    manager->UpdateMagnifier();
    EXPECT_EQ(lensWnd->ShownArea(), QRectF(950, 470, 100, 60));
    const QStringList warnings = Warnings();
    ASSERT_EQ(warnings.size(), 5) << warnings.join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(warnings[i].contains(QStringLiteral("\"%1\"").arg(refused[i])))
            << warnings[i].toStdString();
}

TEST_F(LensWindowTest, ANewZoomShowsAtTheNextTickWithoutANewSnapshot) {
    screen->cursor = QPoint(1000, 500);
    manager->UpdateMagnifier();
    EXPECT_EQ(lensWnd->ShownArea(), QRectF(925, 455, 150, 90));

    config->SetLpMultiple(QStringLiteral("4"));
    manager->ApplyMagnifierZoom();
    EXPECT_FLOAT_EQ(lensWnd->Zoom(), 4.0f);
    manager->UpdateMagnifier();
    EXPECT_EQ(lensWnd->ShownArea(), QRectF(963, 478, 75, 45));
    EXPECT_EQ(Shown(), QRect(850, 410, 300, 180));
    EXPECT_EQ(screen->grabs, 1);
}

} // namespace
