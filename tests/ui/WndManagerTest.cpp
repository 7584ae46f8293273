#include "TestWindows.h"

#include "app/CTrayMenu.h"
#include "app/CWndManager.h"
#include "app/FloatingWindowInterfaces.h"
#include "ui/framework/UiLanguage.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

// A tiny dialog over the test skin.
class TestDialog : public RecordingWnd {};

// A floating window that takes notices.
class NoticeWnd : public RecordingWnd, public INoticeWindow {
public:
    void ShowNotice(int id) override {
        notices.push_back(id);
        onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    }
    std::vector<int> notices;
    bool onUiThread = false;
};

TEST(WndManagerTest, ForwardingToAbsentWindowsDoesNothing) {
    CWndManager manager{WindowFactories()};
    manager.ShowVoiceTip(0, QString(), true, 1000);
    manager.HideVoiceTip();
    manager.ShowNotice(4);
    manager.ShowTranslation(QStringLiteral("x"), true);
    manager.ShowIcon(0, 1, 2, QStringLiteral("w"));
    manager.HideIconIfPointerOutside();
    manager.ShowGetWord(1, 2, QStringLiteral("w"));
    manager.ShowSubtitle();
    manager.AddSubtitleText(QStringLiteral("t"));
    manager.StartSubtitleHideTimer();
    manager.MoveLaser(1, 2);
    manager.HideLaser();
    manager.UpdateMagnifier();
    manager.HideMagnifier();
    manager.ApplyMagnifierZoom();
    EXPECT_FALSE(manager.OpenDialog(DialogWnd::Set));
    EXPECT_EQ(manager.Dialog(DialogWnd::Set), nullptr);
}

TEST(WndManagerTest, FloatingWindowsAreMadeHiddenAndTakeCallsFromAnyThread) {
    WindowFactories factories;
    factories.floating[FloatingWnd::Tip] = [] { return new NoticeWnd; };
    CWndManager manager(factories);
    auto* tip = dynamic_cast<NoticeWnd*>(manager.FloatingWindow(FloatingWnd::Tip));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->GetWindowName(), QStringLiteral("TipWnd"));
    EXPECT_FALSE(tip->IsVisible());
    EXPECT_EQ(manager.FloatingWindow(FloatingWnd::VoiceTip), nullptr);

    std::thread engine([&manager] { manager.ShowNotice(5); });
    engine.join();
    QTRY_COMPARE_WITH_TIMEOUT(tip->notices.size(), size_t(1), 5000);
    EXPECT_EQ(tip->notices[0], 5);
    EXPECT_TRUE(tip->onUiThread);
}

TEST(WndManagerTest, ASecondRequestBringsTheDialogForwardAndAClosedOneIsMadeAgain) {
    int made = 0;
    WindowFactories factories;
    factories.dialogs[DialogWnd::Help] = [&made](const DialogRequest&) {
        ++made;
        return new TestDialog;
    };
    CWndManager manager(factories);
    ASSERT_TRUE(manager.OpenDialog(DialogWnd::Help));
    WindowImplBase* first = manager.Dialog(DialogWnd::Help);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->IsVisible());
    EXPECT_EQ(first->GetWindowName(), QStringLiteral("HelpWnd"));

    first->ShowWindow(false);
    ASSERT_TRUE(manager.OpenDialog(DialogWnd::Help));
    EXPECT_EQ(made, 1);
    EXPECT_EQ(manager.Dialog(DialogWnd::Help), first);
    EXPECT_TRUE(first->IsVisible()) << "brought forward again";

    first->Close();
    FlushDeferredDeletes();
    FlushDeferredDeletes();
    EXPECT_EQ(manager.Dialog(DialogWnd::Help), nullptr);
    ASSERT_TRUE(manager.OpenDialog(DialogWnd::Help));
    EXPECT_EQ(made, 2);
}

// What the title bar's close button and Alt+F4 deliver: a close event to the native window.
void CloseFromTheDesktop(WindowImplBase& window) {
    QWidget* widget = window.GetHWND();
    ASSERT_NE(widget, nullptr);
    ASSERT_NE(widget->windowHandle(), nullptr);
    QCloseEvent close;
    QCoreApplication::sendEvent(widget->windowHandle(), &close);
    FlushDeferredDeletes();
    FlushDeferredDeletes();
}

