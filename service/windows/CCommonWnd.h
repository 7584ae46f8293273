#pragma once

#include "service/windows/AccountCalls.h"
#include "service/windows/CCodeCountdown.h"
#include "service/windows/ServiceWindowLinks.h"
#include "ui/framework/WindowImplBase.h"

#include <memory>
#include <string>
#include <vector>

class CReplyMailbox;

// The combined window, opened modal over the main window: the account page (sign-in by
// password or code, registration, the signed-in page with sign-out), the application page
// (auto start, language), feedback and about. UI thread; service calls run detached and
// report through its mailbox.
class CCommonWnd : public WindowImplBase {
    Q_OBJECT
public:
    explicit CCommonWnd(ServiceWindowLinks links);
    ~CCommonWnd() override;

    QString GetWindowClassName() const override { return QStringLiteral("CommonWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("CommonWnd.xml"); }

    static constexpr int kSignedInPage = 3;

    // The calling codes the area list offers (empty until the service sent them).
    const std::vector<std::string>& AreaCodes() const { return m_areaCodes; }

protected:
    void InitWindow() override;
    void Notify(const TNotifyUI& msg) override;
    void OnClick(const TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override;
    void OnTimer(unsigned id) override;

private:
    void ShowUserPage();
    void LoadSavedCredentials();
    void OnSelectChanged(const QString& name, bool checked);
    void OpenAreaList();
    void AskForCode(bool registration);
    void Register();
    void SignInByCode();
    void SignInByPassword();
    void SignOut();
    void OnSignedIn();
    void OnAreaChosen(int code);
    QString Text(const QString& control) const { return GetControlText(control); }

    ServiceWindowLinks m_links;
    std::string m_serviceBase;
    std::shared_ptr<CReplyMailbox> m_mailbox;
    std::shared_ptr<accountcalls::CountryCodes> m_countryCodes;
    std::vector<std::string> m_areaCodes;
    CCodeCountdown m_registerCountdown;
    CCodeCountdown m_codeCountdown;
    QString m_sex = QStringLiteral("male"); // asked by the form, never sent
};
