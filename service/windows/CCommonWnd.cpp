#include "service/windows/CCommonWnd.h"

#include "app/CConfig.h"
#include "platform/ProgramHome.h"
#include "service/Endpoints.h"
#include "service/UserInfo.h"
#include "service/windows/AccountForms.h"
#include "service/windows/CAreaWnd.h"
#include "service/windows/CReplyMailbox.h"
#include "service/windows/FeedbackForm.h"
#include "service/windows/ServiceMessages.h"
#include "service/windows/SettingsControls.h"
#include "ui/framework/MessageBox.h"

#include <QCursor>
#include <QLineEdit>

namespace {
constexpr unsigned kRegisterTimer = 1;
constexpr unsigned kCodeTimer = 2;
const QString kPages = QStringLiteral("commom_layout");
const QString kUserPages = QStringLiteral("user_layout");

void ShowNotice(const QString& text) {
    ui::ShowMessageBox(nullptr, text, QString(), ui::MessageBoxButtons::Ok,
                       ui::MessageBoxIcon::None);
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}
} // namespace

CCommonWnd::CCommonWnd(ServiceWindowLinks links)
    : m_links(std::move(links)), m_serviceBase(GetEndpoints().service),
      m_mailbox(std::make_shared<CReplyMailbox>(this)),
      m_countryCodes(std::make_shared<accountcalls::CountryCodes>()),
      m_registerCountdown(*this, QStringLiteral("reg_getcode_btn"), kRegisterTimer),
      m_codeCountdown(*this, QStringLiteral("code_getcode_btn"), kCodeTimer) {}

CCommonWnd::~CCommonWnd() {
    m_mailbox->Close();
}

void CCommonWnd::InitWindow() {
    SelectTabPage(kPages, 0);
    ShowUserPage();
    LoadSavedCredentials();
    settingscontrols::ShowAutoStart(*this, m_links);
    settingscontrols::FillUiLanguageList(*this, m_links);
    feedbackform::FillDeviceList(*this);
    if (m_links.config)
        SetControlText(QStringLiteral("version_lab"), m_links.config->GetVersion());
    SetBkImage(QStringLiteral("contact_img"),
               platform::ProgramHome() + QStringLiteral("skin/Orvanta/contact/contact.png"));
    accountcalls::StartCountryCodeFetch(m_serviceBase, m_countryCodes, m_mailbox);
}

void CCommonWnd::ShowUserPage() {
    const bool signedIn = m_links.user && m_links.user->IsSignedIn();
    SelectTabPage(kUserPages, signedIn ? kSignedInPage : 0);
    if (signedIn)
        SetControlText(QStringLiteral("user_phone_lab"),
                       QString::fromStdString(m_links.user->Record().phone));
}

void CCommonWnd::LoadSavedCredentials() {
    if (!m_links.config || m_links.config->GetUserRemember() != QLatin1String("on"))
        return;
    SetControlText(QStringLiteral("pw_tel_edit"), m_links.config->GetUserName());
    // Straight into the edit: a password is never reported as a control text.
    if (auto* edit = FindControlAs<QLineEdit>(QStringLiteral("pw_pw_edit")))
        edit->setText(m_links.config->GetUserPassword());
    SetCheck(QStringLiteral("rem_box"), true);
}

void CCommonWnd::Notify(const TNotifyUI& msg) {
    if (msg.sType == ui::notify::kSelectChanged) {
        OnSelectChanged(msg.senderName, msg.wParam != 0);
        return;
    }
    if (msg.sType == ui::notify::kItemSelect && msg.senderName == QLatin1String("ui_com")) {
        settingscontrols::ApplyChosenUiLanguage(*this, m_links, static_cast<int>(msg.wParam));
        return;
    }
    WindowImplBase::Notify(msg);
}

void CCommonWnd::OnSelectChanged(const QString& name, bool checked) {
    static const QString kPageOptions[] = {QStringLiteral("user_opt"), QStringLiteral("app_opt"),
                                           QStringLiteral("feedback_opt"),
                                           QStringLiteral("about_opt")};
    for (int page = 0; page < 4; ++page) {
        if (name == kPageOptions[page]) {
            if (checked)
                SelectTabPage(kPages, page);
            return;
        }
    }
    if (name == QLatin1String("rem_box") && m_links.config)
        m_links.config->SetUserRemember(checked ? QStringLiteral("on") : QStringLiteral("off"));
    else if (name == QLatin1String("autorun_box"))
        settingscontrols::ApplyAutoStart(m_links, checked); // no usage event from this window
    else if (name == QLatin1String("nan_opt") && checked)
        m_sex = QStringLiteral("male");
    else if (name == QLatin1String("nv_opt") && checked)
        m_sex = QStringLiteral("female");
}

