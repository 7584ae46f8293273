#include "service/windows/CLoginWnd.h"

#include "app/CConfig.h"
#include "service/Endpoints.h"
#include "service/UserInfo.h"
#include "service/windows/AccountForms.h"
#include "service/windows/CReplyMailbox.h"
#include "service/windows/ServiceMessages.h"
#include "ui/framework/MessageBox.h"

#include <QLineEdit>

namespace {
constexpr unsigned kRegisterTimer = 1;
constexpr unsigned kCodeTimer = 2;
constexpr int kCodePage = 0;
constexpr int kPasswordPage = 1;

void ShowNotice(const QString& text) {
    ui::ShowMessageBox(nullptr, text, QString(), ui::MessageBoxButtons::Ok,
                       ui::MessageBoxIcon::None);
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}
} // namespace

CLoginWnd::CLoginWnd(ServiceWindowLinks links)
    : m_links(std::move(links)), m_serviceBase(GetEndpoints().service),
      m_mailbox(std::make_shared<CReplyMailbox>(this)),
      m_countryCodes(std::make_shared<accountcalls::CountryCodes>()),
      m_registerCountdown(*this, QStringLiteral("reg_getcode_btn"), kRegisterTimer),
      m_codeCountdown(*this, QStringLiteral("code_getcode_btn"), kCodeTimer) {}

CLoginWnd::~CLoginWnd() {
    m_mailbox->Close();
}

void CLoginWnd::InitWindow() {
    SetControlVisible(QStringLiteral("register_c"), false);
    SetControlVisible(QStringLiteral("login_c"), true);
    SelectTabPage(QStringLiteral("login_tab"), kPasswordPage);
    SetOptionSelected(QStringLiteral("pw_opt"), true);
    LoadSavedCredentials();
    accountcalls::StartCountryCodeFetch(m_serviceBase, m_countryCodes, m_mailbox);
}

void CLoginWnd::LoadSavedCredentials() {
    if (!m_links.config || m_links.config->GetUserRemember() != QLatin1String("on"))
        return;
    SetControlText(QStringLiteral("pw_tel_edit"), m_links.config->GetUserName());
    // Straight into the edit: a password is never reported as a control text.
    if (auto* edit = FindControlAs<QLineEdit>(QStringLiteral("pw_edit")))
        edit->setText(m_links.config->GetUserPassword());
    SetCheck(QStringLiteral("rem_box"), true);
}

void CLoginWnd::ShowCountryCodes() {
    const std::vector<std::string> codes = m_countryCodes->Take();
    for (const QString& list : {QStringLiteral("reg_code_com"), QStringLiteral("code_code_com")}) {
        RemoveAllListItems(list);
        for (const std::string& code : codes) {
            const QString text = QString::fromStdString(code);
            AddListItem(list, {text, text, QVariant()});
            SelectListItem(list, 0);
        }
    }
}

void CLoginWnd::Notify(const TNotifyUI& msg) {
    if (msg.sType == ui::notify::kSelectChanged) {
        const bool checked = msg.wParam != 0;
        if (msg.senderName == QLatin1String("rem_box") && m_links.config)
            m_links.config->SetUserRemember(checked ? QStringLiteral("on") : QStringLiteral("off"));
        else if (msg.senderName == QLatin1String("code_opt") && checked)
            SelectTabPage(QStringLiteral("login_tab"), kCodePage);
        else if (msg.senderName == QLatin1String("pw_opt") && checked)
            SelectTabPage(QStringLiteral("login_tab"), kPasswordPage);
        return;
    }
    WindowImplBase::Notify(msg);
}

