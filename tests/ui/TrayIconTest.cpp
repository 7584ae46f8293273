#include "TestWindows.h"

#include "ui/framework/CTrayIcon.h"
#include "ui/framework/SkinIcons.h"
#include "ui/framework/WindowConstants.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(TrayIconTest, MouseEventsReachTheOwnerAsTheTrayMessage) {
    RecordingWnd owner;
    CTrayIcon tray;
    tray.CreateTrayIcon(&owner, ui::kIconOnline, QStringLiteral("Velmora"));
    ASSERT_NE(tray.NativeIcon(), nullptr);

    const struct {
        QSystemTrayIcon::ActivationReason reason;
        intptr_t mouseMessage;
    } cases[] = {{QSystemTrayIcon::Trigger, ui::WM_LBUTTONUP},
                 {QSystemTrayIcon::Context, ui::WM_RBUTTONUP},
                 {QSystemTrayIcon::DoubleClick, ui::WM_LBUTTONDBLCLK},
                 {QSystemTrayIcon::MiddleClick, 0}};
    for (const auto& c : cases)
        emit tray.NativeIcon()->activated(c.reason);
    QTRY_COMPARE_WITH_TIMEOUT(owner.messages.size(), size_t(3), 5000);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(owner.messages[i].msg, 1025u);
        EXPECT_EQ(owner.messages[i].wParam, 0u);
        EXPECT_EQ(owner.messages[i].lParam, cases[i].mouseMessage);
    }
}

TEST(TrayIconTest, IconAndTipChangeAndAGoneOwnerGetsNothing) {
    auto owner = std::make_unique<RecordingWnd>();
    CTrayIcon tray;
    tray.CreateTrayIcon(owner.get(), ui::kIconOnline, QStringLiteral("Velmora"));
    tray.SetIcon(ui::kIconOffline);
    tray.SetTooltipText(QStringLiteral("Velmora offline"));
    EXPECT_EQ(tray.GetIconId(), ui::kIconOffline);
    EXPECT_EQ(tray.NativeIcon()->toolTip(), QStringLiteral("Velmora offline"));
    EXPECT_FALSE(tray.NativeIcon()->icon().isNull()) << "the offline picture is in the skin";

    owner.reset();
    emit tray.NativeIcon()->activated(QSystemTrayIcon::Trigger);
    QCoreApplication::processEvents();
    SUCCEED();
}

TEST(TrayIconTest, IconNumbersMapToSkinPictures) {
    EXPECT_FALSE(SkinIcon(ui::kIconOnline).isNull());
    EXPECT_FALSE(SkinIcon(ui::kIconOffline).isNull());
    EXPECT_TRUE(SkinIcon(999).isNull());
}

} // namespace
