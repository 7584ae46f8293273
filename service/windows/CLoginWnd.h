#pragma once

#include "service/windows/AccountCalls.h"
#include "service/windows/CCodeCountdown.h"
#include "service/windows/ServiceWindowLinks.h"
#include "ui/framework/WindowImplBase.h"

#include <memory>
#include <string>

class CReplyMailbox;

// The sign-in window: registration, sign-in by code and by password. Opened by the window
// manager while nobody is signed in; closes itself once a sign-in succeeded. Lives on the UI
// thread; its service calls run detached and report through its mailbox.
class CLoginWnd : public WindowImplBase {
    Q_OBJECT
public:
    explicit CLoginWnd(ServiceWindowLinks links);
    ~CLoginWnd() override;

    QString GetWindowClassName() const override { return QStringLiteral("LoginWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("LoginWnd.xml"); }

protected:
    void InitWindow() override;
    void Notify(const TNotifyUI& msg) override;
    void OnClick(const TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override;
    void OnTimer(unsigned id) override;

private:
    void LoadSavedCredentials();
    void ShowCountryCodes();
    void AskForCode(bool registration);
    void Register();
    void SignInByCode();
    void SignInByPassword();
    void StartSignIn(account::SignInCall call, const std::string& path);
    void OnSignedIn();
    void ShowPassword(const QString& edit, const QString& look, const QString& hide, bool shown);
    QString Text(const QString& control) const { return GetControlText(control); }

    ServiceWindowLinks m_links;
    std::string m_serviceBase;
    std::shared_ptr<CReplyMailbox> m_mailbox;
    std::shared_ptr<accountcalls::CountryCodes> m_countryCodes;
    CCodeCountdown m_registerCountdown;
    CCodeCountdown m_codeCountdown;
};
