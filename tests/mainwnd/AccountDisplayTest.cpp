#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "device/CDeviceLink.h"
#include "mainwnd/CMainWnd.h"
#include "service/UserInfo.h"
#include "service/windows/ServiceMessages.h"
#include "sim/SimWorldProcess.h"
#include "speech/CAudioEndpoints.h"
#include "ui/framework/UiLanguage.h"
#include "ui/framework/WindowConstants.h"

#include <QAbstractButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A window that counts how often the sign-in window was asked for.
class CountedDialog : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return QStringLiteral("LoginWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("none.xml"); }
};

class AccountDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        ApplyUiLanguage(QStringLiteral("lan_en"));
        ASSERT_EQ(SimWorldProcess::Run("plug mouse"), 0);
        ASSERT_EQ(SimWorldProcess::Run("plug pen"), 0);
        m_config = std::make_shared<CConfig>(m_dir.path() + "/");
        m_config->Set(ConfigKey::RecognitionEngine, QStringLiteral("ms"));
        m_devices = std::make_unique<CDeviceLink>(m_config);
        m_devices->ScanPresentDevices();
        WindowFactories factories;
        factories.dialogs[DialogWnd::Login] = [this](const DialogRequest&) {
            ++m_signInWindows;
            return new CountedDialog;
        };
        m_wndManager = std::make_unique<CWndManager>(std::move(factories));
        CMainWnd::Parts parts;
        parts.config = m_config;
        parts.devices = m_devices.get();
        parts.wndManager = m_wndManager.get();
        parts.audioEndpoints = &m_endpoints;
        parts.user = m_user;
        m_window = std::make_unique<CMainWnd>(std::move(parts));
        m_window->Create(nullptr, QStringLiteral("MainWnd"), ui::WS_CAPTION | ui::WS_SYSMENU, 0);
    }

    void TearDown() override {
        m_window.reset();
        m_wndManager.reset();
        for (const char* kind : {"mouse", "pen"})
            while (SimWorldProcess::Run(std::string("unplug ") + kind + " 2>/dev/null") == 0) {
            }
    }

    QString ButtonText(const char* name) const {
        return m_window->GetControlText(QLatin1String(name));
    }

    QTemporaryDir m_dir;
    std::shared_ptr<CConfig> m_config;
    std::shared_ptr<UserInfo> m_user = std::make_shared<UserInfo>();
    std::unique_ptr<CDeviceLink> m_devices;
    std::unique_ptr<CWndManager> m_wndManager;
    CAudioEndpoints m_endpoints;
    std::unique_ptr<CMainWnd> m_window;
    int m_signInWindows = 0;
};

// Fault caught: only the current page's button showed the user, and the head button opened a
// second sign-in while someone was signed in.
TEST_F(AccountDisplay, SignedInShowsThePhoneOnEveryInitialisedPageAndBack) {
    const QString signedOut = QStringLiteral("Not signed in");
    EXPECT_EQ(ButtonText("user_btn"), signedOut);
    UserRecord record;
    record.id = 42;
    record.phone = "13800138000";
    m_user->Fill(record);
    m_user->SetSignedIn(true);
    m_window->DeliverCustomMessage(svcmsg::kSignedIn, 0, 0);
    EXPECT_EQ(ButtonText("user_btn"), QStringLiteral("13800138000"));
    EXPECT_EQ(ButtonText("user_btn_lp"), QStringLiteral("13800138000"));
    EXPECT_EQ(ButtonText("user_btn_r"), signedOut); // the recorder's page was never set up

    m_window->FindControlAs<QAbstractButton>(QStringLiteral("head_btn"))->click();
    EXPECT_EQ(m_signInWindows, 0);

    m_user->SetSignedIn(false);
    m_window->DeliverCustomMessage(svcmsg::kSignedOut, 0, 0);
    EXPECT_EQ(ButtonText("user_btn"), signedOut);
    EXPECT_EQ(ButtonText("user_btn_lp"), signedOut);
    m_window->FindControlAs<QAbstractButton>(QStringLiteral("head_btn"))->click();
    EXPECT_EQ(m_signInWindows, 1);
}

} // namespace
