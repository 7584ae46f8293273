#include "ServiceWindowsFixture.h"

#include "platform/AutoStart.h"
#include "service/windows/CColorPalette.h"
#include "service/windows/CColorWnd.h"
#include "service/windows/CCommonWnd.h"
#include "service/windows/CFreebackWnd.h"
#include "service/windows/CHelpWnd.h"
#include "service/windows/CSetWnd.h"
#include "service/windows/ServiceMessages.h"
#include "ui/framework/UiLanguage.h"

#include <QComboBox>
#include <QLabel>

namespace {

using SettingsWindowsTest = ServiceWindowsTest;

class AutoStartHome {
public:
    AutoStartHome() {
        m_previous = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }
    ~AutoStartHome() { qputenv("XDG_CONFIG_HOME", m_previous); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

std::vector<int> Kinds(const std::vector<UsageRecord>& usage) {
    std::vector<int> kinds;
    for (const UsageRecord& record : usage)
        kinds.push_back(record.kind);
    return kinds;
}

// Fault caught: the combined window recorded usage events the settings window alone sends.
TEST_F(SettingsWindowsTest, AutoStartBoxesSwitchTheEntryAndOnlyTheSettingsWindowRecordsIt) {
    AutoStartHome xdg;
    const platform::AutoStart entry(m_config->GetChannelName());
    m_config->SetAutoRun(QStringLiteral("off"));
    CSetWnd* set = Open(new CSetWnd(m_links));
    EXPECT_FALSE(set->GetCheck(QStringLiteral("autorun_box")));
    EXPECT_TRUE(m_usage.empty()); // showing the state is no toggle
    Click(*set, "autorun_box");
    EXPECT_EQ(entry.State(), platform::AutoStart::EntryState::Current);
    EXPECT_EQ(m_config->GetAutoRun(), QStringLiteral("on"));
    Click(*set, "autorun_box");
    EXPECT_EQ(entry.State(), platform::AutoStart::EntryState::Missing);
    EXPECT_EQ(m_config->GetAutoRun(), QStringLiteral("off"));
    EXPECT_EQ(Kinds(m_usage), (std::vector<int>{svcusage::kAutoStartOn, svcusage::kAutoStartOff}));
    EXPECT_EQ(m_usage[0].first, QStringLiteral("开启开机自启"));

    m_usage.clear();
    CCommonWnd* common = Open(new CCommonWnd(m_links));
    Click(*common, "autorun_box");
    EXPECT_EQ(entry.State(), platform::AutoStart::EntryState::Current);
    EXPECT_EQ(m_config->GetAutoRun(), QStringLiteral("on"));
    EXPECT_TRUE(m_usage.empty());
}

TEST_F(SettingsWindowsTest, LanguageListOffersTheCodesAndAChoiceAppliesOne) {
    QFile::copy(QStringLiteral(VELMORA_SOURCE_DIR "/skin/languages.ini"),
                m_config->GetLanguagesIniPath());
    m_config->SetUiLanguage(QStringLiteral("lan_jp"));
    CSetWnd* set = Open(new CSetWnd(m_links));
    const QString list = QStringLiteral("ui_com");
    ASSERT_EQ(set->GetListCount(list), 4);
    EXPECT_EQ(set->GetListItem(list, 1).name, QStringLiteral("lan_en"));
    EXPECT_EQ(set->GetListItem(list, 1).text, QStringLiteral("English"));
    EXPECT_EQ(set->GetListCurSel(list), set->FindListItem(list, QStringLiteral("lan_jp")));
    EXPECT_TRUE(m_usage.empty());

    set->FindControlAs<QComboBox>(list)->setCurrentIndex(1);
    EXPECT_EQ(m_config->GetUiLanguage(), QStringLiteral("lan_en"));
    EXPECT_EQ(set->GetControlText(QStringLiteral("autorun_box")),
              QStringLiteral("Start with the desktop"));
    EXPECT_EQ(m_mainReloads, 1);
    ASSERT_EQ(m_usage.size(), 1u);
    EXPECT_EQ(m_usage[0].kind, svcusage::kUiLanguage);
    EXPECT_EQ(m_usage[0].first, QStringLiteral("切换界面显示语言"));
    EXPECT_EQ(m_usage[0].second, QStringLiteral("lan_en"));
    ApplyUiLanguage(QStringLiteral("lan_cn"));
}

TEST_F(SettingsWindowsTest, SignInButtonSignsOutOrOpensTheSignInWindowAndCloses) {
    m_user->SetSignedIn(true);
    QPointer<CSetWnd> set = Open(new CSetWnd(m_links));
    Click(*set, "login_btn");
    EXPECT_FALSE(m_user->IsSignedIn());
    EXPECT_EQ(m_posted, std::vector<unsigned>{svcmsg::kSignedOut});
    ASSERT_TRUE(WaitUntil([&] { return set.isNull(); }));

    set = Open(new CSetWnd(m_links));
    Click(*set, "login_btn");
    EXPECT_EQ(m_opened, std::vector<DialogWnd>{DialogWnd::Login});
    ASSERT_TRUE(WaitUntil([&] { return set.isNull(); }));
}

// Fault caught: the stand-alone form sent the pen's identifiers, the combined one none.
TEST_F(SettingsWindowsTest, FeedbackFormsSendTheChosenDevicesIdentifiers) {
    m_config->SetLpVid(QStringLiteral("B75C"));
    m_config->SetLpPid(QStringLiteral("A217"));
    m_config->SetLpSn(QStringLiteral("PEN1"));
    Service().SetReply(testsupport::HttpReply(200, "{}"));
    QPointer<CFreebackWnd> freeback = Open(new CFreebackWnd(m_links));
    EXPECT_EQ(freeback->GetListItem(QStringLiteral("device_com"), 0).name, QStringLiteral("mouse"));
    freeback->SelectListItem(QStringLiteral("device_com"), 1);
    Type(*freeback, "content_edit", QStringLiteral("x y"));
    Type(*freeback, "tel_edit", QStringLiteral("1"));
    Click(*freeback, "submit_btn");
    ASSERT_TRUE(WaitUntil([&] { return freeback.isNull(); })); // closes once the service took it
    const std::string free = RequestsTo("/api/freeback.json").at(0).body;
    EXPECT_EQ(free.rfind("devType=lp&content=x%20y&phone=1&channelName=", 0), 0u) << free;

    CCommonWnd* common = Open(new CCommonWnd(m_links));
    common->SelectListItem(QStringLiteral("device_com"), 1);
    Type(*common, "content_edit", QStringLiteral("c"));
    Type(*common, "tel_edit", QStringLiteral("2"));
    Click(*common, "submit_btn");
    ASSERT_TRUE(WaitUntil([] {
        for (const ShownBox& box : ShownMessageBoxes()) {
            if (box.text == QLatin1String("Success!") && box.caption.isEmpty())
                return true;
        }
        return false;
    }));
    const std::string body = RequestsTo("/api/addUserFeedback.json").at(0).body;
    EXPECT_EQ(body.rfind("devType=lp&content=c&phone=2&vid=B75C&pid=A217&sn=PEN1&channelName=", 0),
              0u)
        << body;
    EXPECT_EQ(Kinds(m_usage), (std::vector<int>{svcusage::kFeedback, svcusage::kFeedback}));
}

TEST_F(SettingsWindowsTest, EmptyFeedbackIsRefusedWithItsCaption) {
    CFreebackWnd* freeback = Open(new CFreebackWnd(m_links));
    Type(*freeback, "content_edit", QStringLiteral("only content"));
    Click(*freeback, "submit_btn");
    ASSERT_TRUE(WaitUntil([] { return ShownMessageBoxes().size() == 1; }));
    EXPECT_EQ(ShownMessageBoxes()[0].text, QStringLiteral("内容或手机号不能为空"));
    EXPECT_EQ(ShownMessageBoxes()[0].caption, QStringLiteral("提示"));
    EXPECT_TRUE(m_usage.empty());
    EXPECT_TRUE(freeback->IsVisible());
}

TEST_F(SettingsWindowsTest, APickedColourGoesToItsPurposesKeyOnly) {
    const QString subtitle = m_config->GetLpSubtitleColor();
    CColorWnd* laser = Open(new CColorWnd(m_links, CColorWnd::kLaserColour));
    ASSERT_NE(laser->Palette(), nullptr);
    EXPECT_EQ(laser->FindControl(QStringLiteral("Pallet")), laser->Palette());
    laser->Palette()->PickColor(0xFF00FF00u);
    EXPECT_EQ(m_config->GetLpColor(), QStringLiteral("4278255360"));
    EXPECT_EQ(m_config->GetLpSubtitleColor(), subtitle);

    CColorWnd* font = Open(new CColorWnd(m_links, CColorWnd::kSubtitleColour));
    const QString laserColour = m_config->GetLpColor();
    font->Palette()->PickColor(0x80123456u);
    EXPECT_EQ(m_config->GetLpSubtitleColor(), QStringLiteral("2148676694"));
    EXPECT_EQ(m_config->GetLpColor(), laserColour);
    EXPECT_EQ(m_posted, (std::vector<unsigned>{svcmsg::kLaserColour, svcmsg::kSubtitleColour}));
}

TEST_F(SettingsWindowsTest, HelpLinkOpensTheWebSiteInTheBrowser) {
    CHelpWnd* help = Open(new CHelpWnd(m_links));
    auto* link = help->FindControlAs<QLabel>(QStringLiteral("contact_browser"));
    ASSERT_NE(link, nullptr);
    emit link->linkActivated(QStringLiteral("http://web.test"));
    EXPECT_EQ(m_targets, std::vector<QString>{QStringLiteral("help http://web.test")});
}

} // namespace
