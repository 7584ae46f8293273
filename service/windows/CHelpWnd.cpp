#include "service/windows/CHelpWnd.h"

#include "platform/ProgramHome.h"
#include "service/Endpoints.h"

namespace {
const QString kBrowser = QStringLiteral("contact_browser");
} // namespace

CHelpWnd::CHelpWnd(ServiceWindowLinks links)
    : m_links(std::move(links)), m_web(QString::fromStdString(GetEndpoints().web)) {}

void CHelpWnd::InitWindow() {
    const QString web = m_web.toHtmlEscaped();
    SetControlText(kBrowser, QStringLiteral("<a href=\"%1\">%1</a>").arg(web));
    const QString pictures = platform::ProgramHome() + QStringLiteral("skin/Orvanta/contact/");
    SetBkImage(QStringLiteral("public_img"), pictures + QStringLiteral("public.png"));
    SetBkImage(QStringLiteral("contact_img"), pictures + QStringLiteral("contact.png"));
}

void CHelpWnd::Notify(const TNotifyUI& msg) {
    if (msg.sType == ui::notify::kLink) {
        Open(msg.linkTarget.isEmpty() ? m_web : msg.linkTarget);
        return;
    }
    WindowImplBase::Notify(msg);
}

void CHelpWnd::OnClick(const TNotifyUI& msg) {
    if (msg.senderName == kBrowser)
        Open(m_web);
    else if (msg.senderName == QLatin1String("close_btn"))
        Close();
}

void CHelpWnd::Open(const QString& target) {
    if (!target.isEmpty() && m_links.openTarget)
        m_links.openTarget(target, QStringLiteral("help"));
}
