// The laser dot as a window: its place, shape and colour, and the colour texts it refuses.
#include "support/LogCapture.h"

#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "screentools/CLPWnd.h"
#include "screentools/ScreenToolWindows.h"

#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

class DotWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        config = std::make_shared<CConfig>(m_dir.path() + QLatin1Char('/'));
        WindowFactories factories;
        ScreenToolLinks links;
        links.config = config;
        RegisterScreenToolWindows(factories, links);
        manager = std::make_unique<CWndManager>(std::move(factories));
        dot = dynamic_cast<CLPWnd*>(manager->FloatingWindow(FloatingWnd::Laser));
        ASSERT_NE(dot, nullptr);
    }

    QRect Shown() const { return dot->GetHWND()->geometry(); }
    QRgb CentreColour() const {
        return dot->GetHWND()->grab().toImage().pixel(CLPWnd::kDotOffset, CLPWnd::kDotOffset);
    }

    QTemporaryDir m_dir;
    std::shared_ptr<CConfig> config;
    std::unique_ptr<CWndManager> manager;
    CLPWnd* dot = nullptr;
};

TEST_F(DotWindowTest, MadeHiddenAsAClickThroughTopMostWindowThatNeverTakesTheFocus) {
    EXPECT_EQ(dot->GetWindowName(), QStringLiteral("LpWnd"));
    EXPECT_EQ(dot->GetHWND()->windowTitle(), QStringLiteral("LpWnd"));
    EXPECT_FALSE(dot->IsVisible());
    const Qt::WindowFlags flags = dot->GetHWND()->windowFlags();
    for (Qt::WindowType flag :
         {Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint, Qt::X11BypassWindowManagerHint,
          Qt::WindowTransparentForInput, Qt::WindowDoesNotAcceptFocus})
        EXPECT_TRUE(flags.testFlag(flag)) << flag;
}

TEST_F(DotWindowTest, DotIsCentredOnThePointerInTheDefaultColourAndRound) {
    manager->MoveLaser(500, 300);
    ASSERT_TRUE(dot->IsVisible());
    EXPECT_EQ(Shown(), QRect(476, 276, 49, 49));
    EXPECT_EQ(dot->Colour(), 0xFF92A300u);
    EXPECT_EQ(CentreColour(), 0xFF92A300u);
    // The shape is the inscribed ellipse: the centre is in it, the corners are not.
    const QRegion shape = dot->GetHWND()->mask();
    EXPECT_TRUE(shape.contains(QPoint(24, 24)));
    EXPECT_TRUE(shape.contains(QPoint(24, 1)));
    EXPECT_FALSE(shape.contains(QPoint(1, 1)));
    EXPECT_FALSE(shape.contains(QPoint(47, 47)));

    manager->MoveLaser(10, 20);
    EXPECT_EQ(Shown(), QRect(-14, -4, 49, 49));
    manager->HideLaser();
    EXPECT_FALSE(dot->IsVisible());
}

TEST_F(DotWindowTest, APickedColourShowsAtTheNextMove) {
    manager->MoveLaser(500, 300);
    config->SetLpColor(QStringLiteral("4278190335")); // 0xFF0000FF
    manager->MoveLaser(500, 300);
    EXPECT_EQ(dot->Colour(), 0xFF0000FFu);
    EXPECT_EQ(CentreColour(), 0xFF0000FFu);
}

TEST_F(DotWindowTest, ASkinWithoutTheDotControlShowsNothing) {
    class BareDot : public CLPWnd {
    public:
        using CLPWnd::CLPWnd;
        QString GetSkinFile() const override { return QStringLiteral("no-such-skin.xml"); }
    };
    WindowFactories factories;
    factories.floating[FloatingWnd::Laser] = [this] { return new BareDot(config); };
    CWndManager bare(std::move(factories));
    bare.MoveLaser(500, 300);
    EXPECT_FALSE(bare.FloatingWindow(FloatingWnd::Laser)->IsVisible());
}

class LoggedDotTest : public DotWindowTest {
protected:
    QStringList Warnings() const { return m_log.Warnings(); }
    LogCapture m_log;
};

TEST_F(LoggedDotTest, AColourTextThatIsNoColourKeepsTheColourAndIsLoggedOnce) {
    config->SetLpColor(QStringLiteral("4278190335"));
    manager->MoveLaser(500, 300);
    const char* const refused[] = {"abc", "", "99999999999"};
    for (const char* bad : refused) {
        config->SetLpColor(QString::fromLatin1(bad));
        // Sixty ticks a second read it: one line for each text, not one per tick.
        for (int tick = 0; tick < 5; ++tick)
            manager->MoveLaser(500 + tick, 300);
        EXPECT_EQ(dot->Colour(), 0xFF0000FFu) << bad;
        EXPECT_TRUE(dot->IsVisible()) << bad;
    }
    const QStringList warnings = Warnings();
    ASSERT_EQ(warnings.size(), 3) << warnings.join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(warnings[i].contains(QStringLiteral("\"%1\"").arg(refused[i])))
            << warnings[i].toStdString();
}

} // namespace
