#pragma once

#include "service/windows/ServiceWindowLinks.h"
#include "ui/framework/WindowImplBase.h"

// The settings window: the sign-in/sign-out button, auto start, the interface language, the
// version, the contact pictures and the update button. UI thread only.
class CSetWnd : public WindowImplBase {
    Q_OBJECT
public:
    explicit CSetWnd(ServiceWindowLinks links);

    QString GetWindowClassName() const override { return QStringLiteral("SetWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("SetWnd.xml"); }

protected:
    void InitWindow() override;
    void Notify(const TNotifyUI& msg) override;
    void OnClick(const TNotifyUI& msg) override;

private:
    void OnSignInButton();
    void OnAutoStartToggled(bool on);

    ServiceWindowLinks m_links;
};
