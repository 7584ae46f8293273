#pragma once

#include "service/windows/ServiceWindowLinks.h"
#include "ui/framework/WindowImplBase.h"

#include <memory>

class CReplyMailbox;

// The stand-alone feedback form; closes itself once the service took the feedback and stays
// open with the text entered when it did not. UI thread; the request runs detached.
class CFreebackWnd : public WindowImplBase {
    Q_OBJECT
public:
    explicit CFreebackWnd(ServiceWindowLinks links);
    ~CFreebackWnd() override;

    QString GetWindowClassName() const override { return QStringLiteral("FreebackWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("FreebackWnd.xml"); }

protected:
    void InitWindow() override;
    void OnClick(const TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override;

private:
    ServiceWindowLinks m_links;
    std::shared_ptr<CReplyMailbox> m_mailbox;
};
