#include "TestWindows.h"

#include "ui/framework/CResourceManager.h"
#include "ui/framework/UiLanguage.h"

#include <gtest/gtest.h>

namespace {

struct LanguageCase {
    const char* setting;
    const char* code;
    const char* exitText;
};

TEST(ResourceManagerTest, EachUiLanguageSelectsItsTable) {
    const LanguageCase cases[] = {
        {"lan_cn", "cn_zh", "退出"},
        {"lan_en", "en", "Exit"},
        {"lan_jp", "jp", "終了"},
        {"lan_cht", "cht", "退出"},
    };
    CResourceManager& resources = CResourceManager::Instance();
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(c.setting);
        ASSERT_TRUE(ApplyUiLanguage(QString::fromUtf8(c.setting)));
        EXPECT_EQ(resources.GetLanguage(), QString::fromUtf8(c.code));
        EXPECT_EQ(resources.GetText(QStringLiteral("id_tray_menu_exit")),
                  QString::fromUtf8(c.exitText));
    }
    EXPECT_EQ(resources.GetText(QStringLiteral("id_unknown")), QString());
}

TEST(ResourceManagerTest, AnUnknownLanguageOrABrokenTableChangesNothing) {
    CResourceManager& resources = CResourceManager::Instance();
    ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_jp")));
    for (const char* setting : {"lan_xx", "", "jp", "LAN_EN"})
        EXPECT_FALSE(ApplyUiLanguage(QString::fromUtf8(setting))) << setting;
    EXPECT_FALSE(resources.LoadLanguage(QStringLiteral("lan_missing.xml")));
    EXPECT_FALSE(resources.LoadLanguageData("<Language><Text id=\"id_tray_menu_exit\">Bye"));
    EXPECT_FALSE(resources.LoadLanguageData("<Other/>"));
    EXPECT_EQ(resources.GetLanguage(), QStringLiteral("jp"));
    EXPECT_EQ(resources.GetText(QStringLiteral("id_tray_menu_exit")), QStringLiteral("終了"));
}

// Fault caught: an unlisted uiLanguage at start-up loaded no table at all, and every skin text
// showed as its bare "id_..." identifier; a table lacking an id showed the id too.
TEST(ResourceManagerTest, AnUnlistedLanguageAtStartUpShowsTheDefaultLanguagesTexts) {
    CResourceManager& resources = CResourceManager::Instance();
    for (const char* setting : {"lan_xx", "", "LAN_EN", "jp", "lan_en "}) {
        SCOPED_TRACE(setting);
        resources.Clear(); // a fresh start
        EXPECT_FALSE(ApplyUiLanguage(QString::fromUtf8(setting)));
        EXPECT_EQ(resources.GetText(QStringLiteral("id_tray_menu_exit")), QStringLiteral("退出"));
        RecordingWnd wnd;
        ASSERT_NE(wnd.Create(nullptr, QStringLiteral("TestWnd"), 0, 0), nullptr);
        EXPECT_EQ(wnd.GetControlText(QStringLiteral("title_lab")), QStringLiteral("退出"));
    }

    // A table without an id borrows the default language's text for it.
    ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_en")));
    ASSERT_TRUE(resources.LoadLanguageData(
        "<Language code=\"en\"><Text id=\"id_tray_menu_help\">Help</Text></Language>"));
    EXPECT_EQ(resources.GetText(QStringLiteral("id_tray_menu_help")), QStringLiteral("Help"));
    EXPECT_EQ(resources.GetText(QStringLiteral("id_tray_menu_exit")), QStringLiteral("退出"));
    ASSERT_TRUE(ApplyUiLanguage(QStringLiteral("lan_en")));
}

TEST(ResourceManagerTest, TrayMenuTextsExistInEveryLanguage) {
    CResourceManager& resources = CResourceManager::Instance();
    for (const char* setting : {"lan_en", "lan_cn", "lan_jp", "lan_cht"}) {
        ASSERT_TRUE(ApplyUiLanguage(QString::fromUtf8(setting)));
        for (const char* id : {"id_tray_menu_settings", "id_tray_menu_feedback",
                               "id_tray_menu_help", "id_tray_menu_restart", "id_tray_menu_exit"})
            EXPECT_FALSE(resources.GetText(QString::fromUtf8(id)).isEmpty())
                << setting << " " << id;
    }
}

} // namespace
