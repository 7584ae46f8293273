// Messages 1154/1155 and timers 1/2 of the main window: the pen's laser dot and magnifier lens
// switched on and off, and the pointer given back whatever happens.
#include "support/FakeDesktopScreen.h"

#include "app/CWndManager.h"
#include "app/FloatingWindowInterfaces.h"
#include "mainwnd/CScreenToolSwitch.h"
#include "ui/framework/WindowImplBase.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class RecordingDot : public WindowImplBase, public ILaserWindow {
public:
    QString GetWindowClassName() const override { return QStringLiteral("LPWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("none.xml"); }
    void MoveDot(int x, int y) override { moves.emplace_back(x, y); }
    void HideDot() override { ++hides; }
    std::vector<QPoint> moves;
    int hides = 0;
};

class RecordingLens : public WindowImplBase, public IMagnifierWindow {
public:
    QString GetWindowClassName() const override { return QStringLiteral("MagWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("none.xml"); }
    void UpdateLens() override { ++updates; }
    void HideLens() override { ++hides; }
    bool ApplyZoom() override { return true; }
    int updates = 0;
    int hides = 0;
};

// Stands in for the main window: owns the timers and hands their ticks over.
class HostWnd : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return QStringLiteral("HostWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("none.xml"); }
    CScreenToolSwitch* tools = nullptr;

protected:
    void OnTimer(unsigned id) override {
        if (tools)
            tools->OnTimer(id);
    }
};

class ScreenToolSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        WindowFactories factories;
        factories.floating[FloatingWnd::Laser] = [] { return new RecordingDot; };
        factories.floating[FloatingWnd::Magnifier] = [] { return new RecordingLens; };
        windows = std::make_unique<CWndManager>(std::move(factories));
        dot = dynamic_cast<RecordingDot*>(windows->FloatingWindow(FloatingWnd::Laser));
        lens = dynamic_cast<RecordingLens*>(windows->FloatingWindow(FloatingWnd::Magnifier));
        ASSERT_TRUE(dot && lens);
        tools = std::make_unique<CScreenToolSwitch>(host, *windows, screen);
        host.tools = tools.get();
    }
    void TearDown() override {
        host.tools = nullptr;
        tools.reset();
    }

    bool LaserTimer() const { return host.HasTimer(CScreenToolSwitch::kLaserTimer); }
    bool LensTimer() const { return host.HasTimer(CScreenToolSwitch::kLensTimer); }

    std::shared_ptr<FakeDesktopScreen> screen = std::make_shared<FakeDesktopScreen>();
    HostWnd host;
    std::unique_ptr<CWndManager> windows;
    RecordingDot* dot = nullptr;
    RecordingLens* lens = nullptr;
    std::unique_ptr<CScreenToolSwitch> tools;
};

TEST_F(ScreenToolSwitchTest, LaserOnHidesThePointerAndItsTimerMovesTheDotToThePointer) {
    EXPECT_FALSE(LaserTimer());
    tools->OnLaserMessage(1);
    EXPECT_TRUE(LaserTimer());
    EXPECT_EQ(screen->pointerCalls, std::vector<bool>{false});

    screen->cursor = QPoint(500, 300);
    QTRY_VERIFY(!dot->moves.empty());
    EXPECT_EQ(dot->moves.back(), QPoint(500, 300));
    EXPECT_EQ(lens->updates, 0);

    tools->OnLaserMessage(2);
    EXPECT_FALSE(LaserTimer());
    EXPECT_EQ(screen->pointerCalls, (std::vector<bool>{false, true}));
    EXPECT_EQ(dot->hides, 1);
}

TEST_F(ScreenToolSwitchTest, TwoLaserOnKeysAndOneOffGiveThePointerBack) {
    tools->OnLaserMessage(1);
    tools->OnLaserMessage(1);
    tools->OnLaserMessage(2);
    EXPECT_EQ(screen->pointerCalls, (std::vector<bool>{false, true}));
    EXPECT_FALSE(tools->IsPointerHidden());
    EXPECT_FALSE(LaserTimer());
}

TEST_F(ScreenToolSwitchTest, OtherValuesDoNothing) {
    for (uintptr_t wParam : {0u, 3u, 255u}) {
        tools->OnLaserMessage(wParam);
        tools->OnMagnifierMessage(wParam);
    }
    EXPECT_FALSE(LaserTimer());
    EXPECT_FALSE(LensTimer());
    EXPECT_TRUE(screen->pointerCalls.empty());
    EXPECT_EQ(dot->hides, 0);
    EXPECT_EQ(lens->hides, 0);
    EXPECT_EQ(lens->updates, 0);
}

TEST_F(ScreenToolSwitchTest, MagnifierOnShowsTheLensAtOnceAndItsTimerKeepsItUpdated) {
    tools->OnMagnifierMessage(1);
    EXPECT_TRUE(LensTimer());
    EXPECT_EQ(lens->updates, 1);
    QTRY_VERIFY(lens->updates >= 3);
    EXPECT_TRUE(screen->pointerCalls.empty());

    // A second on while shown restarts nothing (the lens keeps its snapshot).
    const int before = lens->updates;
    tools->OnMagnifierMessage(1);
    EXPECT_EQ(lens->updates, before);

    tools->OnMagnifierMessage(2);
    EXPECT_FALSE(LensTimer());
    EXPECT_EQ(lens->hides, 1);
    // Off while off only hides again.
    tools->OnMagnifierMessage(2);
    EXPECT_EQ(lens->hides, 2);
}

TEST_F(ScreenToolSwitchTest, SwitchOffEndsBothToolsAndShowsThePointer) {
    tools->OnLaserMessage(1);
    tools->OnMagnifierMessage(1);
    tools->SwitchOff();
    EXPECT_FALSE(LaserTimer());
    EXPECT_FALSE(LensTimer());
    EXPECT_EQ(screen->pointerCalls, (std::vector<bool>{false, true}));
    EXPECT_GE(dot->hides, 1);
    EXPECT_GE(lens->hides, 1);
}

TEST_F(ScreenToolSwitchTest, ThePointerComesBackWhenTheSwitchGoes) {
    tools->OnLaserMessage(1);
    host.tools = nullptr;
    tools.reset();
    EXPECT_EQ(screen->pointerCalls, (std::vector<bool>{false, true}));
    EXPECT_FALSE(LaserTimer());
}

TEST_F(ScreenToolSwitchTest, ADesktopThatCannotHideThePointerStillGetsTheDot) {
    screen->pointerControl = false;
    tools->OnLaserMessage(1);
    EXPECT_TRUE(LaserTimer());
    EXPECT_FALSE(tools->IsPointerHidden());
    tools->OnLaserMessage(2);
    // Nothing was hidden, so nothing is shown.
    EXPECT_EQ(screen->pointerCalls, std::vector<bool>{false});
}

TEST_F(ScreenToolSwitchTest, AnUnreadablePointerMovesNothing) {
    screen->cursor = std::nullopt;
    tools->OnLaserMessage(1);
    EXPECT_TRUE(tools->OnTimer(CScreenToolSwitch::kLaserTimer));
    EXPECT_TRUE(dot->moves.empty());
    EXPECT_GE(screen->cursorReads, 1);
}

} // namespace
