#include "service/windows/CAreaWnd.h"

#include "service/windows/CReplyMailbox.h"
#include "service/windows/ServiceMessages.h"

namespace {
const QString kList = QStringLiteral("area_list");
constexpr uint32_t kPopupStyle = ui::WS_POPUP | ui::WS_VISIBLE;
constexpr uint32_t kPopupExStyle = ui::WS_EX_TOPMOST | ui::WS_EX_TOOLWINDOW;
} // namespace

CAreaWnd::CAreaWnd(std::shared_ptr<CReplyMailbox> owner, std::vector<std::string> codes)
    : m_owner(std::move(owner)), m_codes(std::move(codes)) {}

CAreaWnd* CAreaWnd::Open(std::shared_ptr<CReplyMailbox> owner, std::vector<std::string> codes,
                         const QPoint& cursor) {
    auto* window = new CAreaWnd(std::move(owner), std::move(codes));
    // Placed before it is shown, so it never flashes at the default position.
    if (window->Create(nullptr, QStringLiteral("AreaWnd"), kPopupStyle & ~ui::WS_VISIBLE,
                       kPopupExStyle) == nullptr) {
        delete window;
        return nullptr;
    }
    window->SetAutoDelete(true);
    window->MoveWindow(cursor.x() + 1, cursor.y() + 1);
    window->BringToForeground();
    return window;
}

int CAreaWnd::CodeOfItem(const QString& text) {
    const int plus = text.indexOf(QLatin1Char('+'));
    const QString rest = plus < 0 ? text : text.mid(plus + 1);
    int digits = 0;
    while (digits < rest.size() && digits < 9 && rest[digits].isDigit() &&
           rest[digits].unicode() < 128)
        ++digits;
    return rest.left(digits).toInt();
}

void CAreaWnd::InitWindow() {
    RemoveAllListItems(kList);
    for (const std::string& code : m_codes) {
        const QString text = QString::fromStdString(code);
        AddListItem(kList, {text, text, QVariant()});
    }
}

void CAreaWnd::Notify(const TNotifyUI& msg) {
    if (msg.sType == ui::notify::kItemSelect && msg.senderName == kList) {
        const int index = static_cast<int>(msg.wParam);
        if (index < 0 || index >= GetListCount(kList))
            return;
        m_owner->Post(svcmsg::kAreaChosen,
                      static_cast<uintptr_t>(CodeOfItem(GetListItem(kList, index).text)));
        Close();
        return;
    }
    WindowImplBase::Notify(msg);
}

void CAreaWnd::OnWindowDeactivated() {
    Close();
}