// Fault caught: the title bar's close destroyed the main window and the floating windows, so
// the tray showed an empty shell and forwarded calls went nowhere.
TEST(WndManagerTest, ACloseFromTheDesktopOnlyHidesTheWindowsThatLiveAsLongAsTheProgram) {
    WindowFactories factories;
    factories.floating[FloatingWnd::Tip] = [] { return new NoticeWnd; };
    factories.dialogs[DialogWnd::Help] = [](const DialogRequest&) { return new TestDialog; };
    CWndManager manager(factories);
    RecordingWnd mainWnd;
    mainWnd.SetHideOnClose(true);
    ASSERT_NE(mainWnd.Create(nullptr, QStringLiteral("MainWnd"), 0, 0), nullptr);
    ASSERT_TRUE(manager.OpenDialog(DialogWnd::Help));

    const struct {
        const char* name;
        std::function<WindowImplBase*()> window;
        bool survives;
    } cases[] = {
        {"main window", [&] { return &mainWnd; }, true},
        {"floating window", [&] { return manager.FloatingWindow(FloatingWnd::Tip); }, true},
        {"dialog", [&] { return manager.Dialog(DialogWnd::Help); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowImplBase* window = c.window();
        ASSERT_NE(window, nullptr);
        window->ShowWindow(true);
        CloseFromTheDesktop(*window);
        const bool alive = c.window() != nullptr && c.window()->GetHWND() != nullptr;
        ASSERT_EQ(alive, c.survives);
        if (!alive)
            continue;
        EXPECT_FALSE(window->IsVisible());
        window->ShowWindow(true); // the tray click
        EXPECT_TRUE(window->IsVisible());
    }
    EXPECT_EQ(mainWnd.finals, 0);

    // Shown again, the main window's chooser still reports a new choice.
    ASSERT_TRUE(mainWnd.AddListItem(QStringLiteral("lang_com"), {QStringLiteral("a"), "A", 0}));
    ASSERT_TRUE(mainWnd.AddListItem(QStringLiteral("lang_com"), {QStringLiteral("b"), "B", 1}));
    mainWnd.notes.clear();
    ASSERT_TRUE(mainWnd.SelectListItem(QStringLiteral("lang_com"), 1));
    ASSERT_FALSE(mainWnd.notes.empty());
    EXPECT_EQ(mainWnd.notes.back().sType, QStringLiteral("itemselect"));
    EXPECT_EQ(mainWnd.notes.back().senderName, QStringLiteral("lang_com"));
    // The floating window still takes forwarded calls.
    manager.ShowNotice(6);
    auto* tip = dynamic_cast<NoticeWnd*>(manager.FloatingWindow(FloatingWnd::Tip));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->notices, std::vector<int>{6});
}

// Fault caught: the menu was placed from the screen width alone, so it went above the top of
// the screen, under a top panel, or onto the first monitor when the tray was on a second one.
TEST(WndManagerTest, TrayMenuStaysInsideTheUsableAreaOfTheScreenUnderThePointer) {
    const QRect fullHd(0, 0, 1920, 1080);
    const QSize menu(90, 60);
    const struct {
        const char* name;
        QPoint cursor;
        QRect available;
        QSize menuSize;
        QPoint expected;
    } cases[] = {
        {"bottom right corner", {1915, 1070}, fullHd, menu, {1820, 1006}},
        {"middle", {1820, 500}, fullHd, menu, {1820, 436}},
        {"near the top", {10, 40}, fullHd, menu, {10, 0}},
        {"tray in a top panel", {1900, 10}, {0, 32, 1920, 1048}, menu, {1820, 32}},
        {"bottom panel", {1900, 1075}, {0, 0, 1920, 1040}, menu, {1820, 980}},
        {"menu wider than the margin", {1915, 500}, fullHd, {150, 60}, {1770, 436}},
        {"second monitor on the right", {3190, 1010}, {1920, 0, 1280, 1024}, menu, {3100, 946}},
        {"second monitor above", {500, -1070}, {0, -1080, 1920, 1080}, menu, {500, -1080}},
        {"no screen known", {1915, 40}, QRect(), menu, {1915, -24}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CTrayMenu::MenuPosition(c.cursor, c.available, c.menuSize), c.expected);
    }

    CWndManager manager{WindowFactories()};
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();
    const QPoint cursor(available.right() - 2, available.top() + 10);
    manager.ShowTrayMenu(cursor);
    ASSERT_NE(manager.TrayMenu(), nullptr);
    QWidget* shown = manager.TrayMenu()->GetHWND();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(available.contains(shown->geometry()));
    EXPECT_EQ(shown->pos(), CTrayMenu::MenuPosition(cursor, available, shown->size()));
}

TEST(WndManagerTest, TrayMenuShowsItsTextsAndClosesWhenItLosesTheFocus) {
    ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_en")));
    CWndManager manager{WindowFactories()};
    manager.ShowTrayMenu(QPoint(100, 200));
    CTrayMenu* menu = manager.TrayMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetControlText(QStringLiteral("exit_btn")), QStringLiteral("Exit"));
    EXPECT_EQ(menu->GetControlText(QStringLiteral("set_btn")), QStringLiteral("Settings"));

    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(menu->GetHWND(), &deactivate);
    EXPECT_FALSE(menu->IsVisible());
    FlushDeferredDeletes();
    FlushDeferredDeletes();
    EXPECT_EQ(manager.TrayMenu(), nullptr);
}