void CLoginWnd::OnClick(const TNotifyUI& msg) {
    const QString& name = msg.senderName;
    if (name == QLatin1String("reg_getcode_btn")) {
        AskForCode(true);
    } else if (name == QLatin1String("code_getcode_btn")) {
        AskForCode(false);
    } else if (name == QLatin1String("reg_look_btn")) {
        ShowPassword(QStringLiteral("reg_pw_edit"), QStringLiteral("reg_look_btn"),
                     QStringLiteral("reg_hide_btn"), true);
    } else if (name == QLatin1String("reg_hide_btn")) {
        ShowPassword(QStringLiteral("reg_pw_edit"), QStringLiteral("reg_look_btn"),
                     QStringLiteral("reg_hide_btn"), false);
    } else if (name == QLatin1String("pw_look_btn")) {
        ShowPassword(QStringLiteral("pw_edit"), QStringLiteral("pw_look_btn"),
                     QStringLiteral("pw_hide_btn"), true);
    } else if (name == QLatin1String("pw_hide_btn")) {
        ShowPassword(QStringLiteral("pw_edit"), QStringLiteral("pw_look_btn"),
                     QStringLiteral("pw_hide_btn"), false);
    } else if (name == QLatin1String("reg_telclear_btn")) {
        SetControlText(QStringLiteral("reg_tel_edit"), QString());
    } else if (name == QLatin1String("code_telclear_btn")) {
        SetControlText(QStringLiteral("code_tel_edit"), QString());
    } else if (name == QLatin1String("pw_telclear_btn")) {
        SetControlText(QStringLiteral("pw_tel_edit"), QString());
    } else if (name == QLatin1String("reg_tologin_btn")) {
        SetControlVisible(QStringLiteral("register_c"), false);
        SetControlVisible(QStringLiteral("login_c"), true);
    } else if (name == QLatin1String("code_toreg_btn")) {
        SetControlVisible(QStringLiteral("register_c"), true);
        SetControlVisible(QStringLiteral("login_c"), false);
    } else if (name == QLatin1String("reg_btn")) {
        Register();
    } else if (name == QLatin1String("login_btn")) {
        if (GetTabPage(QStringLiteral("login_tab")) == kCodePage)
            SignInByCode();
        else
            SignInByPassword();
    } else if (name == QLatin1String("close_btn")) {
        Close();
    }
}

void CLoginWnd::ShowPassword(const QString& edit, const QString& look, const QString& hide,
                             bool shown) {
    if (auto* line = FindControlAs<QLineEdit>(edit))
        line->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    SetControlVisible(look, !shown);
    SetControlVisible(hide, shown);
}

void CLoginWnd::AskForCode(bool registration) {
    const QString phone =
        Text(registration ? QStringLiteral("reg_tel_edit") : QStringLiteral("code_tel_edit"));
    const QString problem = accountforms::CheckPhone(phone);
    if (!problem.isEmpty()) {
        ShowNotice(problem);
        return;
    }
    const QString country =
        Text(registration ? QStringLiteral("reg_code_com") : QStringLiteral("code_code_com"));
    accountcalls::StartVerifyCodeRequest(m_serviceBase, phone, country,
                                         registration ? QString() : QStringLiteral("code"));
    (registration ? m_registerCountdown : m_codeCountdown).Start();
}

void CLoginWnd::Register() {
    const QString phone = Text(QStringLiteral("reg_tel_edit"));
    const QString code = Text(QStringLiteral("reg_code_edit"));
    const QString password = Text(QStringLiteral("reg_pw_edit"));
    const QString problem = accountforms::CheckRegistration(phone, code, password, nullptr);
    if (!problem.isEmpty()) {
        ShowNotice(problem);
        return;
    }
    StartSignIn(account::SignInCall::Register,
                account::RegisterPath(Utf8(phone), Utf8(code), Utf8(password)));
}

void CLoginWnd::SignInByCode() {
    const QString phone = Text(QStringLiteral("code_tel_edit"));
    const QString code = Text(QStringLiteral("code_edit"));
    const QString problem = accountforms::CheckCodeSignIn(phone, code);
    if (!problem.isEmpty()) {
        ShowNotice(problem);
        return;
    }
    StartSignIn(account::SignInCall::CodeSignIn, account::CodeSignInPath(Utf8(phone), Utf8(code)));
}

void CLoginWnd::SignInByPassword() {
    const QString phone = Text(QStringLiteral("pw_tel_edit"));
    const QString password = Text(QStringLiteral("pw_edit"));
    const QString problem = accountforms::CheckPasswordSignIn(phone, password);
    if (!problem.isEmpty()) {
        ShowNotice(problem);
        return;
    }
    if (m_links.config)
        accountforms::SaveCredentials(*m_links.config, phone, password);
    StartSignIn(account::SignInCall::PasswordSignIn,
                account::PasswordSignInPath(Utf8(phone), Utf8(password)));
}

void CLoginWnd::StartSignIn(account::SignInCall call, const std::string& path) {
    accountcalls::StartSignIn(call, m_serviceBase + path, m_links.user, m_mailbox);
}

void CLoginWnd::OnSignedIn() {
    if (m_links.user)
        m_links.user->SetSignedIn(true);
    if (m_links.postToMainWindow)
        m_links.postToMainWindow(svcmsg::kSignedIn);
    Close();
}

intptr_t CLoginWnd::HandleCustomMessage(unsigned msg, uintptr_t, intptr_t, bool& handled) {
    handled = true;
    if (msg == svcmsg::kSignedIn)
        OnSignedIn();
    else if (msg == svcmsg::kCountryCodesReady)
        ShowCountryCodes();
    else
        handled = false;
    return 0;
}

void CLoginWnd::OnTimer(unsigned id) {
    if (!m_registerCountdown.OnTimer(id))
        m_codeCountdown.OnTimer(id);
}
