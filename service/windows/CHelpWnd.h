#pragma once

#include "service/windows/ServiceWindowLinks.h"
#include "ui/framework/WindowImplBase.h"

// Help and contact: a link to the maker's web site, which opens in the user's browser, and the
// contact pictures. UI thread only.
class CHelpWnd : public WindowImplBase {
    Q_OBJECT
public:
    explicit CHelpWnd(ServiceWindowLinks links);

    QString GetWindowClassName() const override { return QStringLiteral("HelpWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("HelpWnd.xml"); }

protected:
    void InitWindow() override;
    void Notify(const TNotifyUI& msg) override;
    void OnClick(const TNotifyUI& msg) override;

private:
    void Open(const QString& target);

    ServiceWindowLinks m_links;
    QString m_web;
};