TEST(WndManagerTest, TrayMenuButtonsOpenDialogsAndRecordHelpUsage) {
    std::vector<std::pair<int, QString>> usage;
    int settingsMade = 0;
    WindowFactories factories;
    factories.dialogs[DialogWnd::Set] = [&](const DialogRequest&) {
        ++settingsMade;
        return new TestDialog;
    };
    CWndManager manager(factories);
    manager.SetUsageRecorder(
        [&usage](int kind, const QString& info) { usage.emplace_back(kind, info); });

    manager.ShowTrayMenu(QPoint(100, 200));
    manager.TrayMenu()->FindControlAs<QAbstractButton>(QStringLiteral("set_btn"))->click();
    EXPECT_EQ(settingsMade, 1);
    EXPECT_NE(manager.Dialog(DialogWnd::Set), nullptr);
    EXPECT_FALSE(manager.TrayMenu()->IsVisible()) << "closes after a click";

    manager.ShowTrayMenu(QPoint(100, 200));
    manager.TrayMenu()->FindControlAs<QAbstractButton>(QStringLiteral("help_btn"))->click();
    ASSERT_EQ(usage.size(), 1u);
    EXPECT_EQ(usage[0].first, 27);
    EXPECT_EQ(usage[0].second, QStringLiteral("用户点击软件帮助栏目"));
    EXPECT_EQ(manager.Dialog(DialogWnd::Help), nullptr) << "no help dialog class: nothing opens";
}

TEST(WndManagerTest, ExitButtonEndsTheMessageLoop) {
    CWndManager manager{WindowFactories()};
    manager.ShowTrayMenu(QPoint(100, 200));
    bool timedOut = false;
    QTimer::singleShot(0, [&manager] {
        manager.TrayMenu()->FindControlAs<QAbstractButton>(QStringLiteral("exit_btn"))->click();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::quit();
    });
    guard.start(10000);
    QCoreApplication::exec();
    EXPECT_FALSE(timedOut);
}

TEST(WndManagerTest, RestartButtonStartsTheRestartScript) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString marker = home.filePath(QStringLiteral("restarted"));
    QFile script(home.filePath(QStringLiteral("restart.sh")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("echo \"$0\" > '%1'\n").arg(marker).toUtf8());
    script.close();
    const QByteArray previous = qgetenv("VELMORA_HOME");
    qputenv("VELMORA_HOME", home.path().toUtf8());

    CWndManager manager{WindowFactories()};
    manager.ShowTrayMenu(QPoint(100, 200));
    manager.TrayMenu()->FindControlAs<QAbstractButton>(QStringLiteral("reset_btn"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);

    if (previous.isEmpty())
        qunsetenv("VELMORA_HOME");
    else
        qputenv("VELMORA_HOME", previous);
}

} // namespace
