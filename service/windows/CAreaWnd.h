#pragma once

#include "ui/framework/WindowImplBase.h"

#include <QPoint>

#include <memory>
#include <string>
#include <vector>

class CReplyMailbox;

// The small pop-up list of calling codes that the combined window opens at the pointer. A
// choice sends the code as a number to the owner and closes the list; losing the focus closes
// it without a choice. Deletes itself once closed.
class CAreaWnd : public WindowImplBase {
    Q_OBJECT
public:
    CAreaWnd(std::shared_ptr<CReplyMailbox> owner, std::vector<std::string> codes);

    QString GetWindowClassName() const override { return QStringLiteral("AreaWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("AreaWnd.xml"); }

    // Makes the pop-up one pixel right of and below the pointer, in front of everything.
    static CAreaWnd* Open(std::shared_ptr<CReplyMailbox> owner, std::vector<std::string> codes,
                          const QPoint& cursor);

    // The number of a list text: the digits after its first "+" (the whole text without one),
    // 0 when none follow.
    static int CodeOfItem(const QString& text);

protected:
    void InitWindow() override;
    void Notify(const TNotifyUI& msg) override;
    void OnWindowDeactivated() override;

private:
    std::shared_ptr<CReplyMailbox> m_owner;
    std::vector<std::string> m_codes;
};