void CCommonWnd::OnClick(const TNotifyUI& msg) {
    const QString& name = msg.senderName;
    if (name == QLatin1String("to_bypw_btn")) {
        SelectTabPage(kUserPages, 0);
    } else if (name == QLatin1String("to_bycode_btn")) {
        SelectTabPage(kUserPages, 1);
    } else if (name == QLatin1String("to_reg_btn")) {
        SelectTabPage(kUserPages, 2);
    } else if (name == QLatin1String("code_area_btn") || name == QLatin1String("reg_area_btn")) {
        OpenAreaList();
    } else if (name == QLatin1String("code_getcode_btn")) {
        AskForCode(false);
    } else if (name == QLatin1String("reg_getcode_btn")) {
        AskForCode(true);
    } else if (name == QLatin1String("code_login_btn")) {
        SignInByCode();
    } else if (name == QLatin1String("pw_login_btn")) {
        SignInByPassword();
    } else if (name == QLatin1String("reg_login_btn")) {
        Register();
    } else if (name == QLatin1String("logout_btn")) {
        SignOut();
    } else if (name == QLatin1String("submit_btn")) {
        feedbackform::Submit(*this, m_links, "/api/addUserFeedback.json",
                             feedbackform::DeviceIds::ChosenDevice, m_mailbox);
    } else if (name == QLatin1String("update_btn")) {
        if (m_links.startUpdateCheck)
            m_links.startUpdateCheck();
    } else if (name == QLatin1String("close_btn")) {
        Close();
    }
}

void CCommonWnd::OpenAreaList() {
    CAreaWnd::Open(m_mailbox, m_areaCodes, QCursor::pos());
}

void CCommonWnd::AskForCode(bool registration) {
    const QString phone =
        Text(registration ? QStringLiteral("reg_tel_edit") : QStringLiteral("code_tel_edit"));
    const QString problem = accountforms::CheckPhone(phone);
    if (!problem.isEmpty()) {
        ShowNotice(problem);
        return;
    }
    const QString country =
        Text(registration ? QStringLiteral("reg_area_btn") : QStringLiteral("code_area_btn"));
    accountcalls::StartVerifyCodeRequest(m_serviceBase, phone, country,
                                         registration ? QString() : QStringLiteral("code"));
    (registration ? m_registerCountdown : m_codeCountdown).Start();
}

void CCommonWnd::Register() {
    const QString phone = Text(QStringLiteral("reg_tel_edit"));
    const QString code = Text(QStringLiteral("reg_code_edit"));
    const QString password = Text(QStringLiteral("reg_pw_edit"));
    const QString repeat = Text(QStringLiteral("reg_pw1_edit"));
    const QString problem = accountforms::CheckRegistration(phone, code, password, &repeat);
    if (!problem.isEmpty()) {
        ShowNotice(problem);
        return;
    }
    accountcalls::StartSignIn(account::SignInCall::Register,
                              m_serviceBase +
                                  account::RegisterPath(Utf8(phone), Utf8(code), Utf8(password)),
                              m_links.user, m_mailbox);
}

void CCommonWnd::SignInByCode() {
    const QString phone = Text(QStringLiteral("code_tel_edit"));
    const QString code = Text(QStringLiteral("code_code_edit"));
    const QString problem = accountforms::CheckCodeSignIn(phone, code);
    if (!problem.isEmpty()) {
        ShowNotice(problem);
        return;
    }
    accountcalls::StartSignIn(account::SignInCall::CodeSignIn,
                              m_serviceBase + account::CodeSignInPath(Utf8(phone), Utf8(code)),
                              m_links.user, m_mailbox);
}

void CCommonWnd::SignInByPassword() {
    const QString phone = Text(QStringLiteral("pw_tel_edit"));
    const QString password = Text(QStringLiteral("pw_pw_edit"));
    const QString problem = accountforms::CheckPasswordSignIn(phone, password);
    if (!problem.isEmpty()) {
        ShowNotice(problem);
        return;
    }
    if (m_links.config)
        accountforms::SaveCredentials(*m_links.config, phone, password);
    accountcalls::StartSignIn(account::SignInCall::PasswordSignIn,
                              m_serviceBase +
                                  account::PasswordSignInPath(Utf8(phone), Utf8(password)),
                              m_links.user, m_mailbox);
}

void CCommonWnd::SignOut() {
    if (m_links.user)
        m_links.user->SetSignedIn(false);
    SelectTabPage(kUserPages, 0);
    if (m_links.postToMainWindow)
        m_links.postToMainWindow(svcmsg::kSignedOut);
}

void CCommonWnd::OnSignedIn() {
    if (m_links.user)
        m_links.user->SetSignedIn(true);
    ShowUserPage();
    if (m_links.postToMainWindow)
        m_links.postToMainWindow(svcmsg::kSignedIn);
}

void CCommonWnd::OnAreaChosen(int code) {
    const QString text = QStringLiteral("+%1").arg(code);
    SetControlText(QStringLiteral("code_area_btn"), text);
    SetControlText(QStringLiteral("reg_area_btn"), text);
}

intptr_t CCommonWnd::HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t, bool& handled) {
    handled = true;
    switch (msg) {
    case svcmsg::kSignedIn:
        OnSignedIn();
        break;
    case svcmsg::kCountryCodesReady:
        m_areaCodes = m_countryCodes->Take();
        break;
    case svcmsg::kAreaChosen:
        OnAreaChosen(static_cast<int>(wParam));
        break;
    case svcmsg::kFeedbackDone:
        ui::ShowMessageBox(nullptr, QStringLiteral("Success!"), QString(),
                           ui::MessageBoxButtons::Ok, ui::MessageBoxIcon::None);
        break;
    default:
        handled = false;
        break;
    }
    return 0;
}

void CCommonWnd::OnTimer(unsigned id) {
    if (!m_registerCountdown.OnTimer(id))
        m_codeCountdown.OnTimer(id);
}
