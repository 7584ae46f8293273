#include "service/windows/CSetWnd.h"

#include "app/CConfig.h"
#include "platform/ProgramHome.h"
#include "service/UserInfo.h"
#include "service/windows/ServiceMessages.h"
#include "service/windows/SettingsControls.h"

namespace {
const QString kPages = QStringLiteral("set_tablayout");

QString ContactPicture(const QString& file) {
    return platform::ProgramHome() + QStringLiteral("skin/Orvanta/contact/") + file;
}
} // namespace

CSetWnd::CSetWnd(ServiceWindowLinks links) : m_links(std::move(links)) {}

void CSetWnd::InitWindow() {
    SelectTabPage(kPages, 0);
    const bool signedIn = m_links.user && m_links.user->IsSignedIn();
    SetControlText(QStringLiteral("login_btn"),
                   signedIn ? QStringLiteral("id_software_settings_window_set_logout_text")
                            : QStringLiteral("id_software_settings_window_set_login_text"));
    settingscontrols::ShowAutoStart(*this, m_links);
    settingscontrols::FillUiLanguageList(*this, m_links);
    if (m_links.config)
        SetControlText(QStringLiteral("version_lab"), m_links.config->GetVersion());
    SetBkImage(QStringLiteral("public_img"), ContactPicture(QStringLiteral("public.png")));
    SetBkImage(QStringLiteral("contact_img"), ContactPicture(QStringLiteral("contact.png")));
}

void CSetWnd::Notify(const TNotifyUI& msg) {
    if (msg.sType == ui::notify::kSelectChanged) {
        const bool checked = msg.wParam != 0;
        if (msg.senderName == QLatin1String("autorun_box"))
            OnAutoStartToggled(checked);
        else if (msg.senderName == QLatin1String("user_opt") && checked)
            SelectTabPage(kPages, 0);
        else if (msg.senderName == QLatin1String("common_opt") && checked)
            SelectTabPage(kPages, 1);
        else if (msg.senderName == QLatin1String("about_opt") && checked)
            SelectTabPage(kPages, 2);
        return;
    }
    if (msg.sType == ui::notify::kItemSelect && msg.senderName == QLatin1String("ui_com")) {
        settingscontrols::ApplyChosenUiLanguage(*this, m_links, static_cast<int>(msg.wParam));
        return;
    }
    WindowImplBase::Notify(msg);
}

void CSetWnd::OnAutoStartToggled(bool on) {
    settingscontrols::ApplyAutoStart(m_links, on);
    if (!m_links.recordUsage)
        return;
    if (on)
        m_links.recordUsage(svcusage::kAutoStartOn, QStringLiteral("开启开机自启"), QString());
    else
        m_links.recordUsage(svcusage::kAutoStartOff, QStringLiteral("关闭开机自启"), QString());
}

void CSetWnd::OnClick(const TNotifyUI& msg) {
    if (msg.senderName == QLatin1String("login_btn")) {
        OnSignInButton();
    } else if (msg.senderName == QLatin1String("update_btn")) {
        if (m_links.startUpdateCheck)
            m_links.startUpdateCheck();
    } else if (msg.senderName == QLatin1String("close_btn")) {
        Close();
    }
}

void CSetWnd::OnSignInButton() {
    if (m_links.user && m_links.user->IsSignedIn()) {
        if (m_links.postToMainWindow)
            m_links.postToMainWindow(svcmsg::kSignedOut);
        m_links.user->SetSignedIn(false);
    } else if (m_links.openDialog) {
        m_links.openDialog(DialogWnd::Login, DialogRequest());
    }
    Close();
}
