#include "ui/framework/CTrayIcon.h"

#include "platform/SimEvents.h"
#include "ui/framework/SkinIcons.h"
#include "ui/framework/WindowConstants.h"
#include "ui/framework/WindowMessage.h"

#include <json/value.h>

#include <algorithm>
#include <vector>

namespace {
// Icons in the order they were created; touched on the UI thread only.
std::vector<CTrayIcon*>& CreatedIcons() {
    static std::vector<CTrayIcon*> icons;
    return icons;
}
} // namespace

CTrayIcon::~CTrayIcon() {
    DeleteTrayIcon();
}

CTrayIcon* CTrayIcon::Newest() {
    const std::vector<CTrayIcon*>& icons = CreatedIcons();
    return icons.empty() ? nullptr : icons.back();
}

void CTrayIcon::CreateTrayIcon(WindowImplBase* owner, int iconId, const QString& tip) {
    DeleteTrayIcon();
    m_owner = owner;
    m_iconId = iconId;
    m_tip = tip;
    m_icon = std::make_unique<QSystemTrayIcon>(SkinIcon(iconId));
    m_icon->setToolTip(tip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, &CTrayIcon::OnActivated);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_icon->show();
    CreatedIcons().push_back(this);
    ReportState();
}

void CTrayIcon::DeleteTrayIcon() {
    if (m_icon) {
        m_icon->hide();
        m_icon.reset();
    }
    std::vector<CTrayIcon*>& icons = CreatedIcons();
    icons.erase(std::remove(icons.begin(), icons.end(), this), icons.end());
    m_owner = nullptr;
}

void CTrayIcon::SetIcon(int iconId) {
    if (iconId == m_iconId)
        return;
    m_iconId = iconId;
    if (m_icon)
        m_icon->setIcon(SkinIcon(iconId));
    ReportState();
}

void CTrayIcon::SetTooltipText(const QString& tip) {
    if (tip == m_tip)
        return;
    m_tip = tip;
    if (m_icon)
        m_icon->setToolTip(tip);
    ReportState();
}

void CTrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    intptr_t mouseMessage = 0;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        mouseMessage = ui::WM_LBUTTONUP;
        break;
    case QSystemTrayIcon::DoubleClick:
        mouseMessage = ui::WM_LBUTTONDBLCLK;
        break;
    case QSystemTrayIcon::Context:
        mouseMessage = ui::WM_RBUTTONUP;
        break;
    default:
        return;
    }
    PostMessage(m_owner, ui::WM_TRAY, 0, mouseMessage);
}

void CTrayIcon::ReportState() const {
    Json::Value event;
    event["kind"] = "tray";
    event["icon"] = m_iconId;
    event["tip"] = m_tip.toStdString();
    platform::EmitSimEvent(event);
}
